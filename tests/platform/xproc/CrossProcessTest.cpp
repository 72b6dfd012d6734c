// The head unit's programs on one bus: named mutexes, registered message numbers, top-level
// windows, posts and broadcasts, and CreateProcessW, between this test and real peer programs.
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/user.h"
#include "platform/user/DesktopDriver.h"
#include "platform/user/UserHooks.h"
#include "tests/app/EngineE2E.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::Child;

const int kReplyMs = 10000;

std::string MakeRoot(const char* tag) {
  std::string pattern = (fs::temp_directory_path() / (std::string("xproc-") + tag + "-XXXXXX")).string();
  return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

// The bus is chosen at a process's first use, so the test program joins it before any test runs,
// under a root of its own: test programs running side by side never meet.
class BusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    m_root = MakeRoot("root");
    setenv("CORVANE_ROOT", m_root.c_str(), 1);
    setenv("CORVANE_BUS", "shared", 1);
    Child::SetErrDir(m_root);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
  }

 private:
  std::string m_root;
};
const ::testing::Environment* const kBus = ::testing::AddGlobalTestEnvironment(new BusEnvironment());

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// Starts a peer and reads its first line.
std::vector<std::string> StartPeer(Child* peer, const std::string& command,
                                   const std::vector<std::string>& env = {}) {
  std::string line;
  if (!peer->Start({XPROC_PEER, command}, env) || !peer->ReadLine(&line, kReplyMs)) return {};
  return Words(line);
}

HWND HandleOf(const std::string& word) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::stoull(word)));
}

LRESULT HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A top-level window of this program, so that the other programs' broadcasts have a receiver.
HWND MakeHostWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &HostProc;
  wc.lpszClassName = u"XprocHost";
  RegisterClassW(&wc);
  return CreateWindowExW(0, u"XprocHost", u"Host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                         nullptr);
}

// The next message `msg` of this thread's queue; false when none came within ms.
bool WaitForMessage(UINT msg, MSG* out, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == msg) {
        *out = m;
        return true;
      }
      DispatchMessageW(&m);
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
  }
}

// The peer's next line that reports a message, past its own start-up broadcast.
bool ReadGot(Child* peer, std::string* line) {
  while (peer->ReadLine(line, kReplyMs)) {
    if (line->rfind("got ", 0) == 0 && line->rfind("got XPROC_READY ", 0) != 0) return true;
  }
  return false;
}

TEST(CrossProcess, NamedMutexIsSeenByTheOtherInstance) {
  // The first instance is the peer: this program is the second.
  Child first;
  ASSERT_EQ(StartPeer(&first, "mutex XPROC_MUTEX_A"), (std::vector<std::string>{"mutex", "0"}));
  HANDLE second = CreateMutexW(nullptr, TRUE, u"XPROC_MUTEX_A");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(second);
  ASSERT_TRUE(first.Write("quit\n"));
  ASSERT_EQ(first.Wait(kReplyMs), 0);
  // The first instance has ended: the name is free again.
  HANDLE again = CreateMutexW(nullptr, TRUE, u"XPROC_MUTEX_A");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

  // Now this program is the first instance and the peer the second.
  Child later;
  EXPECT_EQ(StartPeer(&later, "mutex XPROC_MUTEX_A"), (std::vector<std::string>{"mutex", "183"}));
  ASSERT_TRUE(later.Write("quit\n"));
  EXPECT_EQ(later.Wait(kReplyMs), 0);
  CloseHandle(again);
}

TEST(CrossProcess, RegisteredNumbersAreTheSameInEveryProgram) {
  // This program registers other names first, so numbering by order alone would differ.
  const UINT onlyHere = RegisterWindowMessageW(u"XPROC_ONLY_HERE");
  Child peer;
  const std::vector<std::string> said =
      StartPeer(&peer, "window XprocPeer PeerTitle XPROC_READY xproc_lower");
  ASSERT_EQ(said.size(), 4u);
  EXPECT_EQ(static_cast<UINT>(std::stoul(said[2])), RegisterWindowMessageW(u"XPROC_READY"));
  EXPECT_EQ(static_cast<UINT>(std::stoul(said[3])), RegisterWindowMessageW(u"XPROC_LOWER"));
  EXPECT_NE(onlyHere, RegisterWindowMessageW(u"XPROC_READY"));
  // The first registration's spelling, whichever program made it.
  EXPECT_EQ(wce::GetRegisteredMessageName(static_cast<UINT>(std::stoul(said[3]))), u"xproc_lower");
  ASSERT_TRUE(PostMessageW(HandleOf(said[1]), WM_CLOSE, 0, 0));
  EXPECT_EQ(peer.Wait(kReplyMs), 0);
}

