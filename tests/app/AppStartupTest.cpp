// The program's start: the resource pack per screen, the "hide" word, the navigation path from
// "NaviOne.ini", the OEM value, the task bar, and the order of WinMain's steps.
#include "app/AppStartup.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"
#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "services/CorvaneConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A fresh root of its own for the files, the registry and the windows of each test.
class AppStartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "appstartup-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
    wce::SetRootDir(m_root.string());
    wce::ResetRegistry();
    wce::ResetUser();
    ResetCorvaneConfig();
    corvane::ResetAppStartup();
    wce::SetDebugSink([this](const std::string& line) { m_log.push_back(line); });
  }
  void TearDown() override {
    wce::SetDebugSink(nullptr);
    wce::ResetUser();
    wce::ResetRegistry();
    wce::ResetFileSystemView();
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
  }

  void WriteHostFile(const std::string& cePath, const std::string& bytes) {
    fs::path host = wce::HostPath(WceUtf8ToWide(cePath));
    fs::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << bytes;
  }

  bool Logged(const std::string& text) const {
    for (const std::string& line : m_log) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  fs::path m_root;
  std::vector<std::string> m_log;
};

TEST(AppResPack, ChosenByDepthAndExactScreenSize) {
  struct Case {
    int bits, width, height;
    const char16_t* wnd;
    const char16_t* res;
    const char16_t* lang;
  };
  const Case cases[] = {
      {16, 1024, 600, u"cecorvane_16_xxh.pack\\wnd", u"cecorvane_16_xxh.pack\\res",
       u"cecorvane_16_xxh.pack\\language\\ChineseGB.ini"},
      {16, 800, 480, u"cecorvane_16_res.pack\\wnd", u"cecorvane_16_res.pack\\res",
       u"cecorvane_16_res.pack\\language\\ChineseGB.ini"},
      {16, 1024, 768, u"cecorvane_16_res.pack\\wnd", u"cecorvane_16_res.pack\\res",
       u"cecorvane_16_res.pack\\language\\ChineseGB.ini"},
      {16, 600, 1024, u"cecorvane_16_res.pack\\wnd", u"cecorvane_16_res.pack\\res",
       u"cecorvane_16_res.pack\\language\\ChineseGB.ini"},
      {24, 1024, 600, u"cecorvane_xxh.pack\\wnd", u"cecorvane_xxh.pack\\res",
       u"cecorvane_xxh.pack\\language\\ChineseGB.ini"},
      {32, 1024, 600, u"cecorvane_xxh.pack\\wnd", u"cecorvane_xxh.pack\\res",
       u"cecorvane_xxh.pack\\language\\ChineseGB.ini"},
      {32, 1024, 768, u"corvane_res.pack\\wnd", u"corvane_res.pack\\res",
       u"corvane_res.pack\\language\\ChineseGB.ini"},
      {32, 800, 480, u"corvane_res.pack\\wnd", u"corvane_res.pack\\res",
       u"corvane_res.pack\\language\\ChineseGB.ini"},
      {8, 1024, 600, u"cecorvane_xxh.pack\\wnd", u"cecorvane_xxh.pack\\res",
       u"cecorvane_xxh.pack\\language\\ChineseGB.ini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits " + std::to_string(c.width) + "x" +
                 std::to_string(c.height));
    const AppResPack& pack = ChooseResPack(c.bits, c.width, c.height);
    EXPECT_EQ(std::u16string(pack.pWndDir), c.wnd);
    EXPECT_EQ(std::u16string(pack.pResDir), c.res);
    EXPECT_EQ(std::u16string(pack.pLangFile), c.lang);
  }
}

TEST(AppCommandLine, HideIsACaseSensitiveSubstring) {
  const struct {
    const char16_t* line;
    BOOL hide;
  } cases[] = {{u"-hide", TRUE}, {u"hide", TRUE},   {u"xhidex", TRUE}, {u"a b hide", TRUE}, {u"Hide", FALSE},
               {u"HIDE", FALSE}, {u"hid e", FALSE}, {u"", FALSE},      {nullptr, FALSE}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsHideCommandLine(c.line), c.hide) << (c.line ? WceWideToUtf8(c.line) : std::string("(null)"));
  }
}

