// The window animations' rules written out per pixel, for the tests to compare frames with: which
// picture shows at a place of a frame, and which of its columns (rows). Outside the working
// rectangle an animation draws nothing.
#pragma once

#include "wceui/base/WceUiGeometry.h"
#include "wceui/animate/CWceUiWndAnimate.h"

#include <string>

enum AniPic { kAniOld, kAniNew };

// Where a pixel comes from: a picture and its coordinate along the axis of movement.
struct AniSource {
  AniPic m_Pic;
  int m_nQ;
};

// The axis seen from one place: low and high edge, middle, displacement.
struct AniAxis {
  int m_nLo;
  int m_nHi;
  int m_nMid;
  int m_nS;
};

typedef AniSource (*AniRule)(const AniAxis& a, int p);

// The rules, along the axis of movement; "toward lo" is left or up.
inline AniSource WipeTowardLo(const AniAxis& a, int p) {
  return {p < a.m_nHi - a.m_nS ? kAniOld : kAniNew, p};
}
inline AniSource WipeTowardHi(const AniAxis& a, int p) {
  return {p < a.m_nLo + a.m_nS ? kAniNew : kAniOld, p};
}
inline AniSource WipeEdgesToMid(const AniAxis& a, int p) {
  return {p < a.m_nLo + a.m_nS || p >= a.m_nHi - a.m_nS ? kAniNew : kAniOld, p};
}
inline AniSource WipeMidToEdges(const AniAxis& a, int p) {
  return {a.m_nMid - a.m_nS <= p && p < a.m_nMid + a.m_nS ? kAniNew : kAniOld, p};
}
inline AniSource PushTowardLo(const AniAxis& a, int p) {
  return p < a.m_nHi - a.m_nS ? AniSource{kAniOld, p + a.m_nS}
                              : AniSource{kAniNew, p - (a.m_nHi - a.m_nS) + a.m_nLo};
}
inline AniSource PushTowardHi(const AniAxis& a, int p) {
  return p < a.m_nLo + a.m_nS ? AniSource{kAniNew, p + (a.m_nHi - a.m_nS) - a.m_nLo}
                              : AniSource{kAniOld, p - a.m_nS};
}
inline AniSource ComeTowardLo(const AniAxis& a, int p) {
  return p < a.m_nHi - a.m_nS ? AniSource{kAniOld, p} : AniSource{kAniNew, p - (a.m_nHi - a.m_nS) + a.m_nLo};
}
inline AniSource ComeTowardHi(const AniAxis& a, int p) {
  return p < a.m_nLo + a.m_nS ? AniSource{kAniNew, p + (a.m_nHi - a.m_nS) - a.m_nLo} : AniSource{kAniOld, p};
}
inline AniSource ComeEdgesToMid(const AniAxis& a, int p) {
  if (p < a.m_nLo + a.m_nS) return {kAniNew, p - a.m_nLo + (a.m_nMid - a.m_nS)};
  if (p >= a.m_nHi - a.m_nS) return {kAniNew, p - (a.m_nHi - a.m_nS) + a.m_nMid};
  return {kAniOld, p};
}
inline AniSource GoTowardLo(const AniAxis& a, int p) {
  return p < a.m_nHi - a.m_nS ? AniSource{kAniOld, p + a.m_nS} : AniSource{kAniNew, p};
}
inline AniSource GoTowardHi(const AniAxis& a, int p) {
  return p < a.m_nLo + a.m_nS ? AniSource{kAniNew, p} : AniSource{kAniOld, p - a.m_nS};
}
inline AniSource GoMidToEdges(const AniAxis& a, int p) {
  if (p < a.m_nMid - a.m_nS) return {kAniOld, p + a.m_nS};
  if (p >= a.m_nMid + a.m_nS) return {kAniOld, p - a.m_nS};
  return {kAniNew, p};
}

struct AniCase {
  const char16_t* m_pszClass;
  UINT m_nDirection;
  bool m_bVertical;
  bool m_bHalf;  // the middle directions cover half the size
  AniRule m_pfnRule;
};

