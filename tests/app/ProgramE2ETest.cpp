// CECorvane as a program among the head unit's others on the shared bus: a second start raises
// the first and ends, corvane-post reaches it, the task bar is hidden for its run and put back,
// and its screen starts the navigation program that "NaviOne.ini" names.
#include "tests/app/program/ProgramE2E.h"
#include "tests/support/BmpFile.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "platform/user/user.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;
using e2e::Clock;
using e2e::kLoadSlackMs;
using e2e::kQuitMs;
using e2e::MsLeft;
using e2e::Occurrences;
using e2e::ReadText;

const int kReplyMs = 15000;
const char16_t kTitle[] = u"WND_CORVANE";

// The bytes of a rectangle of a BMP file the program wrote (rows bottom-up, 16 or 32 bits), top
// row first; empty when the file is not such a BMP or the rectangle is not inside it.
std::string BmpArea(const fs::path& path, const RECT& rc) {
  SBmpFile bmp;
  if (!ReadBmpFile(path, &bmp) || bmp.topDown || rc.left < 0 || rc.top < 0 || rc.right > bmp.width ||
      rc.bottom > bmp.height || rc.left >= rc.right || rc.top >= rc.bottom) {
    return std::string();
  }
  const size_t pixel = static_cast<size_t>(bmp.bpp / 8);
  std::string area;
  for (int y = rc.top; y < rc.bottom; ++y) {
    const uint8_t* row = bmp.Row(y) + pixel * static_cast<size_t>(rc.left);
    area.append(reinterpret_cast<const char*>(row), pixel * static_cast<size_t>(rc.right - rc.left));
  }
  return area;
}

// The programs' root is the program directory: this test program joins their bus there before
// any test runs (the bus is chosen at a process's first use), and each test runs in a process of
// its own, so each has a root of its own.
class ProgramBus : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "cecorvane-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    s_root = pattern;
    setenv("CORVANE_ROOT", s_root.c_str(), 1);
    setenv("CORVANE_BUS", "shared", 1);
    Child::SetErrDir(s_root);
    // The program's files: packs, font and driver beside it.
    e2e::CopyProgramFiles(s_root);
    fs::copy_file(KAVLINK_PATH, fs::path(s_root) / "kavlink.dll");
  }
  void TearDown() override {
    std::error_code ignored;
    if (!s_keep) fs::remove_all(s_root, ignored);
  }

  static std::string s_root;
  static bool s_keep;
};
std::string ProgramBus::s_root;
bool ProgramBus::s_keep = false;
const ::testing::Environment* const kBus = ::testing::AddGlobalTestEnvironment(new ProgramBus());

class ProgramE2E : public ::testing::Test {
 protected:
  void TearDown() override {
    m_Program.Kill();
    if (HasFailure()) {
      ProgramBus::s_keep = true;
      std::fprintf(stderr, "e2e: kept %s\n", ProgramBus::s_root.c_str());
      for (const std::string& l : m_Lines) std::fprintf(stderr, "CECorvane: %s\n", l.c_str());
    }
  }

  fs::path Root() const { return ProgramBus::s_root; }
  fs::path ErrPath() const { return Root() / "CECorvane.err"; }

  // Starts the program and waits until its root window runs its screen ("layers" answered).
  void StartProgram(const std::vector<std::string>& words = {}) {
    std::vector<std::string> args = {CECORVANE_PATH, "--dir", Root().string()};
    args.insert(args.end(), words.begin(), words.end());
    ASSERT_TRUE(m_Program.Start(args, {}, ErrPath().string()));
    ASSERT_TRUE(m_Program.Write("layers\n"));
    ASSERT_TRUE(ReadUntil("end", kReplyMs));
  }
  bool ReadUntil(const std::string& wanted, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    std::string line;
    while (MsLeft(end) > 0 && m_Program.ReadLine(&line, MsLeft(end))) {
      m_Lines.push_back(line);
      if (line == wanted) return true;
    }
    return false;
  }
  // A registered message of the test's own through the bus to the program's window, read back
  // from its output: what other programs posted to it before has been handled.
  bool Ping(HWND hWnd) {
    const std::string name = "PROGRAM_E2E_PING_" + std::to_string(++m_nPings);
    const UINT msg = RegisterWindowMessageW(WceUtf8ToWide(name).c_str());
    return PostMessageW(hWnd, msg, 0, 0) && ReadUntil("msg " + name + " 0 0", kReplyMs);
  }
  // Polls the program's log until it holds text, reading its output meanwhile.
  bool WaitForLog(const std::string& text, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    std::string line;
    for (;;) {
      if (Occurrences(ReadText(ErrPath()), text) > 0) return true;
      if (MsLeft(end) <= 0) return false;
      if (m_Program.ReadLine(&line, 20)) m_Lines.push_back(line);
    }
  }
  int Quit() {
    m_Program.Write("quit\n");
    return m_Program.Wait(kQuitMs + kLoadSlackMs);
  }