TEST_F(AppStartupTest, NaviPathFromTheIniFile) {
  // 导航 in the head unit's ANSI code page (GBK).
  const std::string kGbkNavi = "\xB5\xBC\xBA\xBD";
  const std::string kLongName(380, 'n');
  struct Case {
    const char* program;  // the program's CE path
    bool present;         // whether "NaviOne.ini" exists
    std::string bytes;
    std::u16string path;  // empty: no path
  };
  const Case cases[] = {
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "\\Navi\\Navi.exe", u"\\SDMMC\\Navi\\Navi.exe"},
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "Navi\\Navi.exe", u"\\SDMMC\\Navi\\Navi.exe"},
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "\\Navi\\Navi.exe\r\n", u"\\SDMMC\\Navi\\Navi.exe"},
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "Navi\\Navi.exe\n", u"\\SDMMC\\Navi\\Navi.exe"},
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "\\Navi\\Navi.exe\r\n\r\n\r", u"\\SDMMC\\Navi\\Navi.exe"},
      // An odd number of bytes: the last one is part of the path.
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "\\Navi\\Nav.exe", u"\\SDMMC\\Navi\\Nav.exe"},
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "\\Navi\\A.exe\0junk"s, u"\\SDMMC\\Navi\\A.exe"},
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "\\" + kGbkNavi + "\\Navi.exe", u"\\SDMMC\\导航\\Navi.exe"},
      // Far longer than a fixed buffer of the path's share would hold.
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "\\" + kLongName + ".exe",
       u"\\SDMMC\\" + WceUtf8ToWide(kLongName) + u".exe"},
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "", u""},
      {"\\SDMMC\\CECorvane\\CECorvane.exe", true, "\r\n", u""},
      {"\\SDMMC\\CECorvane\\CECorvane.exe", false, "", u""},
      // A program in the root: no first component to keep.
      {"\\CECorvane.exe", true, "\\Navi\\Navi.exe", u"\\Navi\\Navi.exe"},
      {"\\CECorvane.exe", true, "Navi\\Navi.exe\r\n", u"\\Navi\\Navi.exe"},
      {"\\Storage Card\\Apps\\Corvane\\CECorvane.exe", true, "Navi\\Navi.exe",
       u"\\Storage Card\\Navi\\Navi.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " <" + c.bytes + ">");
    wce::SetModuleFileName(WceUtf8ToWide(c.program));
    const std::u16string dir = wce::ProgramDirectory();
    fs::remove(wce::HostPath(dir + u"NaviOne.ini"));
    if (c.present) WriteHostFile(WceWideToUtf8(dir) + "NaviOne.ini", c.bytes);
    std::u16string path = u"stale";
    EXPECT_EQ(GetNaviPath(&path), c.path.empty() ? FALSE : TRUE);
    EXPECT_EQ(path, c.path);
  }
}

TEST_F(AppStartupTest, LaunchNaviRunsTheProgramTheFileNamesAndLogsIt) {
  wce::SetModuleFileName(u"\\SDMMC\\CECorvane\\CECorvane.exe");
  // Missing file and a file naming no program: nothing starts.
  EXPECT_EQ(LaunchNavi(nullptr), nullptr);
  WriteHostFile("\\SDMMC\\CECorvane\\NaviOne.ini", "\\Navi\\Navi.exe\r\n");
  EXPECT_EQ(LaunchNavi(nullptr), nullptr);
  EXPECT_TRUE(Logged("CreateProcess \\SDMMC\\Navi\\Navi.exe: no such program"));
  // A program that ends at once, so it has no window to raise.
  WriteHostFile("\\SDMMC\\Navi\\Navi.exe", "#!/bin/sh\nexit 0\n");
  fs::permissions(wce::HostPath(u"\\SDMMC\\Navi\\Navi.exe"), fs::perms::owner_all);
  EXPECT_EQ(LaunchNavi(nullptr), nullptr);
  EXPECT_TRUE(Logged("CreateProcess \\SDMMC\\Navi\\Navi.exe : process "));
}

