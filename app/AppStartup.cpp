#include "app/AppStartup.h"

#include "engine/CorvaneEngine.h"
#include "wceui/core/CXiWndHelper.h"
#include "wceui/resfiles/WceUiResource.h"

#include "platform/kernel/codepage.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/registry/registry.h"
#include "services/CorvaneConfig.h"

#include <cstdio>
#include <string>

const WCHAR kAppPackPassword[] = u"730592";
const WCHAR kTaskBarClass[] = u"HHTaskBar";

namespace {

const AppResPack kPack16Xxh = {u"cecorvane_16_xxh.pack\\wnd", u"cecorvane_16_xxh.pack\\res",
                               u"cecorvane_16_xxh.pack\\language\\ChineseGB.ini"};
const AppResPack kPack16 = {u"cecorvane_16_res.pack\\wnd", u"cecorvane_16_res.pack\\res",
                            u"cecorvane_16_res.pack\\language\\ChineseGB.ini"};
const AppResPack kPack32Xxh = {u"cecorvane_xxh.pack\\wnd", u"cecorvane_xxh.pack\\res",
                               u"cecorvane_xxh.pack\\language\\ChineseGB.ini"};
const AppResPack kPack32 = {u"corvane_res.pack\\wnd", u"corvane_res.pack\\res",
                            u"corvane_res.pack\\language\\ChineseGB.ini"};

const int kPackDepth16 = 16;
const int kXxhWidth = 1024;
const int kXxhHeight = 600;

const WCHAR kOemKey[] = u"OEM";
const WCHAR kOemValueName[] = u"App";
// Stored with its terminator: a reader that takes the byte count as the string's end gets the
// whole text and a terminated one.
const WCHAR kOemValue[] = u"QX_VT";
const WCHAR kStreamDevice[] = u"ADB1:";
const WCHAR kNaviFile[] = u"NaviOne.ini";
// The head unit reads at most this much of "NaviOne.ini"; a path is one short line.
const size_t kNaviFileMaxBytes = 400;
const DWORD kRaiseFlags = SWP_NOSIZE | SWP_NOMOVE;

// Whether the task bar was visible when the program hid it: RestoreTaskBar puts it back so.
BOOL g_bTaskBarWasVisible = FALSE;

// Foreground, focus, a full repaint and the activation the head unit's windows wait for.
void ActivateWindow(HWND hWnd) {
  SetForegroundWindow(hWnd);
  SetFocus(hWnd);
  InvalidateRect(hWnd, nullptr, FALSE);
  PostMessageW(hWnd, WM_ACTIVATE, WA_ACTIVE, 0);
}

// Up to the first zero byte, without the line ends at its end.
std::string NaviFileText(FILE* pFile) {
  std::string bytes(kNaviFileMaxBytes, '\0');
  bytes.resize(std::fread(&bytes[0], 1, bytes.size(), pFile));
  bytes.resize(bytes.find('\0') == std::string::npos ? bytes.size() : bytes.find('\0'));
  while (!bytes.empty() && (bytes.back() == '\r' || bytes.back() == '\n')) bytes.pop_back();
  return bytes;
}

std::u16string FromAnsi(const std::string& text) {
  if (text.empty()) return std::u16string();
  const int nLength = static_cast<int>(text.size());
  const int nWide = MultiByteToWideChar(CP_ACP, 0, text.data(), nLength, nullptr, 0);
  if (nWide <= 0) return std::u16string();
  std::u16string wide(static_cast<size_t>(nWide), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), nLength, &wide[0], nWide);
  return wide;
}

}  // namespace

const AppResPack& ChooseResPack(int nBitsPixel, int nWidth, int nHeight) {
  const bool bXxh = nWidth == kXxhWidth && nHeight == kXxhHeight;
  if (nBitsPixel == kPackDepth16) return bXxh ? kPack16Xxh : kPack16;
  return bXxh ? kPack32Xxh : kPack32;
}

BOOL IsHideCommandLine(LPCWSTR pCmdLine) {
  return pCmdLine != nullptr && std::u16string(pCmdLine).find(u"hide") != std::u16string::npos;
}

