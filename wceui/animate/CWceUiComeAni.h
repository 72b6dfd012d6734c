// The slide-in: the old picture stays and the new one moves in over it.
#pragma once

#include "wceui/animate/CWceUiWndAnimate.h"

class CWceUiComeAni : public CWceUiWndAnimate {
 public:
  CWceUiComeAni();
  ~CWceUiComeAni() override;

  BOOL Init(CWceUiXmlElem* pElem) override;
  BOOL Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
            CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) override;
  void SetRandomDirection() override;
};

WCEUI_DYNCREATE_BEGIN(CWceUiComeAni, CWceUiWndAnimate)
WCEUI_DYNCREATE_END(CWceUiComeAni)
