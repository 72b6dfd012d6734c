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
    m_Root = pattern;
    wce::SetRootDir(m_Root.string());
    wce::ResetRegistry();
    wce::ResetUser();
    ResetCorvaneConfig();
    corvane::ResetAppStartup();
    wce::SetDebugSink([this](const std::string& line) { m_Log.push_back(line); });
  }
  void TearDown() override {
    wce::SetDebugSink(nullptr);
    wce::ResetUser();
    wce::ResetRegistry();
    wce::ResetFileSystemView();
    std::error_code ignored;
    fs::remove_all(m_Root, ignored);
  }

  void WriteHostFile(const std::string& cePath, const std::string& bytes) {
    fs::path host = wce::HostPath(WceUtf8ToWide(cePath));
    fs::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << bytes;
  }

  bool Logged(const std::string& text) const {
    for (const std::string& line : m_Log) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  fs::path m_Root;
  std::vector<std::string> m_Log;
};

TEST(AppResPack, ChosenByDepthAndExactScreenSize) {
  struct Case {
    int m_nBits, m_nWidth, m_nHeight;
    const char16_t* m_pszWnd;
    const char16_t* m_pszRes;
    const char16_t* m_pszLang;
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
    SCOPED_TRACE(std::to_string(c.m_nBits) + " bits " + std::to_string(c.m_nWidth) + "x" +
                 std::to_string(c.m_nHeight));
    const AppResPack& pack = ChooseResPack(c.m_nBits, c.m_nWidth, c.m_nHeight);
    EXPECT_EQ(std::u16string(pack.m_pszWndDir), c.m_pszWnd);
    EXPECT_EQ(std::u16string(pack.m_pszResDir), c.m_pszRes);
    EXPECT_EQ(std::u16string(pack.m_pszLangFile), c.m_pszLang);
  }
}

TEST(AppCommandLine, HideIsACaseSensitiveSubstring) {
  const struct {
    const char16_t* m_pszLine;
    BOOL m_bHide;
  } cases[] = {{u"-hide", TRUE}, {u"hide", TRUE},   {u"xhidex", TRUE}, {u"a b hide", TRUE}, {u"Hide", FALSE},
               {u"HIDE", FALSE}, {u"hid e", FALSE}, {u"", FALSE},      {nullptr, FALSE}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsHideCommandLine(c.m_pszLine), c.m_bHide)
        << (c.m_pszLine ? WceWideToUtf8(c.m_pszLine) : std::string("(null)"));
  }
}

