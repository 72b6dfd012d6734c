// The slide-out: the new picture stays and the old one moves out over it.
#pragma once

#include "wceui/animate/CWceUiWndAnimate.h"

class CWceUiGoAni : public CWceUiWndAnimate {
 public:
  CWceUiGoAni();
  ~CWceUiGoAni() override;

  BOOL Init(CWceUiXmlElem* pElem) override;
  BOOL Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
            CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) override;
  void SetRandomDirection() override;
};

WCEUI_DYNCREATE_BEGIN(CWceUiGoAni, CWceUiWndAnimate)
WCEUI_DYNCREATE_END(CWceUiGoAni)
