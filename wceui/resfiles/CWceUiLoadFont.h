// A font of a style: by font id, loaded through the font cache on the first GetFont and given back
// by Clean; or the holder's own LOGFONT (the system font until one is set). A font id that cannot
// be loaded draws with the system font and is tried again on every GetFont.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"
#include "wceui/drawing/CWceUiFont.h"
#include "wceui/resfiles/WceUiResKind.h"

class CWceUiLoadFont {
 public:
  CWceUiLoadFont();
  ~CWceUiLoadFont();
  CWceUiLoadFont(const CWceUiLoadFont& rhs);
  CWceUiLoadFont& operator=(const CWceUiLoadFont& rhs);

  // The same id (letter case aside) keeps the loaded font; another gives it back first.
  void SetFontFromRes(LPCWSTR pFontID);
  void SetLogFont(const LOGFONTW& logFont);
  HFONT GetFont();
  void Clean();
  void DoCopy(const CWceUiLoadFont& rhs);
  int GetKind() const { return m_nKind; }
  LPCWSTR GetFontResID() const { return m_strFontResID; }

 private:
  void ResetOwnFont();

  int m_nKind = kWceUiResOwn;
  CWceUiFont* m_pFont = nullptr;  // the cached font (by id, none until loaded) or m_OwnFont
  CWceUiFont m_OwnFont;
  CQuickString m_strFontResID;
};