// Every kind and direction that moves strips (the cross-fade blends instead).
inline const AniCase kAniCases[] = {
    {u"CWceUiBarnAni", kWceUiAniLeft, false, false, WipeTowardLo},
    {u"CWceUiBarnAni", kWceUiAniRight, false, false, WipeTowardHi},
    {u"CWceUiBarnAni", kWceUiAniUp, true, false, WipeTowardLo},
    {u"CWceUiBarnAni", kWceUiAniDown, true, false, WipeTowardHi},
    {u"CWceUiBarnAni", kWceUiAniLrMid, false, true, WipeEdgesToMid},
    {u"CWceUiBarnAni", kWceUiAniMidLr, false, true, WipeMidToEdges},
    {u"CWceUiBarnAni", kWceUiAniUdMid, true, true, WipeEdgesToMid},
    {u"CWceUiBarnAni", kWceUiAniMidUd, true, true, WipeMidToEdges},
    {u"CWceUiSliderAni", kWceUiSliderUp, true, false, PushTowardLo},
    {u"CWceUiSliderAni", kWceUiSliderDown, true, false, PushTowardHi},
    {u"CWceUiSliderAni", kWceUiSliderLeft, false, false, PushTowardLo},
    {u"CWceUiSliderAni", kWceUiSliderRight, false, false, PushTowardHi},
    {u"CWceUiComeAni", kWceUiAniLeft, false, false, ComeTowardLo},
    {u"CWceUiComeAni", kWceUiAniRight, false, false, ComeTowardHi},
    {u"CWceUiComeAni", kWceUiAniUp, true, false, ComeTowardLo},
    {u"CWceUiComeAni", kWceUiAniDown, true, false, ComeTowardHi},
    {u"CWceUiComeAni", kWceUiAniLrMid, false, true, ComeEdgesToMid},
    {u"CWceUiComeAni", kWceUiAniUdMid, true, true, ComeEdgesToMid},
    {u"CWceUiGoAni", kWceUiAniLeft, false, false, GoTowardLo},
    {u"CWceUiGoAni", kWceUiAniRight, false, false, GoTowardHi},
    {u"CWceUiGoAni", kWceUiAniUp, true, false, GoTowardLo},
    {u"CWceUiGoAni", kWceUiAniDown, true, false, GoTowardHi},
    {u"CWceUiGoAni", kWceUiAniMidLr, false, true, GoMidToEdges},
    {u"CWceUiGoAni", kWceUiAniMidUd, true, true, GoMidToEdges},
};

// The case of a class and direction; nullptr for none.
inline const AniCase* FindAniCase(const std::u16string& cls, UINT nDirection) {
  for (const AniCase& c : kAniCases) {
    if (cls == c.m_pszClass && c.m_nDirection == nDirection) return &c;
  }
  return nullptr;
}

// A place of a picture.
struct AniPixel {
  AniPic m_Pic;
  int m_nX;
  int m_nY;
};

// Where the pixel at (x, y) of frame n of nFrames comes from, inside the working rectangle r (the
// animation's rectangle clipped to the bitmaps): the last frame is the new picture.
inline AniPixel AniFramePixel(const AniCase& c, const RECT& r, int n, int nFrames, int x, int y) {
  if (n + 1 == nFrames) return {kAniNew, x, y};
  const int lo = c.m_bVertical ? r.top : r.left;
  const int hi = c.m_bVertical ? r.bottom : r.right;
  const int nTotal = c.m_bHalf ? (hi - lo) / 2 : hi - lo;
  const AniAxis a = {lo, hi, lo + (hi - lo) / 2, CalcAnidisplacement(n, nFrames, nTotal)};
  const AniSource src = c.m_pfnRule(a, c.m_bVertical ? y : x);
  return c.m_bVertical ? AniPixel{src.m_Pic, x, src.m_nQ} : AniPixel{src.m_Pic, src.m_nQ, y};
}
