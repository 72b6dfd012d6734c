#include "wceui/animate/CWceUiGoAni.h"

#include <cstdlib>

namespace {
const bool g_bListed = (WceUiAddAnimateClassName(WCEUI_CLASS_NAME(CWceUiGoAni)), true);

const DWORD kGoCodes = WceUiAniCodeBit(kWceUiAniLeft) | WceUiAniCodeBit(kWceUiAniRight) |
                       WceUiAniCodeBit(kWceUiAniUp) | WceUiAniCodeBit(kWceUiAniDown) |
                       WceUiAniCodeBit(kWceUiAniMidLr) | WceUiAniCodeBit(kWceUiAniMidUd);

// left (toward lo): the old picture leaves through the near edge and uncovers the new one behind
// its trailing edge; the middle form parts the old picture, each half leaving by its own edge.
int GoStrips(WceUiAniForm form, const WceUiAniSpan& sp, int s, CWceUiGenericBitmap* pOld,
             CWceUiGenericBitmap* pNew, WceUiAniStrip* p) {
  switch (form) {
    case kWceUiAniTowardLo:
      p[0] = {pOld, sp.lo + s, sp.hi, sp.lo};
      p[1] = {pNew, sp.hi - s, sp.hi, sp.hi - s};
      return 2;
    case kWceUiAniTowardHi:
      p[0] = {pOld, sp.lo, sp.hi - s, sp.lo + s};
      p[1] = {pNew, sp.lo, sp.lo + s, sp.lo};
      return 2;
    case kWceUiAniMidToEdges:
      p[0] = {pOld, sp.lo + s, sp.mid, sp.lo};
      p[1] = {pOld, sp.mid, sp.hi - s, sp.mid + s};
      p[2] = {pNew, sp.mid - s, sp.mid + s, sp.mid - s};
      return 3;
    case kWceUiAniEdgesToMid:
      break;
  }
  return 0;
}
}  // namespace

CWceUiGoAni::CWceUiGoAni() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiGoAni));
}

CWceUiGoAni::~CWceUiGoAni() = default;

BOOL CWceUiGoAni::Init(CWceUiXmlElem* pElem) {
  return InitKind(pElem, kWceUiAniDirectionWords, 8, kGoCodes);
}

BOOL CWceUiGoAni::Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                       CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) {
  return PlayEightWay(pMixedBitmap, pFromBitmap, pToBitmap, nCurFrame, lpPlayTime, kGoCodes, GoStrips);
}

void CWceUiGoAni::SetRandomDirection() {
  static const UINT kDirections[6] = {kWceUiAniLeft, kWceUiAniRight, kWceUiAniUp,
                                      kWceUiAniDown, kWceUiAniMidLr, kWceUiAniMidUd};
  m_nDirection = kDirections[static_cast<UINT>(rand()) % 6];
}
