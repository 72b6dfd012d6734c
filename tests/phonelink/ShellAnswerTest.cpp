#include "phonelink/ShellAnswer.h"
#include "phonelink/ShellWindow.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const uint8_t* U(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

TEST(ShellAnswer, EmptyLineIsExactlyCrLf) {
  EXPECT_TRUE(ShellAnswer::IsEmptyLine(U("\r\n"), 2));
  EXPECT_FALSE(ShellAnswer::IsEmptyLine(U("\n"), 1));
  EXPECT_FALSE(ShellAnswer::IsEmptyLine(U("5\r\n"), 3));
}

TEST(ShellAnswer, ReleaseAndSdkTexts) {
  struct {
    std::string m_strText;
    bool m_bReleaseM, m_bRelease444;
  } const releases[] = {{"M\r\n", true, false},     {"  M\r\n", true, false},    {"5.1.1\r\n", false, false},
                        {"4.4.4\r\n", false, true}, {"4.4.2\r\n", false, false}, {"", false, false}};
  for (const auto& r : releases) {
    EXPECT_EQ(ShellAnswer::ReleaseStartsWithM(U(r.m_strText), r.m_strText.size()), r.m_bReleaseM)
        << r.m_strText;
    EXPECT_EQ(ShellAnswer::ReleaseIs444(U(r.m_strText), r.m_strText.size()), r.m_bRelease444) << r.m_strText;
  }
  struct {
    std::string m_strText;
    int m_nLevel;
  } const sdks[] = {{"22\r\n", 22}, {"0\r\n", 0}, {" 19\r\n", 19},
                    {"x\r\n", 0},   {"24", 24},   {"99999999999", 0x7FFFFFFF}};
  for (const auto& s : sdks) {
    EXPECT_EQ(ShellAnswer::SdkLevel(U(s.m_strText), s.m_strText.size()), s.m_nLevel) << s.m_strText;
  }
}

TEST(ShellAnswer, AppStartAndJarAnswers) {
  EXPECT_FALSE(
      ShellAnswer::AppStartFailed(U("Starting: Intent { cmp=com.velto.corvane/.CorvaneActivity }\r\n"), 60));
  std::string err = "Error type 3\r\nError: Activity class {x} does not exist.\r\n";
  EXPECT_TRUE(ShellAnswer::AppStartFailed(U(err), err.size()));
  std::string missing = "Error: Activity class does not exist.";
  EXPECT_TRUE(ShellAnswer::AppStartFailed(U(missing), missing.size()));

  struct {
    std::string m_strText;
    bool m_bPresent;
  } const ls[] = {{"/data/local/tmp/vtim.jar\r\n", true},
                  {"ls: /data/local/tmp/vtim.jar: No such file or directory\r\n", false},
                  {"/data/local/tmp/vtim.jar: No such file or directory\r\n", false},
                  {"weird:", true}};
  for (const auto& l : ls) {
    EXPECT_EQ(ShellAnswer::JarPresent(U(l.m_strText), l.m_strText.size()), l.m_bPresent) << l.m_strText;
  }
}

const std::string kPsHead =
    "USER     PID   PPID  VSIZE  RSS     WCHAN    PC         NAME\r\n"
    "root      1     0     8904   784   ffffffff 00000000 S /init\r\n";
const std::string kHelperLine =
    "shell     4242  1     3124   512   ffffffff 00000000 S /data/local/tmp/vtsc\r\n";
const std::string kPsTail = "u0_a77    5120  180   912340 41232 ffffffff 00000000 S com.velto.corvane\r\n";

TEST(ShellAnswer, FindsHelperPid) {
  std::string ps = kPsHead + kHelperLine + kPsTail;
  EXPECT_EQ(ShellAnswer::FindHelperPid(U(ps), ps.size()), 4242);
  std::string none = kPsHead + kPsTail;
  EXPECT_EQ(ShellAnswer::FindHelperPid(U(none), none.size()), 0);
}

TEST(ShellAnswer, PidSearchStopsAtTheTextStart) {
  // Fewer than three 'l' before the name: no pid, and nothing before the text is looked at.
  std::string s = "l 77 /tmp/vtsc";
  EXPECT_EQ(ShellAnswer::FindHelperPid(U(s), s.size()), 0);
  std::string noBlank = "shell 123";
  noBlank += std::string(100, '9') + " /data/local/tmp/vtsc";
  EXPECT_EQ(ShellAnswer::FindHelperPid(U(noBlank), noBlank.size()), 0) << "no blank within 80 characters";
}

TEST(ShellWindow, ListingSplitAtEveryOffsetOfTheHelperLine) {
  const std::string ps = kPsHead + kHelperLine + kPsTail;
  const size_t lineStart = kPsHead.size();
  for (size_t cut = lineStart; cut <= lineStart + kHelperLine.size(); ++cut) {
    ShellWindow w;
    int pids = 0, pid = 0;
    std::string a = ps.substr(0, cut), b = ps.substr(cut);
    w.Append(U(a), a.size());
    if (int p = w.TakeHelperPid()) ++pids, pid = p;
    w.Append(U(b), b.size());
    if (int p = w.TakeHelperPid()) ++pids, pid = p;
    EXPECT_EQ(pids, 1) << "cut at " << cut;
    EXPECT_EQ(pid, 4242) << "cut at " << cut;
  }
}

TEST(ShellWindow, KeepsEveryByteOfAFullChunk) {
  ShellWindow w;
  std::string chunk(4096, 'x');
  chunk.replace(4096 - 4, 4, "vtsc");
  w.Append(U(chunk), chunk.size());
  ASSERT_EQ(w.Length(), 512u + 4096u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(w.Text()) + w.Length() - 4, 4), "vtsc");
}

TEST(ShellWindow, RefillForgetsTheLastListing) {
  ShellWindow w;
  std::string ps = kPsHead + kHelperLine;
  w.Append(U(ps), ps.size());
  EXPECT_EQ(w.TakeHelperPid(), 4242);
  w.Refill();
  std::string other = kPsTail;
  w.Append(U(other), other.size());
  EXPECT_EQ(w.TakeHelperPid(), 0);
}

}  // namespace
