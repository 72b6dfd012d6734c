#include "wceui/base/WceUiGeometry.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

LONG Width(const RECT& rc) {
  return rc.right - rc.left;
}
LONG Height(const RECT& rc) {
  return rc.bottom - rc.top;
}

// A rectangle written as x, y, w, h whose far corner lies beyond a LONG has no RECT; the sum is
// taken in 64 bits so that telling it costs no overflow.
bool FitsLong(int64_t v) {
  return v >= std::numeric_limits<LONG>::min() && v <= std::numeric_limits<LONG>::max();
}

bool StartsNumberAfter(WCHAR c) {
  return c == u'\t' || c == u'\r' || c == u'\n' || c == u' ' || c == u',' || c == u'-';
}

void ClearBoth(LPRECT pDst, LPRECT pSrc) {
  SetRectEmpty(pDst);
  SetRectEmpty(pSrc);
}

}  // namespace

BOOL ConvertRectStrToRect(LPCWSTR pRectStr, LPRECT pRect) {
  WCEUI_CHECK(NULL != pRectStr);
  if (pRectStr == nullptr || pRect == nullptr) return FALSE;
  LONG values[4];
  int nFound = 0;
  for (int i = 0; pRectStr[i] != 0 && nFound < 4; ++i) {
    if (pRectStr[i] < u'0' || pRectStr[i] > u'9') continue;
    int nStart = i;
    if (i > 0) {
      if (!StartsNumberAfter(pRectStr[i - 1])) continue;
      if (pRectStr[i - 1] == u'-') nStart = i - 1;
    }
    values[nFound++] = static_cast<LONG>(wcstol(pRectStr + nStart, nullptr, 10));
  }
  if (nFound < 4) return FALSE;
  const int64_t nRight = int64_t{values[0]} + values[2];
  const int64_t nBottom = int64_t{values[1]} + values[3];
  WCEUI_CHECK(FitsLong(nRight) && FitsLong(nBottom));
  if (!FitsLong(nRight) || !FitsLong(nBottom)) return FALSE;
  SetRect(pRect, values[0], values[1], static_cast<LONG>(nRight), static_cast<LONG>(nBottom));
  return TRUE;
}

void SetRectLarge(LPRECT lpRect) {
  WCEUI_CHECK(NULL != lpRect);
  SetRect(lpRect, -kWceUiLargeCoord, -kWceUiLargeCoord, kWceUiLargeCoord, kWceUiLargeCoord);
}

BOOL IsRectLarge(const RECT* lpRect) {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return FALSE;
  return lpRect->left == -kWceUiLargeCoord && lpRect->top == -kWceUiLargeCoord &&
         lpRect->right == kWceUiLargeCoord && lpRect->bottom == kWceUiLargeCoord;
}

BOOL CalcBitBltRects(LPRECT pDst, LPRECT pSrc, const RECT& rcDstBound, const RECT& rcSrcBound,
                     const RECT& rcDst, const RECT& rcSrc) {
  if (Width(rcDst) != Width(rcSrc)) WceUiCheckFailed(__PRETTY_FUNCTION__, "rcDst.Width() == rcSrc.Width()");
  if (Height(rcDst) != Height(rcSrc))
    WceUiCheckFailed(__PRETTY_FUNCTION__, "rcDst.Height() == rcSrc.Height()");
  RECT rcDstPart, rcSrcPart;
  if (!IntersectRect(&rcDstPart, &rcDst, &rcDstBound) || !IntersectRect(&rcSrcPart, &rcSrc, &rcSrcBound)) {
    ClearBoth(pDst, pSrc);
    return FALSE;
  }
  if (EqualRect(&rcDstPart, &rcDst) && EqualRect(&rcSrcPart, &rcSrc)) {
    *pDst = rcDst;
    *pSrc = rcSrc;
    return TRUE;
  }
  const LONG dx = rcDst.left - rcSrc.left;
  const LONG dy = rcDst.top - rcSrc.top;
  RECT rcFinalDst = rcSrcPart;
  OffsetRect(&rcFinalDst, dx, dy);
  if (!IntersectRect(&rcFinalDst, &rcFinalDst, &rcDstPart)) {
    ClearBoth(pDst, pSrc);
    return FALSE;
  }
  RECT rcFinalSrc = rcFinalDst;
  OffsetRect(&rcFinalSrc, -dx, -dy);
  RECT rcTemp;
  BOOL bTemp = IntersectRect(&rcTemp, &rcFinalSrc, &rcSrcBound);
  WCEUI_CHECK(bTemp);
  if (!EqualRect(&rcTemp, &rcFinalSrc)) WceUiCheckFailed(__PRETTY_FUNCTION__, "rcTemp == rcFinalSrc");
  *pDst = rcFinalDst;
  *pSrc = rcFinalSrc;
  return TRUE;
}

