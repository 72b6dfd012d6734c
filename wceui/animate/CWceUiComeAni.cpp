#include "wceui/animate/CWceUiComeAni.h"

#include <cstdlib>

namespace {
const bool g_bListed = (WceUiAddAnimateClassName(WCEUI_CLASS_NAME(CWceUiComeAni)), true);

const DWORD kComeCodes = WceUiAniCodeBit(kWceUiAniLeft) | WceUiAniCodeBit(kWceUiAniRight) |
                         WceUiAniCodeBit(kWceUiAniUp) | WceUiAniCodeBit(kWceUiAniDown) |
                         WceUiAniCodeBit(kWceUiAniLrMid) | WceUiAniCodeBit(kWceUiAniUdMid);

// left (toward lo): the new picture enters through the far edge, its leading columns first; the
// middle form brings its two halves in from both edges, each half's inner edge leading.
int ComeStrips(WceUiAniForm form, const WceUiAniSpan& sp, int s, CWceUiGenericBitmap* pOld,
               CWceUiGenericBitmap* pNew, WceUiAniStrip* p) {
  switch (form) {
    case kWceUiAniTowardLo:
      p[0] = {pOld, sp.m_nLo, sp.m_nHi - s, sp.m_nLo};
      p[1] = {pNew, sp.m_nLo, sp.m_nLo + s, sp.m_nHi - s};
      return 2;
    case kWceUiAniTowardHi:
      p[0] = {pOld, sp.m_nLo + s, sp.m_nHi, sp.m_nLo + s};
      p[1] = {pNew, sp.m_nHi - s, sp.m_nHi, sp.m_nLo};
      return 2;
    case kWceUiAniEdgesToMid:
      p[0] = {pOld, sp.m_nLo + s, sp.m_nHi - s, sp.m_nLo + s};
      p[1] = {pNew, sp.m_nMid - s, sp.m_nMid, sp.m_nLo};
      p[2] = {pNew, sp.m_nMid, sp.m_nMid + s, sp.m_nHi - s};
      return 3;
    case kWceUiAniMidToEdges:
      break;
  }
  return 0;
}
}  // namespace

CWceUiComeAni::CWceUiComeAni() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiComeAni));
}

CWceUiComeAni::~CWceUiComeAni() = default;

BOOL CWceUiComeAni::Init(CWceUiXmlElem* pElem) {
  return InitKind(pElem, kWceUiAniDirectionWords, 8, kComeCodes);
}

BOOL CWceUiComeAni::Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                         CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) {
  return PlayEightWay(pMixedBitmap, pFromBitmap, pToBitmap, nCurFrame, lpPlayTime, kComeCodes, ComeStrips);
}

void CWceUiComeAni::SetRandomDirection() {
  static const UINT kDirections[6] = {kWceUiAniLeft, kWceUiAniRight, kWceUiAniUp,
                                      kWceUiAniDown, kWceUiAniLrMid, kWceUiAniUdMid};
  m_nDirection = kDirections[static_cast<UINT>(rand()) % 6];
}
