#include "wceui/styles/CWceUiFontCtrl.h"

#include "wceui/base/WceUiLog.h"

void CWceUiFontCtrl::SetFontFromRes(LPCWSTR pFontID) {
  WCEUI_CHECK(NULL != pFontID);
  if (pFontID != nullptr) WCEUI_CHECK(*pFontID);
  CWceUiLoadFont::SetFontFromRes(pFontID);
}

void CWceUiFontCtrl::DoCopy(const CWceUiFontCtrl& rhs) {
  WCEUI_CHECK(this != &rhs);
  CWceUiLoadFont::DoCopy(rhs);
}
