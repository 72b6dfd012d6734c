#include "wceui/resfiles/CWceUiLoadFont.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/WceUiResource.h"

CWceUiLoadFont::CWceUiLoadFont() : m_pFont(&m_OwnFont) {}

CWceUiLoadFont::~CWceUiLoadFont() {
  Clean();
}

CWceUiLoadFont::CWceUiLoadFont(const CWceUiLoadFont& rhs) : m_pFont(&m_OwnFont) {
  DoCopy(rhs);
}

CWceUiLoadFont& CWceUiLoadFont::operator=(const CWceUiLoadFont& rhs) {
  if (this == &rhs) return *this;
  Clean();
  DoCopy(rhs);
  return *this;
}

void CWceUiLoadFont::ResetOwnFont() {
  LOGFONTW logFont;
  CWceUiFont::GetSystemLogFont(&logFont);
  m_OwnFont.SetLogFont(logFont);
}

void CWceUiLoadFont::SetFontFromRes(LPCWSTR pFontID) {
  WCEUI_CHECK(NULL != pFontID);
  if (pFontID == nullptr) return;
  WCEUI_CHECK(*pFontID);
  if (*pFontID == 0) return;
  if (m_nKind == kWceUiResById && _wcsicmp(m_strFontResID, pFontID) == 0) return;
  Clean();
  m_strFontResID.SetString(pFontID);
  m_nKind = kWceUiResById;
  m_pFont = nullptr;
}

void CWceUiLoadFont::SetLogFont(const LOGFONTW& logFont) {
  Clean();
  m_OwnFont.SetLogFont(logFont);
}

HFONT CWceUiLoadFont::GetFont() {
  if (m_nKind == kWceUiResById) {
    if (m_pFont == nullptr) {
      m_pFont = WceUiGetFont(m_strFontResID);
      if (m_pFont == nullptr) {
        WceUiLogW(WCEUI_LOG_ERROR, u"load font id %s failed use default font", m_strFontResID.GetString());
      }
    }
    if (m_pFont != nullptr) return m_pFont->GetFont();
  } else if (m_nKind == kWceUiResOwn) {
    return m_OwnFont.GetFont();
  } else {
    WCEUI_CHECK(FALSE);
  }
  ResetOwnFont();
  return m_OwnFont.GetFont();
}

void CWceUiLoadFont::Clean() {
  if (m_nKind == kWceUiResById) {
    WceUiReleaseFont(m_pFont);
  } else if (m_nKind != kWceUiResOwn) {
    WCEUI_CHECK(FALSE);
  }
  ResetOwnFont();
  m_pFont = &m_OwnFont;
  m_nKind = kWceUiResOwn;
}

void CWceUiLoadFont::DoCopy(const CWceUiLoadFont& rhs) {
  WCEUI_CHECK(this != &rhs);
  if (this == &rhs) return;
  if (rhs.m_nKind == kWceUiResById) {
    SetFontFromRes(rhs.m_strFontResID);
  } else {
    LOGFONTW logFont;
    rhs.m_OwnFont.GetLogFont(&logFont);
    SetLogFont(logFont);
  }
}
