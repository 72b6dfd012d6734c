// The moment log: what one mapping marks, another mapping of the same file reads (as an observer
// in another process does), in order, with a ring that forgets the oldest; a file that is not a
// moment log is refused.
#include "platform/kernel/CMomentLog.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

class MomentLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvane-moments-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    m_dir = tmpl;
  }
  void TearDown() override {
    std::remove(Path().c_str());
    std::remove((m_dir + "/other").c_str());
    rmdir(m_dir.c_str());
  }
  std::string Path() const { return m_dir + "/moments"; }

  std::string m_dir;
};

TEST_F(MomentLogTest, MomentsMarkedThroughOneMappingAreReadThroughAnother) {
  CMomentLog marker, observer;
  ASSERT_TRUE(marker.Open(Path()));
  ASSERT_TRUE(observer.Open(Path()));
  EXPECT_EQ(observer.Count(), 0u);
  EXPECT_EQ(observer.At(0), 0);

  const int64_t before = CMomentLog::NowUs();
  for (int i = 0; i < 3; ++i) marker.Mark();
  const int64_t after = CMomentLog::NowUs();
  ASSERT_EQ(observer.Count(), 3u);
  for (uint64_t n = 0; n < 3; ++n) {
    EXPECT_GE(observer.At(n), before) << n;
    EXPECT_LE(observer.At(n), after) << n;
    if (n > 0) {
      EXPECT_GE(observer.At(n), observer.At(n - 1)) << n;
    }
  }
  EXPECT_EQ(observer.At(3), 0) << "not marked yet";

  // Opened again, the file keeps what was marked.
  marker.Close();
  ASSERT_TRUE(marker.Open(Path()));
  marker.Mark();
  EXPECT_EQ(observer.Count(), 4u);
}

TEST_F(MomentLogTest, TheRingForgetsTheOldestMoments) {
  CMomentLog log;
  ASSERT_TRUE(log.Open(Path()));
  const uint64_t marks = CMomentLog::kSlots + 2;
  for (uint64_t i = 0; i < marks; ++i) log.Mark();
  EXPECT_EQ(log.Count(), marks);
  // Moments 0 to 2 share their slots with the newest: gone (2 is the slot the next mark takes).
  for (uint64_t n : {0u, 1u, 2u}) EXPECT_EQ(log.At(n), 0) << n;
  EXPECT_NE(log.At(3), 0);
  EXPECT_NE(log.At(marks - 1), 0);
}

TEST_F(MomentLogTest, AFileOfAnotherSizeIsRefusedAndNothingIsMarkedWithoutOne) {
  std::ofstream(m_dir + "/other") << "not a moment log";
  CMomentLog log;
  EXPECT_FALSE(log.Open(m_dir + "/other"));
  EXPECT_FALSE(log.Open(m_dir + "/missing-dir/moments"));
  EXPECT_FALSE(log.IsOpen());
  log.Mark();
  EXPECT_EQ(log.Count(), 0u);
}

// The program's own moments: a child process with the variable set marks them into the file.
TEST_F(MomentLogTest, AProgramMarksIntoTheFileItsEnvironmentNames) {
  CMomentLog observer;
  ASSERT_TRUE(observer.Open(Path()));
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv(wce::kMomentLogVariable, Path().c_str(), 1);
    for (int i = 0; i < 5; ++i) wce::MarkMoment();
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(observer.Count(), 5u);
}

}  // namespace
