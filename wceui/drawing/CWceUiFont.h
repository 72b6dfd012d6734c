// A font value: the 92-byte wide LOGFONT and the HFONT made from it on first use, which belongs to
// the value.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

class CWceUiFont {
 public:
  // The system font's LOGFONT.
  CWceUiFont();
  explicit CWceUiFont(const LOGFONTW& logFont);
  ~CWceUiFont();
  CWceUiFont(const CWceUiFont& rhs);
  CWceUiFont& operator=(const CWceUiFont& rhs);

  BOOL GetLogFont(LOGFONTW* pLogFont) const;
  // Made with CreateFontIndirectW on first use.
  HFONT GetFont();
  // A LOGFONT equal in its 28 header bytes and its face name keeps the HFONT.
  void SetLogFont(const LOGFONTW& logFont);

  // The LOGFONT of the stock system font, the framework's font wherever none is named.
  static void GetSystemLogFont(LOGFONTW* pLogFont);

 private:
  void DeleteFont();

  LOGFONTW m_LogFont;
  HFONT m_hFont = nullptr;
};
