// The framework's global data: instance, screen metrics, window and resource directories, and the
// password of the resource packs.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"

class CFhGlobalData {
 public:
  CFhGlobalData();
  ~CFhGlobalData();
  CFhGlobalData(const CFhGlobalData&) = delete;
  CFhGlobalData& operator=(const CFhGlobalData&) = delete;

  void SetInstance(HINSTANCE hInstance) { m_hInstance = hInstance; }
  HINSTANCE GetInstance() const { return m_hInstance; }

  // Depth, width and height of the screen are read together on the first request of any of them.
  int GetBitsPixel();
  int GetScreenWidth();
  int GetScreenHeight();

  // Made absolute against the program's directory, always ending in a separator.
  void SetWndDir(LPCWSTR pWndDir);
  void SetResDir(LPCWSTR pResDir);
  LPCWSTR GetWndDir() const { return m_strWndDir; }
  LPCWSTR GetResDir() const { return m_strResDir; }

  // NULL removes the password.
  void SetPassword(LPCWSTR pPassword);
  LPCWSTR GetPassword() const { return m_pPassword; }

  // Tests: back to the state of a new record.
  void Reset();

 private:
  void ReadScreen();
  static void MakeDir(CQuickString& strDir, LPCWSTR pDir);

  HINSTANCE m_hInstance = nullptr;
  int m_nBitsPixel = 0;  // 0: the screen has not been read yet
  CQuickString m_strWndDir;
  CQuickString m_strResDir;
  WCHAR* m_pPassword = nullptr;
  int m_nScreenWidth = 0;
  int m_nScreenHeight = 0;
};
