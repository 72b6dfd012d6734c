// The real-window registry: the framework's one window class, registered once per process under the
// name its class-name buffer holds at that moment, and the map from window handle to the object
// whose messages the window procedure hands on. Held by the globals holder; UI thread only.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"
#include "wceui/base/CWceUiPtrMap.h"

class CRealWnd;

class CXiWndHelper {
 public:
  // Window-class names are at most 256 characters with the terminator, as USER keeps them.
  static constexpr int kClassNameChars = 256;

  CXiWndHelper();
  CXiWndHelper(const CXiWndHelper&) = delete;
  CXiWndHelper& operator=(const CXiWndHelper&) = delete;

  // Registers the window class the first time; the flag is set whatever USER answered, so a
  // failed registration shows later as a failed CreateWindowExW with its error code.
  void RegisterClassOnce();
  BOOL IsRegistered() const { return m_bRegistered; }
  LPCWSTR GetClassName() const { return m_pClassName; }
  // Copies the name into the buffer (a longer one is cut with a warning line) and returns the buffer.
  LPCWSTR SetClassName(LPCWSTR pName);

  // The object of a window from its WM_CREATE until its WM_DESTROY; NULL outside that time.
  CRealWnd* FromHandle(HWND hWnd) const;
  BOOL Attach(HWND hWnd, CRealWnd* pWnd);
  void Detach(HWND hWnd);
  int GetWndCount() const { return m_WndMap.GetCount(); }

  // The procedure of the framework's window class.
  static LRESULT WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // Tests (after wce::ResetUser): not registered, the default class name, no window.
  void Reset();

 private:
  BOOL m_bRegistered = 0;
  LPCWSTR m_pClassName;
  CWceUiPtrMap m_WndMap;
  WCHAR m_szClassName[kClassNameChars];
};

// The configured window-class name; the application sets it before its first window exists.
LPCWSTR WceUiSetWndClassName(LPCWSTR pName);