  Child m_Program;
  std::vector<std::string> m_Lines;
  int m_nPings = 0;
};

TEST_F(ProgramE2E, ThePackIsChosenByTheScreensDepthAndSize) {
  // Only the pack the program must choose is beside it: another choice finds no screen.
  const fs::path packs = Root() / "packs";
  fs::create_directories(packs);
  for (const fs::directory_entry& e : fs::directory_iterator(Root())) {
    if (e.path().extension() == ".pack") fs::rename(e.path(), packs / e.path().filename());
  }
  // The packs go back beside the program for the tests after this one, whatever happens here.
  struct PutBack {
    fs::path m_From, m_To;
    ~PutBack() {
      for (const fs::directory_entry& e : fs::directory_iterator(m_From))
        fs::rename(e.path(), m_To / e.path().filename());
    }
  } putBack{packs, Root()};
  const struct {
    const char* m_pszScreen;
    const char* m_pszBpp;
    const char* m_pszPack;
    const char* m_pszDialog;  // the screen's first line
  } cases[] = {
      {"1024x600", "16", "cecorvane_16_xxh.pack", "CMainDlg CMainDlg 0,0,1024,600"},
      {"800x480", "16", "cecorvane_16_res.pack", "CMainDlg CMainDlg 0,0,800,480"},
      {"1024x600", "32", "cecorvane_xxh.pack", "CMainDlg CMainDlg 0,0,1024,600"},
      {"800x480", "32", "corvane_res.pack", "CMainDlg CMainDlg 0,0,800,480"},
      {"1024x768", "32", "corvane_res.pack", "CMainDlg CMainDlg 0,0,800,480"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.m_pszScreen) + " at " + c.m_pszBpp + " bits");
    fs::rename(packs / c.m_pszPack, Root() / c.m_pszPack);
    m_Lines.clear();
    ASSERT_NO_FATAL_FAILURE(StartProgram({"--screen", c.m_pszScreen, "--bpp", c.m_pszBpp}));
    ASSERT_GE(m_Lines.size(), 2u);
    EXPECT_NE(m_Lines.front().find(c.m_pszDialog), std::string::npos) << m_Lines.front();
    EXPECT_EQ(Quit(), 0);
    EXPECT_EQ(Occurrences(ReadText(ErrPath()), "not a valid packed file"), 0u);
    fs::rename(Root() / c.m_pszPack, packs / c.m_pszPack);
  }
}

TEST_F(ProgramE2E, ScreenWritesTheDisplayAsABmpOfTheScreensSizeAndDepth) {
  const struct {
    const char* m_pszScreen;
    const char* m_pszBpp;
    int32_t m_nWidth, m_nHeight;
    uint16_t m_nBits;
  } cases[] = {{"1024x600", "16", 1024, 600, 16}, {"800x480", "32", 800, 480, 32}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.m_pszScreen) + " at " + c.m_pszBpp + " bits");
    ASSERT_NO_FATAL_FAILURE(StartProgram({"--screen", c.m_pszScreen, "--bpp", c.m_pszBpp}));
    const fs::path picture = Root() / (std::string("screen-") + c.m_pszBpp + ".bmp");
    ASSERT_TRUE(m_Program.Write("screen " + picture.string() + "\n"));
    ASSERT_TRUE(ReadUntil("screen " + picture.string(), kReplyMs));
    SBmpFile bmp;
    ASSERT_TRUE(ReadBmpFile(picture, &bmp));
    EXPECT_EQ(bmp.width, c.m_nWidth);
    EXPECT_EQ(bmp.height, c.m_nHeight);
    EXPECT_EQ(bmp.bpp, c.m_nBits);
    EXPECT_EQ(Quit(), 0);
  }
}

TEST_F(ProgramE2E, ASecondStartRaisesTheFirstAndEnds) {
  ASSERT_NO_FATAL_FAILURE(StartProgram({"hide"}));
  const HWND first = FindWindowW(nullptr, kTitle);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(IsWindowVisible(first));

  Child second;
  ASSERT_TRUE(second.Start({CECORVANE_PATH, "--dir", Root().string()}, {}));
  EXPECT_EQ(second.Wait(kQuitMs + kLoadSlackMs), 0);
  std::string line;
  EXPECT_FALSE(second.ReadLine(&line, 0)) << "the second start wrote " << line;
  // The second one's requests reached the first before this program's ping.
  ASSERT_TRUE(Ping(first));
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_EQ(FindWindowW(nullptr, kTitle), first);

  EXPECT_EQ(Quit(), 0);
}

