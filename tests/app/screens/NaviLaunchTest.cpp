// The navigation program that "NaviOne.ini" names, started by the connection-state screen when it
// opens: a program of its own on the bus (the stand-in), whose window is found among the head
// unit's windows by its process and raised at once, then raised again by the screen three times,
// 1800 ms apart on the test's clock. What the navigation program's window took is the truth.
//
// The bus is this process's for its whole life from the first window on, and the fixture's root
// moves with each test: the program holds this one test.
#include "tests/app/screens/ScreenFixture.h"

#include "app/AppStartup.h"
#include "app/CMainDlg.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/user.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const int kReplyMs = 10000;

// The root the process starts with, until the fixture gives the test its own (plain storage:
// it is written before any object of the program is constructed).
char g_startRoot[256];

// The bus is chosen at the process's first window or registered message, and the program's
// static initialisers register its messages before main runs: the process joins the bus, under a
// root of its own, before any of them.
__attribute__((constructor(101))) void JoinTheBus() {
  const char* tmp = std::getenv("TMPDIR");
  std::snprintf(g_startRoot, sizeof g_startRoot, "%s/navi-bus-XXXXXX", tmp != nullptr ? tmp : "/tmp");
  if (mkdtemp(g_startRoot) == nullptr) {
    g_startRoot[0] = 0;
    return;
  }
  setenv("CORVANE_ROOT", g_startRoot, 1);
  setenv("CORVANE_BUS", "shared", 1);
}

class BusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_NE(g_startRoot[0], 0); }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(g_startRoot, ignored);
  }
};
const ::testing::Environment* const kBus = ::testing::AddGlobalTestEnvironment(new BusEnvironment());

// The lines the stand-in writes to the pipe it inherits: the read end stays with the test, the
// write end goes to the next program started and is closed here once it has.
class CNaviReports {
 public:
  ~CNaviReports() {
    CloseWriteEnd();
    if (m_nRead >= 0) close(m_nRead);
  }
  bool Open() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    m_nRead = fds[0];
    m_nWrite = fds[1];
    // Only the write end crosses into the program started next.
    fcntl(m_nWrite, F_SETFD, 0);
    setenv("NAVI_STANDIN_FD", std::to_string(m_nWrite).c_str(), 1);
    return true;
  }
  // After this the pipe ends with the stand-in.
  void CloseWriteEnd() {
    if (m_nWrite >= 0) close(m_nWrite);
    m_nWrite = -1;
  }
  // The next line, or false at the pipe's end or after ms milliseconds.
  bool ReadLine(std::string* line, int ms) {
    for (;;) {
      const size_t end = m_strBuffer.find('\n');
      if (end != std::string::npos) {
        *line = m_strBuffer.substr(0, end);
        m_strBuffer.erase(0, end + 1);
        return true;
      }
      pollfd p{m_nRead, POLLIN, 0};
      const int ready = poll(&p, 1, ms);
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return false;
      char chunk[256];
      const ssize_t n = read(m_nRead, chunk, sizeof chunk);
      if (n <= 0) return false;
      m_strBuffer.append(chunk, static_cast<size_t>(n));
    }
  }

 private:
  int m_nRead = -1;
  int m_nWrite = -1;
  std::string m_strBuffer;
};

class NaviLaunchTest : public ScreenFixture {
 protected:
  void TearDown() override {
    wce::SetProcessStartHook(nullptr);
    // A test that failed half-way leaves no navigation program behind.
    if (m_dwNavi != 0 && !m_bNaviEnded) kill(static_cast<pid_t>(m_dwNavi), SIGKILL);
    unsetenv("NAVI_STANDIN_FD");
    ScreenFixture::TearDown();
  }

  DWORD m_dwNavi = 0;         // the started navigation program
  bool m_bNaviEnded = false;  // its pipe ended: it is gone
};

TEST_F(NaviLaunchTest, TheScreenStartsTheNavigationProgramAndRaisesItsWindowThreeTimesMore) {
  // "\Navi\Navi.exe" is relative to the first folder of the program's directory, \SDMMC.
  fs::create_directories(wce::HostPath(u"\\SDMMC\\Navi"));
  fs::copy_file(NAVI_STANDIN, wce::HostPath(u"\\SDMMC\\Navi\\Navi.exe"),
                fs::copy_options::overwrite_existing);
  std::ofstream(wce::HostPath(u"\\SDMMC\\CECorvane\\NaviOne.ini"), std::ios::binary) << "\\Navi\\Navi.exe";
  // The started program finds the same root, and so the same bus, as this one.
  setenv("CORVANE_ROOT", m_strRoot.c_str(), 1);
  CNaviReports reports;
  ASSERT_TRUE(reports.Open());
  // The screen looks for the program's window as soon as the program has started: the starter is
  // held until the window is on the bus.
  DWORD& dwStarted = m_dwNavi;
  std::string windowLine;
  wce::SetProcessStartHook([&](DWORD pid) {
    dwStarted = pid;
    reports.CloseWriteEnd();
    reports.ReadLine(&windowLine, kReplyMs);
  });

  CMainDlg* pDlg = Create<CMainDlg>(u"CMainDlg");
  ASSERT_NE(pDlg, nullptr);
  RunModal(pDlg, [&] {
    ASSERT_NE(dwStarted, 0u);
    ASSERT_EQ(windowLine.rfind("window ", 0), 0u) << windowLine;
    const HWND hNavi = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::stoull(windowLine.substr(7))));
    DWORD dwOwner = 0;
    GetWindowThreadProcessId(hNavi, &dwOwner);
    EXPECT_EQ(dwOwner, dwStarted);
    EXPECT_EQ(FindProcessWindow(Hwnd(), dwStarted), hNavi);

    // Brought to the front as it was found.
    std::string line;
    ASSERT_TRUE(reports.ReadLine(&line, kReplyMs));
    EXPECT_EQ(line, "got 6 1 0");

    const char kRaised[] = "SetWndToForground NOTOPMOST";
    Advance(1799);
    EXPECT_EQ(CountLogLines(kRaised), 0);
    for (int i = 1; i <= 3; ++i) {
      Advance(i == 1 ? 1 : 1800);
      EXPECT_EQ(CountLogLines(kRaised), i);
      ASSERT_TRUE(reports.ReadLine(&line, kReplyMs)) << "raise " << i;
      EXPECT_EQ(line, "got 6 1 0") << "raise " << i;
    }
    // The third raise was the last.
    Advance(1800);
    Advance(1800);
    EXPECT_EQ(CountLogLines(kRaised), 3);

    // Posts from one program to another keep their order: nothing came between the raises and
    // the close.
    ASSERT_TRUE(PostMessageW(hNavi, WM_CLOSE, 0, 0));
    ASSERT_TRUE(reports.ReadLine(&line, kReplyMs));
    EXPECT_EQ(line, "got 16 0 0");
    m_bNaviEnded = !reports.ReadLine(&line, kReplyMs);
    EXPECT_TRUE(m_bNaviEnded) << line;
  });
}

}  // namespace
