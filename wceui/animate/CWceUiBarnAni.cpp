#include "wceui/animate/CWceUiBarnAni.h"

#include <cstdlib>

namespace {
const bool g_bListed = (WceUiAddAnimateClassName(WCEUI_CLASS_NAME(CWceUiBarnAni)), true);

// left (toward lo): the new picture is uncovered from the far edge; right the mirror; the middle
// forms uncover it from both edges inward or from the middle outward.
int BarnStrips(WceUiAniForm form, const WceUiAniSpan& sp, int s, CWceUiGenericBitmap* pOld,
               CWceUiGenericBitmap* pNew, WceUiAniStrip* p) {
  switch (form) {
    case kWceUiAniTowardLo:
      p[0] = {pOld, sp.lo, sp.hi - s, sp.lo};
      p[1] = {pNew, sp.hi - s, sp.hi, sp.hi - s};
      return 2;
    case kWceUiAniTowardHi:
      p[0] = {pNew, sp.lo, sp.lo + s, sp.lo};
      p[1] = {pOld, sp.lo + s, sp.hi, sp.lo + s};
      return 2;
    case kWceUiAniEdgesToMid:
      p[0] = {pNew, sp.lo, sp.lo + s, sp.lo};
      p[1] = {pOld, sp.lo + s, sp.hi - s, sp.lo + s};
      p[2] = {pNew, sp.hi - s, sp.hi, sp.hi - s};
      return 3;
    case kWceUiAniMidToEdges:
      p[0] = {pOld, sp.lo, sp.mid - s, sp.lo};
      p[1] = {pNew, sp.mid - s, sp.mid + s, sp.mid - s};
      p[2] = {pOld, sp.mid + s, sp.hi, sp.mid + s};
      return 3;
  }
  return 0;
}
}  // namespace

CWceUiBarnAni::CWceUiBarnAni() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiBarnAni));
}

CWceUiBarnAni::~CWceUiBarnAni() = default;

BOOL CWceUiBarnAni::Init(CWceUiXmlElem* pElem) {
  return InitKind(pElem, kWceUiAniDirectionWords, 8, kWceUiAniAllEight);
}

BOOL CWceUiBarnAni::Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                         CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) {
  return PlayEightWay(pMixedBitmap, pFromBitmap, pToBitmap, nCurFrame, lpPlayTime, kWceUiAniAllEight,
                      BarnStrips);
}

void CWceUiBarnAni::SetRandomDirection() {
  m_nDirection = kWceUiAniLeft + (static_cast<UINT>(rand()) & 7u);
}
