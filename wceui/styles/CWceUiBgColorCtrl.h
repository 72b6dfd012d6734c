// The background colour of a style: none, transparent, or a colour by value or by colour id.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/resfiles/CWceUiLoadColor.h"

class CWceUiBgColorCtrl {
 public:
  CWceUiBgColorCtrl() = default;
  CWceUiBgColorCtrl(const CWceUiBgColorCtrl& rhs);
  CWceUiBgColorCtrl& operator=(const CWceUiBgColorCtrl& rhs);

  void SetColor(COLORREF crColor);
  // An empty id changes nothing.
  void SetColor(LPCWSTR pColorID);
  void SetTransparent(BOOL bTransparent);
  BOOL IsHasBgColor() const { return m_bHasColor; }
  BOOL IsTransparent() const { return m_bTransparent; }
  // The resolved colour; asking without a colour, or for a transparent one, is logged.
  COLORREF GetColor();
  void DoCopy(const CWceUiBgColorCtrl& rhs);

 private:
  BOOL m_bHasColor = 0;
  BOOL m_bTransparent = 0;
  CWceUiLoadColor m_Color;
};
