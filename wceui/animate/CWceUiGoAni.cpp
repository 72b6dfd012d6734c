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
      p[0] = {pOld, sp.m_nLo + s, sp.m_nHi, sp.m_nLo};
      p[1] = {pNew, sp.m_nHi - s, sp.m_nHi, sp.m_nHi - s};
      return 2;
    case kWceUiAniTowardHi:
      p[0] = {pOld, sp.m_nLo, sp.m_nHi - s, sp.m_nLo + s};
      p[1] = {pNew, sp.m_nLo, sp.m_nLo + s, sp.m_nLo};
      return 2;
    case kWceUiAniMidToEdges:
      p[0] = {pOld, sp.m_nLo + s, sp.m_nMid, sp.m_nLo};
      p[1] = {pOld, sp.m_nMid, sp.m_nHi - s, sp.m_nMid + s};
      p[2] = {pNew, sp.m_nMid - s, sp.m_nMid + s, sp.m_nMid - s};
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
