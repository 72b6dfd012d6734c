// The wipe: neither picture moves; the boundary between them does, uncovering the new picture.
#pragma once

#include "wceui/animate/CWceUiWndAnimate.h"

class CWceUiBarnAni : public CWceUiWndAnimate {
 public:
  CWceUiBarnAni();
  ~CWceUiBarnAni() override;

  BOOL Init(CWceUiXmlElem* pElem) override;
  BOOL Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
            CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) override;
  void SetRandomDirection() override;
};

WCEUI_DYNCREATE_BEGIN(CWceUiBarnAni, CWceUiWndAnimate)
WCEUI_DYNCREATE_END(CWceUiBarnAni)
