// The pieces every frame of the moving and wiping animations is made of: full-height strips (or
// full-width bands for the vertical directions) of the old or the new picture, copied to a place
// along the axis of movement. Described along that axis, one direction serves both axes.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

class CWceUiGenericBitmap;

// Where the boundary or the pictures go, along the axis of movement.
enum WceUiAniForm {
  kWceUiAniTowardLo,    // left or up
  kWceUiAniTowardHi,    // right or down
  kWceUiAniEdgesToMid,  // from both edges toward the middle
  kWceUiAniMidToEdges,  // from the middle toward both edges
};

struct WceUiAniMove {
  BOOL m_bVertical;
  WceUiAniForm m_nForm;
};

// The working rectangle seen along the axis: its low and high edge and its middle (lo + size / 2,
// the half rounded toward zero).
struct WceUiAniSpan {
  int m_nLo;
  int m_nHi;
  int m_nMid;
};

// Columns (rows) [nFrom, nTo) of pSrc drawn at nAt, across the whole working rectangle.
struct WceUiAniStrip {
  CWceUiGenericBitmap* m_pSrc;
  int m_nFrom;
  int m_nTo;
  int m_nAt;
};

constexpr int kWceUiAniMaxStrips = 3;

// The strips of one frame of a kind, s pixels along the move; returns how many it wrote.
typedef int (*WceUiAniStripsFn)(WceUiAniForm form, const WceUiAniSpan& span, int s, CWceUiGenericBitmap* pOld,
                                CWceUiGenericBitmap* pNew, WceUiAniStrip* pStrips);

// The move of the eight-direction codes (left, right, up, down, lr-mid, mid-lr, ud-mid, mid-ud).
BOOL WceUiGetAniMove(UINT nDirection, WceUiAniMove* pMove);
WceUiAniSpan WceUiGetAniSpan(const RECT& rcWork, BOOL bVertical);
// The displacement after frame n of N over nTotal; 0 for a distance of nothing.
int WceUiAniShift(int nCurFrame, int nFrameCount, int nTotal);
// The distance the form covers: the whole span, or half of it for the middle forms.
int WceUiAniDistance(const WceUiAniSpan& span, WceUiAniForm form);
// Copies the strips; an empty strip is skipped.
BOOL WceUiDrawAniStrips(CWceUiGenericBitmap* pMixedBitmap, const RECT& rcWork, BOOL bVertical,
                        const WceUiAniStrip* pStrips, int nStrips);
