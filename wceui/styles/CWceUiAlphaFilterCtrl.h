// The alpha filter of a style: a layer drawn with a constant opacity when enabled.
#pragma once

#include "platform/kernel/wcetypes.h"

class CWceUiAlphaFilterCtrl {
 public:
  // The opacity is kept only while enabled (-1 when off).
  void SetFilter(BOOL bEnabled, int nOpacity);
  // The enabled flag; the opacity is written only when enabled.
  BOOL GetFilter(int* pOpacity) const;

 private:
  int m_nOpacity = -1;
  BOOL m_bEnabled = 0;
};
