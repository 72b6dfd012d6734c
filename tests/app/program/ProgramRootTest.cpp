// The one root of both programs: CORVANE_ROOT when it is set, else --dir. Started on the shared bus
// with a --dir apart from CORVANE_ROOT, or with --dir alone, a program keeps its files, every
// named object, its registered messages and its window on the root's bus: corvane-post, which
// joins the bus under CORVANE_ROOT, reaches it by its title and name, and a second start of
// CECorvane raises the first and ends.
#include "tests/app/program/ProgramE2E.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::kLoadSlackMs;
using e2e::kQuitMs;
using e2e::kReplyMs;

// The bus's file of a kernel object's name: every UTF-16 unit in four lower-case hex digits.
std::string NameFile(const std::string& ascii) {
  static const char kHex[] = "0123456789abcdef";
  std::string file;
  for (char c : ascii) file += std::string("00") + kHex[(c >> 4) & 0xF] + kHex[c & 0xF];
  return file;
}

// Whether a running program holds the named object on the bus under `root`.
bool HeldOnBus(const fs::path& root, const std::string& name) {
  const int fd = open((root / "bus" / "names" / NameFile(name)).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

struct SRootCase {
  const char* m_pszName;
  bool m_bProgram;  // CECorvane, else corvane-engine
  bool m_bEnvRoot;  // CORVANE_ROOT names the root and --dir a directory apart; else --dir alone
};

const SRootCase kCases[] = {
    {"CECorvaneWithADirApart", true, true},
    {"CECorvaneWithItsDirAlone", true, false},
    {"EngineWithADirApart", false, true},
    {"EngineWithItsDirAlone", false, false},
};

class ProgramRoot : public e2e::ProgramE2E, public ::testing::WithParamInterface<SRootCase> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ProgramE2E::SetUp());
    // A whole program directory too, so that only the rule tells the two apart.
    m_Apart = m_Root / "apart";
    fs::copy(m_Dir, m_Apart, fs::copy_options::recursive);
    // The children inherit this process's environment: only the case's root may reach them.
    unsetenv("CORVANE_ROOT");
  }

  // The program of the case, hidden when it is CECorvane, up and reading its input.
  void StartCase() {
    const SRootCase& c = GetParam();
    std::vector<std::string> env = {"CORVANE_BUS=shared"};
    if (c.m_bEnvRoot) env.push_back("CORVANE_ROOT=" + m_Dir.string());
    m_Args = {c.m_bProgram ? CECORVANE_PATH : ENGINE_PATH, "--dir",
              (c.m_bEnvRoot ? m_Apart : m_Dir).string()};
    m_Env = env;
    std::vector<std::string> args = m_Args;
    if (c.m_bProgram) args.push_back("hide");
    ASSERT_TRUE(m_Engine.Start(args, env, m_EngineErr.string()));
    ASSERT_TRUE(Ping()) << "the program does not read its input";
  }

  fs::path m_Apart;
  std::vector<std::string> m_Args;
  std::vector<std::string> m_Env;
};

TEST_P(ProgramRoot, KeepsItsFilesNamesMessagesAndWindowOnTheRootsBus) {
  const SRootCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartCase());

  std::vector<std::string> names = {"EVENT_INIT", "EVENT_RECONNECT"};
  if (c.m_bProgram) names.push_back("CUI_MAIN_VT_CORVANE_MUTEX");
  for (const std::string& name : names) EXPECT_TRUE(HeldOnBus(m_Dir, name)) << name;
  EXPECT_FALSE(fs::exists(m_Apart / "bus"));

  // A message of corvane-post's own, registered after the program's: the same number on both sides.
  ASSERT_EQ(Post({"PROGRAM_E2E_PING", "0", "1", "--window", "WND_CORVANE"}), 0);
  EXPECT_TRUE(ReadUntil("msg PROGRAM_E2E_PING 0 1", kReplyMs));
  ASSERT_EQ(Post({"NMSG_CORVANE_HW_KEY", "4", "0", "--window", "WND_CORVANE"}), 0);
  EXPECT_TRUE(ReadUntil("msg NMSG_CORVANE_HW_KEY 4 0", kReplyMs));

  if (c.m_bProgram) {
    EXPECT_FALSE(RootWindowShown());
    ASSERT_NO_FATAL_FAILURE(SecondStart(m_Args, m_Env, 2));
    EXPECT_TRUE(RootWindowShown());
  }

  EXPECT_EQ(Quit(), 0);
  EXPECT_TRUE(fs::exists(m_Dir / "Connect.log"));
  EXPECT_FALSE(fs::exists(m_Apart / "Connect.log"));
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramRoot, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SRootCase>& info) {
                           return info.param.m_pszName;
                         });

}  // namespace
