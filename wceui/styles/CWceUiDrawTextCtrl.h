// Where and how a style draws its text: the text rectangle ("large" when not set) and the DrawText
// format.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

class CWceUiDrawTextCtrl {
 public:
  // Centred both ways on one line.
  static constexpr UINT kDefaultFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

  CWceUiDrawTextCtrl();

  void SetRect(const RECT* lpRect);
  void GetRect(LPRECT lpRect) const;
  void SetFormat(UINT nFormat) { m_nFormat = nFormat; }
  UINT GetFormat() const { return m_nFormat; }

 private:
  RECT m_rcText;
  UINT m_nFormat = kDefaultFormat;
};