TEST_F(ProgramE2E, CorvanePostReachesTheProgramByTitleByBroadcastAndByNumber) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const UINT hwKey = RegisterWindowMessageW(u"NMSG_CORVANE_HW_KEY");
  struct Case {
    std::vector<std::string> m_Args;
    int m_nStatus;
    std::string m_strLine;  // what the program prints; empty: nothing to wait for
  };
  const Case cases[] = {
      {{"NMSG_CORVANE_SETVOLUME", "3", "7", "--window", "WND_CORVANE"}, 0, "msg NMSG_CORVANE_SETVOLUME 3 7"},
      {{"NMSG_CORVANE_SETVOLUME", "4", "-5"}, 0, "msg NMSG_CORVANE_SETVOLUME 4 -5"},
      {{std::to_string(hwKey), "9", "0", "--window", "WND_CORVANE"}, 0, "msg NMSG_CORVANE_HW_KEY 9 0"},
      {{"NMSG_CORVANE_SETVOLUME", "1", "1", "--window", "NO_SUCH_WINDOW"}, 1, ""},
      {{"NMSG_CORVANE_SETVOLUME", "one", "1"}, 2, ""},
      {{"NMSG_CORVANE_SETVOLUME", "1"}, 2, ""},
  };
  for (const Case& c : cases) {
    std::string trace;
    for (const std::string& a : c.m_Args) trace += a + " ";
    SCOPED_TRACE(trace);
    Child post;
    std::vector<std::string> args = {CORVANE_POST_PATH};
    args.insert(args.end(), c.m_Args.begin(), c.m_Args.end());
    ASSERT_TRUE(post.Start(args, {}));
    EXPECT_EQ(post.Wait(kReplyMs), c.m_nStatus);
    if (!c.m_strLine.empty()) {
      EXPECT_TRUE(ReadUntil(c.m_strLine, kReplyMs));
    }
  }
  EXPECT_EQ(Quit(), 0);
}

TEST_F(ProgramE2E, TheTaskBarIsHiddenForTheRunAndShownAgainAfter) {
  Child bar;
  ASSERT_TRUE(bar.Start({XPROC_PEER, "window HHTaskBar TaskBarTitle PROGRAM_E2E_BAR"}, {}));
  std::string said;
  ASSERT_TRUE(bar.ReadLine(&said, kReplyMs));
  std::istringstream words(said);
  std::string word;
  uintptr_t handle = 0;
  ASSERT_TRUE(words >> word >> handle);
  const HWND hBar = reinterpret_cast<HWND>(handle);
  ASSERT_TRUE(IsWindowVisible(hBar));

  ASSERT_NO_FATAL_FAILURE(StartProgram());
  EXPECT_FALSE(IsWindowVisible(hBar));
  EXPECT_EQ(Quit(), 0);
  // The program's last request reached the bar before this one's.
  const UINT ping = RegisterWindowMessageW(u"PROGRAM_E2E_BAR");
  ASSERT_TRUE(PostMessageW(hBar, ping, 5, 5));
  std::string line;
  while (bar.ReadLine(&line, kReplyMs) && line != "got PROGRAM_E2E_BAR 5 5") {
  }
  EXPECT_EQ(line, "got PROGRAM_E2E_BAR 5 5");
  EXPECT_TRUE(IsWindowVisible(hBar));
  PostMessageW(hBar, WM_CLOSE, 0, 0);
  EXPECT_EQ(bar.Wait(kReplyMs), 0);
}

TEST_F(ProgramE2E, TheScreenStartsTheNavigationProgramThatTheIniFileNames) {
  // A line end after the path, as an ordinary editor writes it.
  std::ofstream(Root() / "NaviOne.ini", std::ios::binary) << "\\Navi\\Navi.exe\r\n";
  fs::create_directories(Root() / "Navi");
  const fs::path navi = Root() / "Navi" / "Navi.exe";
  std::ofstream(navi) << "#!/bin/sh\nexit 0\n";
  fs::permissions(navi, fs::perms::owner_all);

  ASSERT_NO_FATAL_FAILURE(StartProgram());
  EXPECT_TRUE(WaitForLog("CreateProcess \\Navi\\Navi.exe : process ", kReplyMs));
  EXPECT_EQ(Quit(), 0);
  EXPECT_EQ(Occurrences(ReadText(ErrPath()), "CreateProcess \\Navi\\Navi.exe"), 1u);
}

