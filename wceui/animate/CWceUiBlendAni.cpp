#include "wceui/animate/CWceUiBlendAni.h"

#include "wceui/drawing/CWceUiGenericBitmap.h"

namespace {
const bool g_bListed = (WceUiAddAnimateClassName(WCEUI_CLASS_NAME(CWceUiBlendAni)), true);
const int kOpaque = 255;
}  // namespace

CWceUiBlendAni::CWceUiBlendAni() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiBlendAni));
}

CWceUiBlendAni::~CWceUiBlendAni() = default;

BOOL CWceUiBlendAni::Init(CWceUiXmlElem* pElem) {
  return InitKind(pElem, nullptr, 0, 0);
}

BOOL CWceUiBlendAni::Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                          CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) {
  RECT rc;
  BOOL bDone;
  if (!BeginFrame(pMixedBitmap, pFromBitmap, pToBitmap, nCurFrame, lpPlayTime, &rc, &bDone)) return FALSE;
  if (bDone) return TRUE;
  // The step is taken before it is multiplied, so frame N - 2 stays below opaque and only the last
  // frame, a plain copy, shows the new picture whole.
  const int nAlpha = (kOpaque / GetFrameCount()) * (nCurFrame + 1);
  if (!pMixedBitmap->CopyRect(pFromBitmap, rc)) return FALSE;
  return pMixedBitmap->AlphaBlend(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, pToBitmap, rc.left,
                                  rc.top, WceUiMakeBlendFunction(static_cast<BYTE>(nAlpha), 0));
}