BOOL CalcStretchBltRects(LPRECT pDst, LPRECT pSrc, const RECT& rcDstBound, const RECT& rcSrcBound,
                         const RECT& rcDst, const RECT& rcSrc) {
  if (Width(rcDst) == Width(rcSrc) && Height(rcDst) == Height(rcSrc)) {
    return CalcBitBltRects(pDst, pSrc, rcDstBound, rcSrcBound, rcDst, rcSrc);
  }
  RECT rcSrcPart;
  if (IsRectEmpty(&rcDst) || IsRectEmpty(&rcSrc) || !IntersectRect(&rcSrcPart, &rcSrc, &rcSrcBound)) {
    ClearBoth(pDst, pSrc);
    return FALSE;
  }
  const double sx = static_cast<double>(Width(rcDst)) / Width(rcSrc);
  const double sy = static_cast<double>(Height(rcDst)) / Height(rcSrc);
  RECT rcScaled = {rcDst.left + static_cast<LONG>((rcSrcPart.left - rcSrc.left) * sx),
                   rcDst.top + static_cast<LONG>((rcSrcPart.top - rcSrc.top) * sy),
                   rcDst.left + static_cast<LONG>((rcSrcPart.right - rcSrc.left) * sx),
                   rcDst.top + static_cast<LONG>((rcSrcPart.bottom - rcSrc.top) * sy)};
  RECT rcFinalDst;
  if (!IntersectRect(&rcFinalDst, &rcScaled, &rcDstBound)) {
    ClearBoth(pDst, pSrc);
    return FALSE;
  }
  RECT rcFinalSrc = {rcSrc.left + static_cast<LONG>((rcFinalDst.left - rcDst.left) / sx),
                     rcSrc.top + static_cast<LONG>((rcFinalDst.top - rcDst.top) / sy),
                     rcSrc.left + static_cast<LONG>((rcFinalDst.right - rcDst.left) / sx),
                     rcSrc.top + static_cast<LONG>((rcFinalDst.bottom - rcDst.top) / sy)};
  if (IsRectEmpty(&rcFinalSrc)) {
    ClearBoth(pDst, pSrc);
    return FALSE;
  }
  *pDst = rcFinalDst;
  *pSrc = rcFinalSrc;
  return TRUE;
}

namespace {
// One axis of the alignment: [dstLo, dstHi) and [srcLo, srcHi) in, the placed pair out.
void AlignAxis(LONG dstLo, LONG dstHi, LONG srcLo, LONG srcHi, bool bCentre, bool bFar, LONG& outDstLo,
               LONG& outDstHi, LONG& outSrcLo, LONG& outSrcHi) {
  const LONG dstLen = dstHi - dstLo;
  const LONG srcLen = srcHi - srcLo;
  if (srcLen < dstLen) {
    LONG pos = bFar ? dstHi - srcLen : bCentre ? dstLo + (dstLen - srcLen) / 2 : dstLo;
    outDstLo = pos;
    outDstHi = pos + srcLen;
    outSrcLo = srcLo;
    outSrcHi = srcHi;
  } else {
    LONG pos = bFar ? srcHi - dstLen : bCentre ? srcLo + (srcLen - dstLen) / 2 : srcLo;
    outDstLo = dstLo;
    outDstHi = dstHi;
    outSrcLo = pos;
    outSrcHi = pos + dstLen;
  }
}
}  // namespace

void CalcAlignRects(LPRECT pDst, LPRECT pSrc, const RECT& rcDst, const RECT& rcSrc, UINT nAlign) {
  if (pDst == nullptr || pSrc == nullptr) return;
  RECT rcD, rcS;
  AlignAxis(rcDst.left, rcDst.right, rcSrc.left, rcSrc.right, (nAlign & WCEUI_ALIGN_HCENTER) != 0,
            (nAlign & WCEUI_ALIGN_RIGHT) != 0, rcD.left, rcD.right, rcS.left, rcS.right);
  AlignAxis(rcDst.top, rcDst.bottom, rcSrc.top, rcSrc.bottom, (nAlign & WCEUI_ALIGN_VCENTER) != 0,
            (nAlign & WCEUI_ALIGN_BOTTOM) != 0, rcD.top, rcD.bottom, rcS.top, rcS.bottom);
  IntersectRect(&rcD, &rcD, &rcDst);
  IntersectRect(&rcS, &rcS, &rcSrc);
  const LONG w = std::min(Width(rcD), Width(rcS));
  const LONG h = std::min(Height(rcD), Height(rcS));
  rcD.right = rcD.left + w;
  rcD.bottom = rcD.top + h;
  rcS.right = rcS.left + w;
  rcS.bottom = rcS.top + h;
  *pDst = rcD;
  *pSrc = rcS;
}

int CalcAnidisplacement(int nCurFrame, int nFrameCount, int nStotal) {
  WCEUI_CHECK(nFrameCount > 0);
  WCEUI_CHECK(nStotal > 0);
  WCEUI_CHECK(((nCurFrame >= 0) && (nCurFrame < nFrameCount)));
  if (nFrameCount <= 0 || nStotal <= 0 || nCurFrame < 0 || nCurFrame >= nFrameCount) return 0;
  if (nCurFrame + 1 == nFrameCount) return nStotal;
  const int m = nCurFrame + 1;
  const int h = std::max(1, nFrameCount / 2);
  const double a = static_cast<double>(nStotal) / (static_cast<double>(h) * h);
  // The square is taken as an integer before it meets the double: (a * m) * m rounds below the
  // exact half way, 399 instead of 400 for frame 5 of 12 over 800.
  double s;
  if (m <= h) {
    s = a * (m * m) / 2;
  } else {
    const int rest = nFrameCount - m;
    s = nStotal - a * (rest * rest) / 2;
  }
  int nResult = static_cast<int>(s);
  return std::max(0, std::min(nResult, nStotal));
}
