// The push: both pictures move, the new one pushing the old one out. Its direction codes are the push's own (WceUiSliderDirection).
#pragma once

#include "wceui/animate/CWceUiWndAnimate.h"

class CWceUiSliderAni : public CWceUiWndAnimate {
 public:
  CWceUiSliderAni();
  ~CWceUiSliderAni() override;

  BOOL Init(CWceUiXmlElem* pElem) override;
  BOOL Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
            CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) override;
  void SetRandomDirection() override;
};

WCEUI_DYNCREATE_BEGIN(CWceUiSliderAni, CWceUiWndAnimate)
WCEUI_DYNCREATE_END(CWceUiSliderAni)
