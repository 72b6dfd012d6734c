// The mix-colour filter of a style: a colour (by value or by colour id) mixed over the layer with an
// opacity when enabled.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/resfiles/CWceUiLoadColor.h"

class CWceUiMixColorFilterCtrl {
 public:
  // Colour and opacity are kept only while enabled (0xFFFFFFFF and -1 when off).
  void SetFilter(BOOL bEnabled, COLORREF crMix, int nOpacity);
  void SetFilterFromRes(BOOL bEnabled, LPCWSTR pMixColor, int nOpacity);
  // The enabled flag; the resolved colour and the opacity are written only when enabled.
  BOOL GetFilter(COLORREF* pMix, int* pOpacity);

 private:
  CWceUiLoadColor m_Color;
  int m_nOpacity = -1;
  BOOL m_bEnabled = 0;
};
