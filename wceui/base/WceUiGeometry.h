// Rectangle texts, the "large" rectangle, the clipping of copy and stretch rectangles, alignment,
// and the ease-in/ease-out displacement of animations.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

// {-65535, -65535, 65535, 65535}: "not set" in styles, background items and animations.
constexpr LONG kWceUiLargeCoord = 65535;

// Alignment flags; 0 is left and top.
#define WCEUI_ALIGN_HCENTER 1
#define WCEUI_ALIGN_RIGHT 2
#define WCEUI_ALIGN_VCENTER 4
#define WCEUI_ALIGN_BOTTOM 8

// Four integers x, y, w, h give {x, y, x + w, y + h}. A number starts at a digit that begins the
// text or follows a tab, CR, LF, blank, "," or "-" (which then belongs to it); a digit after
// anything else (a letter, a point) starts nothing. 0 when fewer than four are found.
BOOL ConvertRectStrToRect(LPCWSTR pRectStr, LPRECT pRect);

// The rectangle of a position and size, and a rectangle's width and height.
inline RECT WceUiRectOf(int x, int y, int nWidth, int nHeight) {
  RECT rc = {x, y, x + nWidth, y + nHeight};
  return rc;
}
inline int WceUiRectWidth(const RECT& rc) {
  return rc.right - rc.left;
}
inline int WceUiRectHeight(const RECT& rc) {
  return rc.bottom - rc.top;
}

void SetRectLarge(LPRECT lpRect);
BOOL IsRectLarge(const RECT* lpRect);

// Clips an equal-size copy of rcSrc (inside rcSrcBound) to rcDst (inside rcDstBound). 0, with
// empty outputs, when nothing is left to copy.
BOOL CalcBitBltRects(LPRECT pDst, LPRECT pSrc, const RECT& rcDstBound, const RECT& rcSrcBound,
                     const RECT& rcDst, const RECT& rcSrc);
// The same for a scaled copy; the scale factors are rcDst's size over rcSrc's.
BOOL CalcStretchBltRects(LPRECT pDst, LPRECT pSrc, const RECT& rcDstBound, const RECT& rcSrcBound,
                         const RECT& rcDst, const RECT& rcSrc);
// Places a source of natural size in the destination by the alignment flags: a shorter source
// sits inside the destination; a longer one gives a destination-sized window of itself.
void CalcAlignRects(LPRECT pDst, LPRECT pSrc, const RECT& rcDst, const RECT& rcSrc, UINT nAlign);

// Displacement after frame nCurFrame (0 ... nFrameCount - 1) of a movement of nStotal that
// speeds up through the first half of the frames and slows down through the second.
int CalcAnidisplacement(int nCurFrame, int nFrameCount, int nStotal);
