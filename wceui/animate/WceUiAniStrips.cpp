#include "wceui/animate/WceUiAniStrips.h"

#include "wceui/base/WceUiGeometry.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/animate/CWceUiWndAnimate.h"

BOOL WceUiGetAniMove(UINT nDirection, WceUiAniMove* pMove) {
  static const WceUiAniMove kMoves[] = {
      {FALSE, kWceUiAniTowardLo},  {FALSE, kWceUiAniTowardHi},   {TRUE, kWceUiAniTowardLo},
      {TRUE, kWceUiAniTowardHi},   {FALSE, kWceUiAniEdgesToMid}, {FALSE, kWceUiAniMidToEdges},
      {TRUE, kWceUiAniEdgesToMid}, {TRUE, kWceUiAniMidToEdges},
  };
  if (nDirection < kWceUiAniLeft || nDirection > kWceUiAniMidUd) return FALSE;
  *pMove = kMoves[nDirection - kWceUiAniLeft];
  return TRUE;
}

WceUiAniSpan WceUiGetAniSpan(const RECT& rcWork, BOOL bVertical) {
  const int lo = bVertical ? rcWork.top : rcWork.left;
  const int hi = bVertical ? rcWork.bottom : rcWork.right;
  return {lo, hi, lo + (hi - lo) / 2};
}

int WceUiAniShift(int nCurFrame, int nFrameCount, int nTotal) {
  // A middle form over one pixel has nothing to cover, and the curve would report the empty move.
  if (nTotal <= 0) return 0;
  return CalcAnidisplacement(nCurFrame, nFrameCount, nTotal);
}

int WceUiAniDistance(const WceUiAniSpan& span, WceUiAniForm form) {
  const int nSize = span.m_nHi - span.m_nLo;
  return form == kWceUiAniEdgesToMid || form == kWceUiAniMidToEdges ? nSize / 2 : nSize;
}

BOOL WceUiDrawAniStrips(CWceUiGenericBitmap* pMixedBitmap, const RECT& rcWork, BOOL bVertical,
                        const WceUiAniStrip* pStrips, int nStrips) {
  const int nAcross = bVertical ? rcWork.right - rcWork.left : rcWork.bottom - rcWork.top;
  for (int i = 0; i < nStrips; ++i) {
    const WceUiAniStrip& s = pStrips[i];
    const int nLength = s.m_nTo - s.m_nFrom;
    if (nLength <= 0) continue;
    const BOOL bOk = bVertical ? pMixedBitmap->BitBlt(rcWork.left, s.m_nAt, nAcross, nLength, s.m_pSrc,
                                                      rcWork.left, s.m_nFrom, SRCCOPY)
                               : pMixedBitmap->BitBlt(s.m_nAt, rcWork.top, nLength, nAcross, s.m_pSrc,
                                                      s.m_nFrom, rcWork.top, SRCCOPY);
    if (!bOk) return FALSE;
  }
  return TRUE;
}