TEST_F(AppStartupTest, OemValueIsStoredWithItsTerminator) {
  WriteOemAppValue();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"OEM", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  BYTE data[64] = {};
  DWORD type = 0;
  DWORD size = sizeof(data);
  ASSERT_EQ(RegQueryValueExW(key, u"App", nullptr, &type, data, &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  const BYTE expected[] = {'Q', 0, 'X', 0, '_', 0, 'V', 0, 'T', 0, 0, 0};
  ASSERT_EQ(size, sizeof(expected));
  EXPECT_EQ(std::vector<BYTE>(data, data + size), std::vector<BYTE>(expected, expected + sizeof(expected)));
}

TEST_F(AppStartupTest, FirstStartIsMarkedOnce) {
  MarkFirstStart();
  EXPECT_TRUE(Logged("First Start Corvane"));
  m_log.clear();
  MarkFirstStart();
  EXPECT_FALSE(Logged("First Start Corvane"));
}

LRESULT PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeWindow(const char16_t* cls, const char16_t* title, bool shown) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &PlainProc;
  wc.lpszClassName = cls;
  RegisterClassW(&wc);
  return CreateWindowExW(0, cls, title, WS_POPUP | (shown ? WS_VISIBLE : 0), 0, 0, 10, 10, nullptr, nullptr,
                         nullptr, nullptr);
}

TEST_F(AppStartupTest, TaskBarIsHiddenAndPutBackAsItWasFound) {
  const struct {
    bool present;
    bool shownAtStart;
  } cases[] = {{true, true}, {true, false}, {false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.present ? "bar " : "no bar ") + (c.shownAtStart ? "shown" : "hidden"));
    wce::ResetUser();
    corvane::ResetAppStartup();
    HWND bar = c.present ? MakeWindow(u"HHTaskBar", u"", c.shownAtStart) : nullptr;
    HideTaskBar();
    if (bar != nullptr) {
      EXPECT_FALSE(IsWindowVisible(bar));
      // Someone shows it meanwhile: the end puts back what the start found.
      ShowWindow(bar, SW_SHOW);
    }
    RestoreTaskBar();
    if (bar != nullptr) {
      EXPECT_EQ(IsWindowVisible(bar) != FALSE, c.shownAtStart);
    }
  }
}

TEST_F(AppStartupTest, SecondInstanceRaisesTheFirstWindowByTitle) {
  HWND other = MakeWindow(u"OtherClass", u"Other", true);
  HWND first = MakeWindow(u"WceUiWnd", u"WND_CORVANE", false);
  BOOL bOther = FALSE;
  HANDLE mine = OpenInstanceMutex(u"CUI_MAIN_VT_CORVANE_MUTEX", &bOther);
  ASSERT_NE(mine, nullptr);
  EXPECT_FALSE(bOther);
  HANDLE second = OpenInstanceMutex(u"CUI_MAIN_VT_CORVANE_MUTEX", &bOther);
  EXPECT_TRUE(bOther);
  CloseHandle(second);

  RaiseFirstInstance(u"WND_CORVANE");
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_EQ(GetForegroundWindow(), first);
  MSG msg;
  bool activated = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    activated = activated || (msg.hwnd == first && msg.message == WM_ACTIVATE && msg.wParam == WA_ACTIVE);
    DispatchMessageW(&msg);
  }
  EXPECT_TRUE(activated);
  EXPECT_TRUE(IsWindowVisible(other));
  // No window of that title: nothing happens.
  RaiseFirstInstance(u"NoSuchTitle");
  CloseHandle(mine);
}

// Every step of WinMain writes one line into the log; the second instance's screen and class are
// never asked for.
struct RecordedStart {
  std::vector<std::string> log;
  BOOL otherInstance = FALSE;
  int bits = 32;
  int width = 800;
  int height = 480;

