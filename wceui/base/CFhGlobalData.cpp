#include "wceui/base/CFhGlobalData.h"

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcestr.h"
#include "platform/user/user.h"
#include "wceui/base/FhPath.h"
#include "wceui/base/WceUiLog.h"

#include <new>

CFhGlobalData::CFhGlobalData() = default;

CFhGlobalData::~CFhGlobalData() {
  delete[] m_pPassword;
}

void CFhGlobalData::Reset() {
  m_hInstance = nullptr;
  m_nBitsPixel = 0;
  m_nScreenWidth = m_nScreenHeight = 0;
  m_strWndDir.SetString(u"");
  m_strResDir.SetString(u"");
  SetPassword(nullptr);
}

void CFhGlobalData::ReadScreen() {
  if (m_nBitsPixel != 0) return;
  HDC hdc = GetDC(nullptr);
  m_nBitsPixel = GetDeviceCaps(hdc, BITSPIXEL);
  ReleaseDC(nullptr, hdc);
  m_nScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  m_nScreenHeight = GetSystemMetrics(SM_CYSCREEN);
}

int CFhGlobalData::GetBitsPixel() {
  ReadScreen();
  return m_nBitsPixel;
}

int CFhGlobalData::GetScreenWidth() {
  ReadScreen();
  return m_nScreenWidth;
}

int CFhGlobalData::GetScreenHeight() {
  ReadScreen();
  return m_nScreenHeight;
}

void CFhGlobalData::MakeDir(CQuickString& strDir, LPCWSTR pDir) {
  WCHAR szPath[MAX_PATH + 1];
  if (!FhGetAbsolutePath(szPath, MAX_PATH, pDir, nullptr)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::SetDir, path (%s) is too long", WCEUI_LOG_TAGW, pDir);
    return;
  }
  size_t nLength = wcslen(szPath);
  if (nLength == 0 || !FhIsPathSeparator(szPath[nLength - 1])) {
    szPath[nLength] = u'\\';
    szPath[nLength + 1] = 0;
  }
  strDir.SetString(szPath);
}

void CFhGlobalData::SetWndDir(LPCWSTR pWndDir) {
  WCEUI_CHECK(NULL != pWndDir);
  if (pWndDir != nullptr) MakeDir(m_strWndDir, pWndDir);
}

void CFhGlobalData::SetResDir(LPCWSTR pResDir) {
  WCEUI_CHECK(NULL != pResDir);
  if (pResDir != nullptr) MakeDir(m_strResDir, pResDir);
}

void CFhGlobalData::SetPassword(LPCWSTR pPassword) {
  // Copied before the old copy is freed, so the stored text may be set again.
  WCHAR* pCopy = nullptr;
  if (pPassword != nullptr) {
    pCopy = new (std::nothrow) WCHAR[wcslen(pPassword) + 1];
    if (pCopy != nullptr) wcscpy(pCopy, pPassword);
  }
  delete[] m_pPassword;
  m_pPassword = pCopy;
}
