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
  AniPic pic;
  int q;
};

// The axis seen from one place: low and high edge, middle, displacement.
struct AniAxis {
  int lo;
  int hi;
  int mid;
  int s;
};

typedef AniSource (*AniRule)(const AniAxis& a, int p);

// The rules, along the axis of movement; "toward lo" is left or up.
inline AniSource WipeTowardLo(const AniAxis& a, int p) {
  return {p < a.hi - a.s ? kAniOld : kAniNew, p};
}
inline AniSource WipeTowardHi(const AniAxis& a, int p) {
  return {p < a.lo + a.s ? kAniNew : kAniOld, p};
}
inline AniSource WipeEdgesToMid(const AniAxis& a, int p) {
  return {p < a.lo + a.s || p >= a.hi - a.s ? kAniNew : kAniOld, p};
}
inline AniSource WipeMidToEdges(const AniAxis& a, int p) {
  return {a.mid - a.s <= p && p < a.mid + a.s ? kAniNew : kAniOld, p};
}
inline AniSource PushTowardLo(const AniAxis& a, int p) {
  return p < a.hi - a.s ? AniSource{kAniOld, p + a.s} : AniSource{kAniNew, p - (a.hi - a.s) + a.lo};
}
inline AniSource PushTowardHi(const AniAxis& a, int p) {
  return p < a.lo + a.s ? AniSource{kAniNew, p + (a.hi - a.s) - a.lo} : AniSource{kAniOld, p - a.s};
}
inline AniSource ComeTowardLo(const AniAxis& a, int p) {
  return p < a.hi - a.s ? AniSource{kAniOld, p} : AniSource{kAniNew, p - (a.hi - a.s) + a.lo};
}
inline AniSource ComeTowardHi(const AniAxis& a, int p) {
  return p < a.lo + a.s ? AniSource{kAniNew, p + (a.hi - a.s) - a.lo} : AniSource{kAniOld, p};
}
inline AniSource ComeEdgesToMid(const AniAxis& a, int p) {
  if (p < a.lo + a.s) return {kAniNew, p - a.lo + (a.mid - a.s)};
  if (p >= a.hi - a.s) return {kAniNew, p - (a.hi - a.s) + a.mid};
  return {kAniOld, p};
}
inline AniSource GoTowardLo(const AniAxis& a, int p) {
  return p < a.hi - a.s ? AniSource{kAniOld, p + a.s} : AniSource{kAniNew, p};
}
inline AniSource GoTowardHi(const AniAxis& a, int p) {
  return p < a.lo + a.s ? AniSource{kAniNew, p} : AniSource{kAniOld, p - a.s};
}
inline AniSource GoMidToEdges(const AniAxis& a, int p) {
  if (p < a.mid - a.s) return {kAniOld, p + a.s};
  if (p >= a.mid + a.s) return {kAniOld, p - a.s};
  return {kAniNew, p};
}

struct AniCase {
  const char16_t* pClass;
  UINT nDirection;
  bool bVertical;
  bool bHalf;  // the middle directions cover half the size
  AniRule rule;
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
    if (cls == c.pClass && c.nDirection == nDirection) return &c;
  }
  return nullptr;
}

// A place of a picture.
struct AniPixel {
  AniPic pic;
  int x;
  int y;
};

// Where the pixel at (x, y) of frame n of nFrames comes from, inside the working rectangle r (the
// animation's rectangle clipped to the bitmaps): the last frame is the new picture.
inline AniPixel AniFramePixel(const AniCase& c, const RECT& r, int n, int nFrames, int x, int y) {
  if (n + 1 == nFrames) return {kAniNew, x, y};
  const int lo = c.bVertical ? r.top : r.left;
  const int hi = c.bVertical ? r.bottom : r.right;
  const int nTotal = c.bHalf ? (hi - lo) / 2 : hi - lo;
  const AniAxis a = {lo, hi, lo + (hi - lo) / 2, CalcAnidisplacement(n, nFrames, nTotal)};
  const AniSource src = c.rule(a, c.bVertical ? y : x);
  return c.bVertical ? AniPixel{src.pic, x, src.q} : AniPixel{src.pic, src.q, y};
}