TEST(CrossProcess, FindWindowFindsAnotherProgramsWindowByClassOrTitle) {
  Child peer;
  const std::vector<std::string> said =
      StartPeer(&peer, "window HHTaskBar TaskBarTitle XPROC_READY XPROC_SHARED");
  ASSERT_EQ(said.size(), 4u);
  const HWND bar = HandleOf(said[1]);
  struct Case {
    const char16_t* className;
    const char16_t* title;
    HWND expected;
  };
  const Case cases[] = {
      {u"HHTaskBar", nullptr, bar},      {u"hhtaskbar", nullptr, bar},
      {nullptr, u"TaskBarTitle", bar},   {u"HHTaskBar", u"TaskBarTitle", bar},
      {u"HHTaskBar", u"Other", nullptr}, {u"NoSuchClass", nullptr, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(FindWindowW(c.className, c.title), c.expected);

  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(bar, &pid), 0u);
  EXPECT_EQ(pid, static_cast<DWORD>(peer.Pid()));
  EXPECT_TRUE(IsWindow(bar));
  EXPECT_TRUE(IsWindowVisible(bar));

  // Hidden by its owner at this program's request; the post behind it is handled after the hide.
  EXPECT_TRUE(ShowWindow(bar, SW_HIDE));
  const UINT shared = RegisterWindowMessageW(u"XPROC_SHARED");
  ASSERT_TRUE(PostMessageW(bar, shared, 0, 0));
  std::string line;
  ASSERT_TRUE(ReadGot(&peer, &line));
  EXPECT_EQ(line, "got XPROC_SHARED 0 0");
  EXPECT_FALSE(IsWindowVisible(bar));

  ASSERT_TRUE(PostMessageW(bar, WM_CLOSE, 0, 0));
  EXPECT_EQ(peer.Wait(kReplyMs), 0);
}

// A walk over the top-level windows from GW_HWNDLAST or GW_HWNDFIRST passes the other programs'
// windows too (this program's lie above them), as a program that looks for the window of a
// process it started walks them.
TEST(CrossProcess, TheWindowWalkPassesEveryProgramsTopLevelWindows) {
  const HWND host = MakeHostWindow();
  ASSERT_NE(host, nullptr);
  Child peer;
  const std::vector<std::string> said = StartPeer(&peer, "window XprocWalk WalkTitle XPROC_READY");
  ASSERT_EQ(said.size(), 3u);
  const HWND other = HandleOf(said[1]);
  auto WalkDown = [](HWND from) {
    std::vector<HWND> order;
    for (HWND h = GetWindow(from, GW_HWNDFIRST); h != nullptr && order.size() < 100;
         h = GetWindow(h, GW_HWNDNEXT))
      order.push_back(h);
    return order;
  };
  auto WalkUp = [](HWND from) {
    std::vector<HWND> order;
    for (HWND h = GetWindow(from, GW_HWNDLAST); h != nullptr && order.size() < 100;
         h = GetWindow(h, GW_HWNDPREV))
      order.insert(order.begin(), h);
    return order;
  };
  const std::vector<HWND> both{host, other};
  EXPECT_EQ(WalkDown(host), both);
  EXPECT_EQ(WalkUp(host), both);
  EXPECT_EQ(WalkDown(other), both);
  EXPECT_EQ(WalkUp(other), both);
  DWORD pid = 0;
  GetWindowThreadProcessId(GetWindow(host, GW_HWNDLAST), &pid);
  EXPECT_EQ(pid, static_cast<DWORD>(peer.Pid()));
  EXPECT_EQ(GetWindow(other, GW_CHILD), nullptr);
  EXPECT_EQ(GetWindow(other, GW_OWNER), nullptr);

  ASSERT_TRUE(PostMessageW(other, WM_CLOSE, 0, 0));
  EXPECT_EQ(peer.Wait(kReplyMs), 0);
  // A program that ended is passed no more.
  EXPECT_EQ(WalkDown(host), std::vector<HWND>{host});
  EXPECT_EQ(GetWindow(other, GW_HWNDFIRST), nullptr);
  DestroyWindow(host);
}

TEST(CrossProcess, PostsAndBroadcastsReachTheOtherProgramsWindows) {
  const HWND host = MakeHostWindow();
  ASSERT_NE(host, nullptr);
  const UINT ready = RegisterWindowMessageW(u"XPROC_READY");
  const UINT shared = RegisterWindowMessageW(u"XPROC_SHARED");
  Child peer;
  const std::vector<std::string> said =
      StartPeer(&peer, "window XprocPeer PeerTitle XPROC_READY XPROC_SHARED");
  ASSERT_EQ(said.size(), 4u);
  const HWND other = HandleOf(said[1]);

  // The peer's broadcast reached this program's window.
  MSG m;
  ASSERT_TRUE(WaitForMessage(ready, &m, kReplyMs));
  EXPECT_EQ(m.hwnd, host);
  EXPECT_EQ(m.wParam, 1u);
  EXPECT_EQ(m.lParam, static_cast<LPARAM>(peer.Pid()));

  struct Case {
    HWND to;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    const char* peerSays;
  };
  const Case cases[] = {
      {other, shared, 7, 8, "got XPROC_SHARED 7 8"},
      {other, 0x101E, 1, 0, "got 4126 1 0"},
      {HWND_BROADCAST, shared, 9, 10, "got XPROC_SHARED 9 10"},
      {other, WM_COMMAND, 1, 0, "got 273 1 0"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(PostMessageW(c.to, c.msg, c.wParam, c.lParam));
    std::string line;
    ASSERT_TRUE(ReadGot(&peer, &line));
    EXPECT_EQ(line, c.peerSays);
  }
  // The broadcast reached this program's window too.
  ASSERT_TRUE(WaitForMessage(shared, &m, kReplyMs));
  EXPECT_EQ(m.hwnd, host);
  EXPECT_EQ(m.wParam, 9u);

  // A message whose parameter may be an address does not cross.
  SetLastError(0);
  EXPECT_FALSE(PostMessageW(other, WM_TIMER, 1, reinterpret_cast<LPARAM>(&HostProc)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  ASSERT_TRUE(PostMessageW(other, WM_CLOSE, 0, 0));
  EXPECT_EQ(peer.Wait(kReplyMs), 0);
  DestroyWindow(host);
}

// A handle is a pointer-sized word, 32 bits on the head unit, and names its program there whatever
// the program's process id: the peer's id is above 255, so one byte of it would not do.
TEST(CrossProcess, AHandleNamesItsProgramWithinThirtyTwoBitsWhateverItsProcessId) {
  const HWND host = MakeHostWindow();
  ASSERT_NE(host, nullptr);
  Child peer;
  const std::vector<std::string> said = StartPeer(&peer, "window XprocWide WideTitle XPROC_READY");
  ASSERT_EQ(said.size(), 3u);
  ASSERT_GT(peer.Pid(), 255);
  const HWND other = HandleOf(said[1]);
  for (HWND h : {host, other}) EXPECT_LE(reinterpret_cast<uintptr_t>(h), uintptr_t{0xFFFFFFFF});
  EXPECT_NE(host, other);
  EXPECT_TRUE(IsWindow(host));
  EXPECT_TRUE(IsWindow(other));
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(other, &pid), static_cast<DWORD>(peer.Pid()));
  EXPECT_EQ(pid, static_cast<DWORD>(peer.Pid()));
  EXPECT_NE(GetWindowThreadProcessId(host, &pid), 0u);
  EXPECT_EQ(pid, static_cast<DWORD>(getpid()));

  // A program whose id no 24 or 8 bits hold (Linux stops at 2^22; other systems need not): the
  // handle's slot still leads to it. Slot 255 is the last one a program takes on this bus.
  const fs::path slots = fs::path(wce::GetBusDir()) / "slots";
  std::ofstream(slots / "255") << (1u << 24) + 5;
  EXPECT_EQ(ProcessOfHandle(reinterpret_cast<HWND>(uintptr_t{0xFF010000})), (1u << 24) + 5);
  fs::remove(slots / "255");

  ASSERT_TRUE(PostMessageW(other, WM_CLOSE, 0, 0));
  EXPECT_EQ(peer.Wait(kReplyMs), 0);
  DestroyWindow(host);
}

TEST(CrossProcess, ProgramsWithOtherRootsStayApart) {
  const std::string otherRoot = MakeRoot("other");
  Child peer;
  const std::vector<std::string> said =
      StartPeer(&peer, "window XprocApart ApartTitle XPROC_READY", {"CORVANE_ROOT=" + otherRoot});
  ASSERT_EQ(said.size(), 3u);
  EXPECT_EQ(FindWindowW(u"XprocApart", nullptr), nullptr);
  EXPECT_FALSE(IsWindow(HandleOf(said[1])));
  peer.Kill();
  std::error_code ignored;
  fs::remove_all(otherRoot, ignored);
}

class LogLines {
 public:
  LogLines() {
    wce::SetDebugSink([this](const std::string& line) {
      std::lock_guard<std::mutex> lock(m_lock);
      m_lines.push_back(line);
    });
  }
  ~LogLines() { wce::SetDebugSink(nullptr); }
  bool Has(const std::string& part) {
    std::lock_guard<std::mutex> lock(m_lock);
    for (const std::string& l : m_lines) {
      if (l.find(part) != std::string::npos) return true;
    }
    return false;
  }

 private:
  std::mutex m_lock;
  std::vector<std::string> m_lines;
};

// The peer program as \Navi\<name> under the root, where CreateProcessW finds that CE path.
void PlacePeer(const char* name) {
  const fs::path dir = fs::path(wce::GetRootDir()) / "Navi";
  fs::create_directories(dir);
  fs::copy_file(XPROC_PEER, dir / name, fs::copy_options::overwrite_existing);
}

TEST(CrossProcess, CreateProcessRunsAProgramUnderTheRootAndLogsIt) {
  PlacePeer("Navi.exe");
  const HWND host = MakeHostWindow();
  ASSERT_NE(host, nullptr);
  const UINT ready = RegisterWindowMessageW(u"XPROC_READY");
  LogLines log;

  struct Case {
    const char16_t* app;
    const char16_t* commandLine;
    const char16_t* title;
  };
  const Case cases[] = {
      {u"\\Navi\\Navi.exe", u"window XprocNavi NaviTitle XPROC_READY", u"NaviTitle"},
      {nullptr, u"\\Navi\\Navi.exe window XprocNavi2 NaviTitle2 XPROC_READY", u"NaviTitle2"},
  };
  for (const Case& c : cases) {
    std::u16string commandLine = c.commandLine;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(c.app, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                               nullptr, nullptr, nullptr, &pi));
    MSG m;
    ASSERT_TRUE(WaitForMessage(ready, &m, kReplyMs));
    EXPECT_EQ(m.lParam, static_cast<LPARAM>(pi.dwProcessId));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    const HWND navi = FindWindowW(nullptr, c.title);
    DWORD pid = 0;
    GetWindowThreadProcessId(navi, &pid);
    EXPECT_EQ(pid, pi.dwProcessId);
    ASSERT_TRUE(PostMessageW(navi, WM_CLOSE, 0, 0));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, kReplyMs), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_TRUE(log.Has("CreateProcess \\Navi\\Navi.exe"));
  }

  // A program that is not there fails as on the head unit, and the attempt is logged too.
  std::u16string none = u"";
  PROCESS_INFORMATION pi{};
  EXPECT_FALSE(CreateProcessW(u"\\Navi\\Missing.exe", none.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, nullptr, &pi));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(log.Has("CreateProcess \\Navi\\Missing.exe: no such program"));
  DestroyWindow(host);
}

// The start hook runs on the starting thread before CreateProcessW returns: a test holds the
// starter there until the new program has its window, then finds that window at once.
TEST(CrossProcess, TheStartHookHoldsTheStarterUntilTheNewProgramIsReady) {
  PlacePeer("Held.exe");
  const HWND host = MakeHostWindow();
  ASSERT_NE(host, nullptr);
  const UINT ready = RegisterWindowMessageW(u"XPROC_READY");
  std::vector<DWORD> started;
  bool bReady = false;
  wce::SetProcessStartHook([&](DWORD pid) {
    started.push_back(pid);
    MSG m;
    bReady = WaitForMessage(ready, &m, kReplyMs) && m.lParam == static_cast<LPARAM>(pid);
  });
  std::u16string commandLine = u"window XprocHeld HeldTitle XPROC_READY";
  PROCESS_INFORMATION pi{};
  const BOOL bStarted = CreateProcessW(u"\\Navi\\Held.exe", commandLine.data(), nullptr, nullptr, FALSE, 0,
                                       nullptr, nullptr, nullptr, &pi);
  const HWND held = FindWindowW(nullptr, u"HeldTitle");
  // A program that does not start calls no hook.
  std::u16string none = u"";
  EXPECT_FALSE(CreateProcessW(u"\\Navi\\Missing.exe", none.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, nullptr, nullptr));
  wce::SetProcessStartHook(nullptr);
  ASSERT_TRUE(bStarted);
  EXPECT_EQ(started, std::vector<DWORD>{pi.dwProcessId});
  EXPECT_TRUE(bReady);
  ASSERT_NE(held, nullptr);
  ASSERT_TRUE(PostMessageW(held, WM_CLOSE, 0, 0));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, kReplyMs), WAIT_OBJECT_0);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  DestroyWindow(host);
}

}  // namespace