  AppStartupSteps Steps() {
    AppStartupSteps s;
    s.loadConfiguration = [this] { log.push_back("loadConfiguration"); };
    s.writeOemAppValue = [this] { log.push_back("writeOemAppValue"); };
    s.markFirstStart = [this] { log.push_back("markFirstStart"); };
    s.openInstanceMutex = [this](LPCWSTR name, BOOL* other) {
      log.push_back("openInstanceMutex " + WceWideToUtf8(name));
      *other = otherInstance;
      return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234));
    };
    s.raiseFirstInstance = [this](LPCWSTR title) {
      log.push_back("raiseFirstInstance " + WceWideToUtf8(title));
    };
    s.screenBitsPixel = [this] {
      log.push_back("screenBitsPixel");
      return bits;
    };
    s.registerDriver = [this] { log.push_back("registerDriver"); };
    s.screenWidth = [this] {
      log.push_back("screenWidth");
      return width;
    };
    s.screenHeight = [this] {
      log.push_back("screenHeight");
      return height;
    };
    s.setPackPassword = [this](LPCWSTR password) {
      log.push_back("setPackPassword " + WceWideToUtf8(password));
    };
    s.uiInit = [this](HINSTANCE, const AppResPack& pack) {
      log.push_back("uiInit " + WceWideToUtf8(pack.pWndDir) + " " + WceWideToUtf8(pack.pResDir) + " " +
                    WceWideToUtf8(pack.pLangFile));
    };
    s.hideTaskBar = [this] { log.push_back("hideTaskBar"); };
    s.setWndClassName = [this](LPCWSTR name) { log.push_back("setWndClassName " + WceWideToUtf8(name)); };
    s.runRootWindow = [this](DWORD style, const RECT& rc) {
      char text[96];
      std::snprintf(text, sizeof(text), "runRootWindow 0x%08X %ld,%ld,%ld,%ld", static_cast<unsigned>(style),
                    static_cast<long>(rc.left), static_cast<long>(rc.top), static_cast<long>(rc.right),
                    static_cast<long>(rc.bottom));
      log.push_back(text);
    };
    s.restoreTaskBar = [this] { log.push_back("restoreTaskBar"); };
    s.closeMutex = [this](HANDLE h) {
      log.push_back(h == reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234)) ? "closeMutex"
                                                                                  : "closeMutex ?");
    };
    return s;
  }
};

TEST_F(AppStartupTest, WinMainTakesItsStepsInOrder) {
  const std::vector<std::string> kBefore = {"loadConfiguration", "writeOemAppValue", "markFirstStart",
                                            "openInstanceMutex CUI_MAIN_VT_CORVANE_MUTEX"};
  struct Case {
    const char* name;
    const char16_t* cmdLine;
    BOOL other;
    int bits, width, height;
    const char16_t* wndClass;
    std::vector<std::string> after;
  };
  const Case cases[] = {
      {"first, shown, 32-bit 800x480",
       u"",
       FALSE,
       32,
       800,
       480,
       u"WceUiWnd",
       {"screenBitsPixel", "registerDriver", "screenWidth", "screenHeight", "setPackPassword 730592",
        "uiInit corvane_res.pack\\wnd corvane_res.pack\\res corvane_res.pack\\language\\ChineseGB.ini",
        "hideTaskBar", "setWndClassName WceUiWnd", "runRootWindow 0x90000000 0,0,800,480", "restoreTaskBar",
        "closeMutex"}},
      {"first, hidden, 16-bit 1024x600, no class name",
       u"-hide",
       FALSE,
       16,
       1024,
       600,
       u"",
       {"screenBitsPixel", "registerDriver", "screenWidth", "screenHeight", "setPackPassword 730592",
        "uiInit cecorvane_16_xxh.pack\\wnd cecorvane_16_xxh.pack\\res "
        "cecorvane_16_xxh.pack\\language\\ChineseGB.ini",
        "hideTaskBar", "runRootWindow 0x80000000 0,0,1024,600", "restoreTaskBar", "closeMutex"}},
      {"second instance",
       u"hide",
       TRUE,
       32,
       800,
       480,
       u"WceUiWnd",
       {"raiseFirstInstance WND_CORVANE", "closeMutex"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetCorvaneConfig();
    g_CorvaneConfig.windowParam.strWndClass = c.wndClass;
    RecordedStart start;
    start.otherInstance = c.other;
    start.bits = c.bits;
    start.width = c.width;
    start.height = c.height;
    EXPECT_EQ(RunWinMain(nullptr, c.cmdLine, start.Steps()), 0);
    std::vector<std::string> expected = kBefore;
    expected.insert(expected.end(), c.after.begin(), c.after.end());
    EXPECT_EQ(start.log, expected);
  }
  EXPECT_TRUE(Logged("BitsPixel 16"));
}

}  // namespace