void LoadConfiguration() {
  LoadCorvaneConfig();
}

void WriteOemAppValue() {
  HKEY hKey = nullptr;
  DWORD dwDisposition = 0;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kOemKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                      &dwDisposition) != ERROR_SUCCESS) {
    NKDbgPrintfW(u" RegCreateKey Error  %s )\n", kOemKey);
  }
  if (hKey == nullptr) return;
  RegSetValueExW(hKey, kOemValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kOemValue), sizeof(kOemValue));
  RegCloseKey(hKey);
}

void MarkFirstStart() {
  if (IsFirstStartDone()) return;
  SetFirstStartDone();
  UnloadDriver(kStreamDevice);
  NKDbgPrintfW(u"!!!!!!!!!!!!!!! First Start Corvane  \r\n");
}

HANDLE OpenInstanceMutex(LPCWSTR pName, BOOL* pbOtherInstance) {
  HANDLE hMutex = CreateMutexW(nullptr, TRUE, pName);
  *pbOtherInstance = GetLastError() == ERROR_ALREADY_EXISTS;
  // Only the name matters: the program never waits on it.
  if (hMutex != nullptr) ReleaseMutex(hMutex);
  return hMutex;
}

void RaiseFirstInstance(LPCWSTR pTitle) {
  HWND hWnd = FindWindowW(nullptr, pTitle);
  if (hWnd == nullptr) return;
  ShowWindow(hWnd, SW_SHOW);
  SetForegroundWindow(hWnd);
  SetFocus(hWnd);
  InvalidateRect(hWnd, nullptr, FALSE);
  SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, kRaiseFlags);
  SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, kRaiseFlags);
  PostMessageW(hWnd, WM_ACTIVATE, WA_ACTIVE, 0);
}

void HideTaskBar() {
  HWND hBar = FindWindowW(kTaskBarClass, nullptr);
  if (hBar == nullptr) return;
  g_bTaskBarWasVisible = IsWindowVisible(hBar);
  if (g_bTaskBarWasVisible) ShowWindow(hBar, SW_HIDE);
}

void RestoreTaskBar() {
  HWND hBar = FindWindowW(kTaskBarClass, nullptr);
  if (hBar == nullptr) return;
  ShowWindow(hBar, g_bTaskBarWasVisible ? SW_SHOW : SW_HIDE);
}

BOOL GetNaviPath(std::u16string* pPath) {
  pPath->clear();
  const std::u16string dir = wce::ProgramDirectory();
  FILE* pFile = _wfopen((dir + kNaviFile).c_str(), u"rb");
  if (pFile == nullptr) return FALSE;
  const std::u16string text = FromAnsi(NaviFileText(pFile));
  std::fclose(pFile);
  if (text.empty()) return FALSE;
  // The path is relative to the first component of the program directory ("\SDMMC" of
  // "\SDMMC\CECorvane\"); a program in the root has none.
  size_t nSecond = dir.find(u'\\', 1);
  if (nSecond == std::u16string::npos) nSecond = 0;
  const size_t nBase = text[0] == u'\\' ? nSecond : nSecond + 1;
  *pPath = dir.substr(0, nBase) + text;
  NKDbgPrintfW(u"%s\r\n", pPath->c_str());
  return !pPath->empty();
}

HWND LaunchNavi(HWND hRootWnd) {
  std::u16string path;
  if (!GetNaviPath(&path)) return nullptr;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                      nullptr, &pi)) {
    return nullptr;
  }
  HWND hNavi = BringWindowToFront(hRootWnd, pi.dwProcessId);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return hNavi;
}

HWND FindProcessWindow(HWND hStart, DWORD dwProcessId) {
  for (HWND hWnd = GetWindow(hStart, GW_HWNDLAST); hWnd != nullptr; hWnd = GetWindow(hWnd, GW_HWNDPREV)) {
    if (hWnd == hStart) continue;
    DWORD dwOwner = 0;
    GetWindowThreadProcessId(hWnd, &dwOwner);
    if (dwOwner == dwProcessId) return hWnd;
  }
  return nullptr;
}