TEST_F(AppStartupTest, NaviPathFromTheIniFile) {
  // 导航 in the head unit's ANSI code page (GBK).
  const std::string kGbkNavi = "\xB5\xBC\xBA\xBD";
  const std::string kLongName(380, 'n');
  struct Case {
    const char* m_pszProgram;  // the program's CE path
    bool m_bPresent;           // whether "NaviOne.ini" exists
    std::string m_strBytes;
    std::u16string m_strPath;  // empty: no path
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
    SCOPED_TRACE(std::string(c.m_pszProgram) + " <" + c.m_strBytes + ">");
    wce::SetModuleFileName(WceUtf8ToWide(c.m_pszProgram));
    const std::u16string dir = wce::ProgramDirectory();
    fs::remove(wce::HostPath(dir + u"NaviOne.ini"));
    if (c.m_bPresent) WriteHostFile(WceWideToUtf8(dir) + "NaviOne.ini", c.m_strBytes);
    std::u16string path = u"stale";
    EXPECT_EQ(GetNaviPath(&path), c.m_strPath.empty() ? FALSE : TRUE);
    EXPECT_EQ(path, c.m_strPath);
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
  m_Log.clear();
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
    bool m_bPresent;
    bool m_bShownAtStart;
  } cases[] = {{true, true}, {true, false}, {false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.m_bPresent ? "bar " : "no bar ") + (c.m_bShownAtStart ? "shown" : "hidden"));
    wce::ResetUser();
    corvane::ResetAppStartup();
    HWND bar = c.m_bPresent ? MakeWindow(u"HHTaskBar", u"", c.m_bShownAtStart) : nullptr;
    HideTaskBar();
    if (bar != nullptr) {
      EXPECT_FALSE(IsWindowVisible(bar));
      // Someone shows it meanwhile: the end puts back what the start found.
      ShowWindow(bar, SW_SHOW);
    }
    RestoreTaskBar();
    if (bar != nullptr) {
      EXPECT_EQ(IsWindowVisible(bar) != FALSE, c.m_bShownAtStart);
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
  std::vector<std::string> m_Log;
  BOOL m_bOtherInstance = FALSE;
  int m_nBits = 32;
  int m_nWidth = 800;
  int m_nHeight = 480;

  AppStartupSteps Steps() {
    AppStartupSteps s;
    s.m_fnLoadConfiguration = [this] { m_Log.push_back("loadConfiguration"); };
    s.m_fnWriteOemAppValue = [this] { m_Log.push_back("writeOemAppValue"); };
    s.m_fnMarkFirstStart = [this] { m_Log.push_back("markFirstStart"); };
    s.m_fnOpenInstanceMutex = [this](LPCWSTR name, BOOL* other) {
      m_Log.push_back("openInstanceMutex " + WceWideToUtf8(name));
      *other = m_bOtherInstance;
      return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234));
    };
    s.m_fnRaiseFirstInstance = [this](LPCWSTR title) {
      m_Log.push_back("raiseFirstInstance " + WceWideToUtf8(title));
    };
    s.m_fnScreenBitsPixel = [this] {
      m_Log.push_back("screenBitsPixel");
      return m_nBits;
    };
    s.m_fnRegisterDriver = [this] { m_Log.push_back("registerDriver"); };
    s.m_fnScreenWidth = [this] {
      m_Log.push_back("screenWidth");
      return m_nWidth;
    };
    s.m_fnScreenHeight = [this] {
      m_Log.push_back("screenHeight");
      return m_nHeight;
    };
    s.m_fnSetPackPassword = [this](LPCWSTR password) {
      m_Log.push_back("setPackPassword " + WceWideToUtf8(password));
    };
    s.m_fnUiInit = [this](HINSTANCE, const AppResPack& pack) {
      m_Log.push_back("uiInit " + WceWideToUtf8(pack.m_pszWndDir) + " " + WceWideToUtf8(pack.m_pszResDir) +
                      " " + WceWideToUtf8(pack.m_pszLangFile));
    };
    s.m_fnHideTaskBar = [this] { m_Log.push_back("hideTaskBar"); };
    s.m_fnSetWndClassName = [this](LPCWSTR name) {
      m_Log.push_back("setWndClassName " + WceWideToUtf8(name));
    };
    s.m_fnRunRootWindow = [this](DWORD style, const RECT& rc) {
      char text[96];
      std::snprintf(text, sizeof(text), "runRootWindow 0x%08X %ld,%ld,%ld,%ld", static_cast<unsigned>(style),
                    static_cast<long>(rc.left), static_cast<long>(rc.top), static_cast<long>(rc.right),
                    static_cast<long>(rc.bottom));
      m_Log.push_back(text);
    };
    s.m_fnRestoreTaskBar = [this] { m_Log.push_back("restoreTaskBar"); };
    s.m_fnCloseMutex = [this](HANDLE h) {
      m_Log.push_back(h == reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1234)) ? "closeMutex"
                                                                                    : "closeMutex ?");
    };
    return s;
  }
};

TEST_F(AppStartupTest, WinMainTakesItsStepsInOrder) {
  const std::vector<std::string> kBefore = {"loadConfiguration", "writeOemAppValue", "markFirstStart",
                                            "openInstanceMutex CUI_MAIN_VT_CORVANE_MUTEX"};
  struct Case {
    const char* m_pszName;
    const char16_t* m_pszCmdLine;
    BOOL m_bOther;
    int m_nBits, m_nWidth, m_nHeight;
    const char16_t* m_pszWndClass;
    std::vector<std::string> m_After;
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
    SCOPED_TRACE(c.m_pszName);
    ResetCorvaneConfig();
    g_CorvaneConfig.m_WindowParam.m_strWndClass = c.m_pszWndClass;
    RecordedStart start;
    start.m_bOtherInstance = c.m_bOther;
    start.m_nBits = c.m_nBits;
    start.m_nWidth = c.m_nWidth;
    start.m_nHeight = c.m_nHeight;
    EXPECT_EQ(RunWinMain(nullptr, c.m_pszCmdLine, start.Steps()), 0);
    std::vector<std::string> expected = kBefore;
    expected.insert(expected.end(), c.m_After.begin(), c.m_After.end());
    EXPECT_EQ(start.m_Log, expected);
  }
  EXPECT_TRUE(Logged("BitsPixel 16"));
}

}  // namespace
