// The font control of a style: a font holder whose argument checks carry its own name.
#pragma once

#include "wceui/resfiles/CWceUiLoadFont.h"

class CWceUiFontCtrl : public CWceUiLoadFont {
 public:
  CWceUiFontCtrl() = default;
  CWceUiFontCtrl(const CWceUiFontCtrl& rhs) = default;
  CWceUiFontCtrl& operator=(const CWceUiFontCtrl& rhs) = default;

  void SetFontFromRes(LPCWSTR pFontID);
  void DoCopy(const CWceUiFontCtrl& rhs);
};
