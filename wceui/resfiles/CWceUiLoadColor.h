// A colour of a style: by colour id, resolved through the colour cache on the first GetColor and
// given back by Clean; or the holder's own value (black until one is set). A colour id that cannot
// be resolved draws black and is tried again on the next GetColor.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"
#include "wceui/drawing/CWceUiColor.h"
#include "wceui/resfiles/WceUiResKind.h"

class CWceUiLoadColor {
 public:
  CWceUiLoadColor();
  ~CWceUiLoadColor();
  CWceUiLoadColor(const CWceUiLoadColor& rhs);
  CWceUiLoadColor& operator=(const CWceUiLoadColor& rhs);

  void SetColor(COLORREF crColor);
  // The same id (letter case aside) keeps the resolved colour; another gives it back first.
  void SetColorFromRes(LPCWSTR pColorID);
  COLORREF GetColor();
  void Clean();
  void DoCopy(const CWceUiLoadColor& rhs);
  int GetKind() const { return m_nKind; }
  LPCWSTR GetColorResID() const { return m_strColorResID; }

 private:
  int m_nKind = kWceUiResOwn;
  CWceUiColor* m_pColor;  // the cached colour (by id, none until resolved) or m_OwnColor
  CWceUiColor m_OwnColor;
  CQuickString m_strColorResID;
};
