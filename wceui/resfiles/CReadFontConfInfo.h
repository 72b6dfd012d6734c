// A font conf file: a conf file (escapes off) of decimal LOGFONT fields by name and a face name.
// A field the file does not name keeps the system font's value.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

class CReadFontConfInfo {
 public:
  CReadFontConfInfo();

  // The system font's LOGFONT, not loaded.
  void Reset();
  BOOL LoadFontConfFile(LPCWSTR pFontConfFile);
  // Copies the LOGFONT only when a file was loaded.
  BOOL GetLogFont(LOGFONTW* pLogFont) const;
  BOOL IsLoaded() const { return m_bLoaded; }

 private:
  LOGFONTW m_LogFont;
  BOOL m_bLoaded = 0;
};
