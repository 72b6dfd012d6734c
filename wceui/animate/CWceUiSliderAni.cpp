#include "wceui/animate/CWceUiSliderAni.h"

#include <cstdlib>

namespace {
const bool g_bListed = (WceUiAddAnimateClassName(WCEUI_CLASS_NAME(CWceUiSliderAni)), true);

const WceUiAniDirectionWord kSliderWords[] = {
    {u"up", kWceUiSliderUp},
    {u"down", kWceUiSliderDown},
    {u"left", kWceUiSliderLeft},
    {u"right", kWceUiSliderRight},
};
const DWORD kSliderCodes = WceUiAniCodeBit(kWceUiSliderUp) | WceUiAniCodeBit(kWceUiSliderDown) |
                           WceUiAniCodeBit(kWceUiSliderLeft) | WceUiAniCodeBit(kWceUiSliderRight);

BOOL GetSliderMove(UINT nDirection, WceUiAniMove* pMove) {
  switch (nDirection) {
    case kWceUiSliderUp:
      *pMove = {TRUE, kWceUiAniTowardLo};
      return TRUE;
    case kWceUiSliderDown:
      *pMove = {TRUE, kWceUiAniTowardHi};
      return TRUE;
    case kWceUiSliderLeft:
      *pMove = {FALSE, kWceUiAniTowardLo};
      return TRUE;
    case kWceUiSliderRight:
      *pMove = {FALSE, kWceUiAniTowardHi};
      return TRUE;
  }
  return FALSE;
}

// left (toward lo): the old picture leaves through the near edge and the new one follows it in
// through the far edge, joined at their seam.
int SliderStrips(WceUiAniForm form, const WceUiAniSpan& sp, int s, CWceUiGenericBitmap* pOld,
                 CWceUiGenericBitmap* pNew, WceUiAniStrip* p) {
  if (form == kWceUiAniTowardLo) {
    p[0] = {pOld, sp.m_nLo + s, sp.m_nHi, sp.m_nLo};
    p[1] = {pNew, sp.m_nLo, sp.m_nLo + s, sp.m_nHi - s};
    return 2;
  }
  p[0] = {pOld, sp.m_nLo, sp.m_nHi - s, sp.m_nLo + s};
  p[1] = {pNew, sp.m_nHi - s, sp.m_nHi, sp.m_nLo};
  return 2;
}
}  // namespace

CWceUiSliderAni::CWceUiSliderAni() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiSliderAni));
  m_nDirection = kWceUiSliderRight;
}

CWceUiSliderAni::~CWceUiSliderAni() = default;

BOOL CWceUiSliderAni::Init(CWceUiXmlElem* pElem) {
  return InitKind(pElem, kSliderWords, 4, kSliderCodes);
}

BOOL CWceUiSliderAni::Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                           CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) {
  WceUiAniMove move;
  if (!GetSliderMove(m_nDirection, &move)) return FailBadDirection();
  return PlayStrips(pMixedBitmap, pFromBitmap, pToBitmap, nCurFrame, lpPlayTime, move, SliderStrips);
}

void CWceUiSliderAni::SetRandomDirection() {
  m_nDirection = kWceUiSliderUp + (static_cast<UINT>(rand()) & 3u);
}