TEST_F(ProgramE2E, AScreenPictureShowsTheStateTheMessagesBeforeItSet) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  // The logo covers the screen for its first second; the waiting screen shows once it is gone.
  const auto end = Clock::now() + std::chrono::milliseconds(kReplyMs);
  for (bool logo = true; logo;) {
    ASSERT_GT(MsLeft(end), 0) << "the logo stays";
    m_Lines.clear();
    ASSERT_TRUE(m_Program.Write("layers\n"));
    ASSERT_TRUE(ReadUntil("end", kReplyMs));
    logo = std::any_of(m_Lines.begin(), m_Lines.end(), [](const std::string& l) {
      return l.find(" container_vtlogo ") != std::string::npos;
    });
  }
  const fs::path waiting = Root() / "waiting.bmp";
  ASSERT_TRUE(m_Program.Write("screen " + waiting.string() + "\n"));
  ASSERT_TRUE(ReadUntil("screen " + waiting.string(), kReplyMs));

  // A phone attached and linking: the picture is asked for in the same write, so it waits in the
  // queue right behind the messages, before the screen they changed is drawn.
  const fs::path at = Root() / "linking-at.bmp";
  ASSERT_TRUE(m_Program.Write("msg WMMSG_CORVANE_USB_OUT 0 1\nmsg CORVAN_WM_CONNECT_STEP 0 40\nscreen " +
                              at.string() + "\n"));
  ASSERT_TRUE(ReadUntil("screen " + at.string(), kReplyMs));
  // The same screen once the program had time to draw: a round trip, then a second picture.
  m_Lines.clear();
  ASSERT_TRUE(m_Program.Write("layers\n"));
  ASSERT_TRUE(ReadUntil("end", kReplyMs));
  std::string text;
  for (const std::string& l : m_Lines) {
    if (l.find(" USB_LINKING ") != std::string::npos) text = l;
  }
  ASSERT_NE(text.find("40 %\""), std::string::npos) << text;
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  ASSERT_EQ(std::sscanf(text.c_str() + text.find(" USB_LINKING ") + 13, "%*s %d,%d,%d,%d", &left, &top,
                        &right, &bottom),
            4)
      << text;
  const RECT rc = {left, top, right, bottom};
  const fs::path after = Root() / "linking-after.bmp";
  ASSERT_TRUE(m_Program.Write("screen " + after.string() + "\n"));
  ASSERT_TRUE(ReadUntil("screen " + after.string(), kReplyMs));

  // The percentage's area: the linking text in both pictures, not what the waiting screen showed.
  const std::string atArea = BmpArea(at, rc);
  ASSERT_FALSE(atArea.empty());
  EXPECT_TRUE(atArea == BmpArea(after, rc)) << "the picture shows the screen from before the messages";
  EXPECT_FALSE(atArea == BmpArea(waiting, rc));
  EXPECT_EQ(Quit(), 0);
}

// The program with the engine's options against the simulated phone: the same message lines.
class ProgramPhoneE2E : public e2e::EngineE2E {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(EngineE2E::SetUp());
    m_strProgram = CECORVANE_PATH;
    e2e::CopyProgramFiles(m_Dir);
  }
};

TEST_F(ProgramPhoneE2E, LinksWithTheEnginesMessageLinesAndQuitsInOrder) {
  ASSERT_NO_FATAL_FAILURE(StartPhone());
  ASSERT_NO_FATAL_FAILURE(StartEngine());
  ASSERT_TRUE(ReadUntil("msg CORVAN_WM_CONNECT_STEP 0 100", 30000));
  ASSERT_TRUE(Seen("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0") ||
              ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 15000));
  std::vector<std::string> steps;
  for (const std::string& l : LinesStartingWith("msg CORVAN_WM_CONNECT_STEP ")) steps.push_back(l.substr(27));
  EXPECT_EQ(steps, (std::vector<std::string>{"0 10", "0 20", "0 30", "0 40", "0 50", "0 60", "0 70", "0 80",
                                             "0 90", "0 100"}));
  EXPECT_EQ(m_Lines.front(), "msg WMMSG_CORVANE_USB_OUT 0 1");
  EXPECT_EQ(Quit(), 0);
  EXPECT_TRUE(fs::exists(m_Dir / "Connect.log"));
}

}  // namespace
