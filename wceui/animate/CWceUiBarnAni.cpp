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
      p[0] = {pOld, sp.m_nLo, sp.m_nHi - s, sp.m_nLo};
      p[1] = {pNew, sp.m_nHi - s, sp.m_nHi, sp.m_nHi - s};
      return 2;
    case kWceUiAniTowardHi:
      p[0] = {pNew, sp.m_nLo, sp.m_nLo + s, sp.m_nLo};
      p[1] = {pOld, sp.m_nLo + s, sp.m_nHi, sp.m_nLo + s};
      return 2;
    case kWceUiAniEdgesToMid:
      p[0] = {pNew, sp.m_nLo, sp.m_nLo + s, sp.m_nLo};
      p[1] = {pOld, sp.m_nLo + s, sp.m_nHi - s, sp.m_nLo + s};
      p[2] = {pNew, sp.m_nHi - s, sp.m_nHi, sp.m_nHi - s};
      return 3;
    case kWceUiAniMidToEdges:
      p[0] = {pOld, sp.m_nLo, sp.m_nMid - s, sp.m_nLo};
      p[1] = {pNew, sp.m_nMid - s, sp.m_nMid + s, sp.m_nMid - s};
      p[2] = {pOld, sp.m_nMid + s, sp.m_nHi, sp.m_nMid + s};
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
