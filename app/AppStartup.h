// The program's start: configuration, the head unit's marks, the single instance, the driver, the
// resource pack, the task bar and the root window's run, in the one order WinMain takes them; and
// the start of the navigation program that the connection screen asks for.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

#include <functional>
#include <string>

// Resource packs beside the program, chosen by the screen's depth and size.
struct AppResPack {
  const WCHAR* m_pszWndDir;
  const WCHAR* m_pszResDir;
  const WCHAR* m_pszLangFile;
};
// 16-bit packs exactly at 16 bits per pixel; the "xxh" packs exactly at 1024 x 600.
const AppResPack& ChooseResPack(int nBitsPixel, int nWidth, int nHeight);

// The password the packs were made with.
extern const WCHAR kAppPackPassword[];
// The root window's styles: a start with "hide" creates it hidden.
constexpr DWORD kRootStyleHidden = WS_POPUP;
constexpr DWORD kRootStyleShown = WS_POPUP | WS_VISIBLE;
// The window class the head unit's task bar registers.
extern const WCHAR kTaskBarClass[];

// Whether the command line asks for a hidden start: "hide" anywhere in it, case-sensitive.
BOOL IsHideCommandLine(LPCWSTR pCmdLine);

void LoadConfiguration();
// HKEY_LOCAL_MACHINE\OEM "App" = "QX_VT" (REG_SZ with its terminator), at every start.
void WriteOemAppValue();
// The first start of the program on a head unit: marks it and unloads a stream device left loaded.
void MarkFirstStart();
// CreateMutexW, owned and released at once but kept open; *pbOtherInstance when the name existed.
HANDLE OpenInstanceMutex(LPCWSTR pName, BOOL* pbOtherInstance);
// The first instance's window (by title) shown, activated and brought to the top.
void RaiseFirstInstance(LPCWSTR pTitle);

void HideTaskBar();
void RestoreTaskBar();

// The navigation program's path from "NaviOne.ini" in the program directory (ANSI text, a path
// relative to the first component of the program directory); FALSE when there is none.
BOOL GetNaviPath(std::u16string* pPath);
// Starts the navigation program and brings its window to the front; its window, or NULL.
HWND LaunchNavi(HWND hRootWnd);
// The last top-level window of the process, walking back from the end, hStart skipped.
HWND FindProcessWindow(HWND hStart, DWORD dwProcessId);
HWND BringWindowToFront(HWND hStart, DWORD dwProcessId);
void SetWndToForground(HWND hWnd, BOOL bKeepTopmost);

// Each step WinMain takes, so that a test can record their order; the defaults are the real ones.
struct AppStartupSteps {
  std::function<void()> m_fnLoadConfiguration;
  std::function<void()> m_fnWriteOemAppValue;
  std::function<void()> m_fnMarkFirstStart;
  std::function<HANDLE(LPCWSTR pName, BOOL* pbOtherInstance)> m_fnOpenInstanceMutex;
  std::function<void(LPCWSTR pTitle)> m_fnRaiseFirstInstance;
  std::function<int()> m_fnScreenBitsPixel;
  std::function<void()> m_fnRegisterDriver;
  std::function<int()> m_fnScreenWidth;
  std::function<int()> m_fnScreenHeight;
  std::function<void(LPCWSTR pPassword)> m_fnSetPackPassword;
  std::function<void(HINSTANCE hInstance, const AppResPack& pack)> m_fnUiInit;
  std::function<void()> m_fnHideTaskBar;
  std::function<void(LPCWSTR pClassName)> m_fnSetWndClassName;
  // Constructs the root window, runs it modally with this style over this rectangle and destroys it.
  std::function<void(DWORD dwStyle, const RECT& rc)> m_fnRunRootWindow;
  std::function<void()> m_fnRestoreTaskBar;
  std::function<void(HANDLE hMutex)> m_fnCloseMutex;
};

// The real steps; runRootWindow is left to the program, which owns the root window.
AppStartupSteps AppStartupDefaultSteps();

// WinMain's body over the steps; answers 0 in every case.
int RunWinMain(HINSTANCE hInstance, LPCWSTR pCmdLine, const AppStartupSteps& steps);

namespace corvane {
// Tests: the task bar's remembered visibility back to "hidden".
void ResetAppStartup();
}  // namespace corvane