HWND BringWindowToFront(HWND hStart, DWORD dwProcessId) {
  HWND hWnd = FindProcessWindow(hStart, dwProcessId);
  if (hWnd == nullptr) return nullptr;
  ActivateWindow(hWnd);
  SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, kRaiseFlags);
  SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, kRaiseFlags);
  return hWnd;
}

void SetWndToForground(HWND hWnd, BOOL bKeepTopmost) {
  ActivateWindow(hWnd);
  SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, kRaiseFlags);
  if (bKeepTopmost) return;
  NKDbgPrintfW(u"!!!!!!! SetWndToForground NOTOPMOST %d \r\n", 1);
  SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, kRaiseFlags);
}

AppStartupSteps AppStartupDefaultSteps() {
  AppStartupSteps s;
  s.m_fnLoadConfiguration = LoadConfiguration;
  s.m_fnWriteOemAppValue = WriteOemAppValue;
  s.m_fnMarkFirstStart = MarkFirstStart;
  s.m_fnOpenInstanceMutex = OpenInstanceMutex;
  s.m_fnRaiseFirstInstance = RaiseFirstInstance;
  s.m_fnScreenBitsPixel = WceUiGetScreenBitsPixel;
  s.m_fnRegisterDriver = RegisterKavlinkDriver;
  s.m_fnScreenWidth = WceUiGetScreenWidth;
  s.m_fnScreenHeight = WceUiGetScreenHeight;
  s.m_fnSetPackPassword = WceUiSetPackPassword;
  s.m_fnUiInit = [](HINSTANCE hInstance, const AppResPack& pack) {
    WceUiInit(hInstance, pack.m_pszWndDir, pack.m_pszResDir, pack.m_pszLangFile, FALSE);
  };
  s.m_fnHideTaskBar = HideTaskBar;
  s.m_fnSetWndClassName = [](LPCWSTR pClassName) { WceUiSetWndClassName(pClassName); };
  s.m_fnRestoreTaskBar = RestoreTaskBar;
  s.m_fnCloseMutex = [](HANDLE hMutex) {
    if (hMutex != nullptr) CloseHandle(hMutex);
  };
  return s;
}

int RunWinMain(HINSTANCE hInstance, LPCWSTR pCmdLine, const AppStartupSteps& s) {
  s.m_fnLoadConfiguration();
  s.m_fnWriteOemAppValue();
  s.m_fnMarkFirstStart();
  const WindowParam& param = g_CorvaneConfig.m_WindowParam;
  BOOL bOtherInstance = FALSE;
  HANDLE hMutex = s.m_fnOpenInstanceMutex(param.m_strMutex, &bOtherInstance);
  const std::u16string title = param.m_strWndTitle.GetString();
  if (bOtherInstance) {
    // The first instance keeps the name; this one only raises it and goes.
    s.m_fnRaiseFirstInstance(title.c_str());
    s.m_fnCloseMutex(hMutex);
    return 0;
  }
  const int nBitsPixel = s.m_fnScreenBitsPixel();
  NKDbgPrintfW(u"!!!!!!!!!!!!!!! BitsPixel %d \r\n", nBitsPixel);
  s.m_fnRegisterDriver();
  const int nWidth = s.m_fnScreenWidth();
  const int nHeight = s.m_fnScreenHeight();
  s.m_fnSetPackPassword(kAppPackPassword);
  s.m_fnUiInit(hInstance, ChooseResPack(nBitsPixel, nWidth, nHeight));
  s.m_fnHideTaskBar();
  const BOOL bHide = IsHideCommandLine(pCmdLine);
  if (!param.m_strWndClass.IsEmpty()) s.m_fnSetWndClassName(param.m_strWndClass);
  const RECT rc = {0, 0, nWidth, nHeight};
  // Returns once the whole program has shut down.
  if (s.m_fnRunRootWindow) s.m_fnRunRootWindow(bHide ? kRootStyleHidden : kRootStyleShown, rc);
  s.m_fnRestoreTaskBar();
  s.m_fnCloseMutex(hMutex);
  return 0;
}

namespace corvane {
void ResetAppStartup() {
  g_bTaskBarWasVisible = FALSE;
}
}  // namespace corvane
