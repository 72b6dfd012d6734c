// The cross-fade: the new picture blended over the old one with an alpha that grows by 255 / N
// each frame.
#pragma once

#include "wceui/animate/CWceUiWndAnimate.h"

class CWceUiBlendAni : public CWceUiWndAnimate {
 public:
  CWceUiBlendAni();
  ~CWceUiBlendAni() override;

  BOOL Init(CWceUiXmlElem* pElem) override;
  BOOL Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
            CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) override;
};

WCEUI_DYNCREATE_BEGIN(CWceUiBlendAni, CWceUiWndAnimate)
WCEUI_DYNCREATE_END(CWceUiBlendAni)
