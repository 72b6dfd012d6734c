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
  const WCHAR* pWndDir;
  const WCHAR* pResDir;
  const WCHAR* pLangFile;
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
  std::function<void()> loadConfiguration;
  std::function<void()> writeOemAppValue;
  std::function<void()> markFirstStart;
  std::function<HANDLE(LPCWSTR pName, BOOL* pbOtherInstance)> openInstanceMutex;
  std::function<void(LPCWSTR pTitle)> raiseFirstInstance;
  std::function<int()> screenBitsPixel;
  std::function<void()> registerDriver;
  std::function<int()> screenWidth;
  std::function<int()> screenHeight;
  std::function<void(LPCWSTR pPassword)> setPackPassword;
  std::function<void(HINSTANCE hInstance, const AppResPack& pack)> uiInit;
  std::function<void()> hideTaskBar;
  std::function<void(LPCWSTR pClassName)> setWndClassName;
  // Constructs the root window, runs it modally with this style over this rectangle and destroys it.
  std::function<void(DWORD dwStyle, const RECT& rc)> runRootWindow;
  std::function<void()> restoreTaskBar;
  std::function<void(HANDLE hMutex)> closeMutex;
};

// The real steps; runRootWindow is left to the program, which owns the root window.
AppStartupSteps AppStartupDefaultSteps();

// WinMain's body over the steps; answers 0 in every case.
int RunWinMain(HINSTANCE hInstance, LPCWSTR pCmdLine, const AppStartupSteps& steps);

namespace corvane {
// Tests: the task bar's remembered visibility back to "hidden".
void ResetAppStartup();
}  // namespace corvane
