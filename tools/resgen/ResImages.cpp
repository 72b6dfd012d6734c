#include "tools/resgen/ResImages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The palette of the pictures. The texts' colours are in the colour file; these are the shapes'.
constexpr DWORD kBgTop = 0x111E33;
constexpr DWORD kBgBottom = 0x070E1A;
constexpr DWORD kAccent = 0x1A5FD0;
constexpr DWORD kAccentEdge = 0x4F8EF0;
constexpr DWORD kAccentDown = 0x10408F;
constexpr DWORD kAccentLight = 0x5AB0FF;
constexpr DWORD kWhite = 0xFFFFFF;
constexpr DWORD kPanel = 0x16243A;
constexpr DWORD kPanelDown = 0x24406A;
constexpr DWORD kLine = 0x3A5478;
constexpr DWORD kTrack = 0x24344D;
constexpr DWORD kMuted = 0x7F8DA3;
constexpr DWORD kWarn = 0xFFC043;
constexpr DWORD kGreen = 0x2DBE60;
constexpr DWORD kCloseFill = 0x2A3950;
constexpr DWORD kCloseDown = 0x4A5E80;

constexpr int kSpinnerFrames = 8;
constexpr int kProgressFrames = 16;
// Where the starting progress lies on an 800x480 screen: its frames are opaque and carry the
// background's gradient of their rows, dithered in step with it.
constexpr int kProgressLeft = 200;
constexpr int kProgressTop = 222;

// A square drawing area of 100 x 100 units centred in the canvas.
struct Square {
  float m_fOx, m_fOy, m_fSide;
  explicit Square(const CResCanvas& c) {
    m_fSide = static_cast<float>(std::min(c.GetWidth(), c.GetHeight()));
    m_fOx = (static_cast<float>(c.GetWidth()) - m_fSide) / 2;
    m_fOy = (static_cast<float>(c.GetHeight()) - m_fSide) / 2;
  }
  float X(float u) const { return m_fOx + u * m_fSide / 100; }
  float Y(float u) const { return m_fOy + u * m_fSide / 100; }
  float L(float u) const { return u * m_fSide / 100; }
};

float W(const CResCanvas& c) {
  return static_cast<float>(c.GetWidth());
}
float H(const CResCanvas& c) {
  return static_cast<float>(c.GetHeight());
}

ResColor Mix(DWORD a, DWORD b, float t) {
  const ResColor ca = ResRgb(a);
  const ResColor cb = ResRgb(b);
  return {ca.m_fR + (cb.m_fR - ca.m_fR) * t, ca.m_fG + (cb.m_fG - ca.m_fG) * t,
          ca.m_fB + (cb.m_fB - ca.m_fB) * t, 1.0f};
}

// ---- backgrounds, buttons, panels

void DrawBackground(CResCanvas& c, const ResScale&) {
  c.FillVertical(ResRgb(kBgTop), ResRgb(kBgBottom));
}

void DrawFilledButton(CResCanvas& c, const ResScale& s, DWORD fill, DWORD edge, float fRadius) {
  const float r = fRadius * s.Unit();
  c.FillRoundRect(0, 0, W(c), H(c), r, ResRgb(fill));
  c.StrokeRoundRect(0, 0, W(c), H(c), r, 2 * s.Unit(), ResRgb(edge));
}

void DrawOutlineButton(CResCanvas& c, const ResScale& s, DWORD fill) {
  const float r = 18 * s.Unit();
  c.FillRoundRect(0, 0, W(c), H(c), r, ResRgb(fill));
  c.StrokeRoundRect(0, 0, W(c), H(c), r, 3 * s.Unit(), ResRgb(kAccentLight));
}

void DrawCloseButton(CResCanvas& c, const ResScale& s, DWORD fill) {
  const Square q(c);
  c.FillCircle(q.X(50), q.Y(50), q.L(46), ResRgb(fill));
  c.StrokeCircle(q.X(50), q.Y(50), q.L(45), 2 * s.Unit(), ResRgb(kLine));
  const float w = 7 * s.Unit();
  c.FillCapsule(q.X(32), q.Y(32), q.X(68), q.Y(68), w, ResRgb(kWhite));
  c.FillCapsule(q.X(68), q.Y(32), q.X(32), q.Y(68), w, ResRgb(kWhite));
}

void DrawPanel(CResCanvas& c, const ResScale& s) {
  const float r = 24 * s.Unit();
  c.FillRoundRect(0, 0, W(c), H(c), r, ResRgb(kPanel));
  c.StrokeRoundRect(0, 0, W(c), H(c), r, 3 * s.Unit(), ResRgb(kLine));
}

// ---- the phone and the pictures built on it

// A phone's outline with a home bar, in units of the square.
void DrawPhone(CResCanvas& c, const Square& q, float x0, float y0, float x1, float y1, DWORD color) {
  const float w = q.L(3.5f);
  c.FillRoundRect(q.X(x0), q.Y(y0), q.X(x1), q.Y(y1), q.L(7), ResRgb(kPanel));
  c.StrokeRoundRect(q.X(x0), q.Y(y0), q.X(x1), q.Y(y1), q.L(7), w, ResRgb(color));
  const float cx = (x0 + x1) / 2;
  c.FillCapsule(q.X(cx - 5), q.Y(y1 - 6), q.X(cx + 5), q.Y(y1 - 6), q.L(2.5f), ResRgb(color));
}

// A USB cable leaving the phone's bottom at x, with its plug.
void DrawCable(CResCanvas& c, const Square& q, float x, float yTop, float yPlug) {
  c.FillCapsule(q.X(x), q.Y(yTop), q.X(x), q.Y(yPlug), q.L(4), ResRgb(kAccentLight));
  c.FillRoundRect(q.X(x - 8), q.Y(yPlug), q.X(x + 8), q.Y(yPlug + 10), q.L(2), ResRgb(kAccentLight));
  c.FillRect(q.X(x - 5), q.Y(yPlug + 10), q.X(x - 2), q.Y(yPlug + 15), ResRgb(kAccentLight));
  c.FillRect(q.X(x + 2), q.Y(yPlug + 10), q.X(x + 5), q.Y(yPlug + 15), ResRgb(kAccentLight));
}

// An arrow from (x0, y) to (x1, y), head at x1.
void DrawArrow(CResCanvas& c, const Square& q, float x0, float x1, float y, DWORD color) {
  const float dir = x1 > x0 ? 1.0f : -1.0f;
  c.FillCapsule(q.X(x0), q.Y(y), q.X(x1 - dir * 6), q.Y(y), q.L(4), ResRgb(color));
  c.FillPolygon({{q.X(x1), q.Y(y)}, {q.X(x1 - dir * 10), q.Y(y - 7)}, {q.X(x1 - dir * 10), q.Y(y + 7)}},
                ResRgb(color));
}

void DrawCheck(CResCanvas& c, const Square& q, float cx, float cy, float r) {
  c.FillCircle(q.X(cx), q.Y(cy), q.L(r), ResRgb(kGreen));
  const float w = q.L(r * 0.22f);
  c.FillCapsule(q.X(cx - r * 0.45f), q.Y(cy), q.X(cx - r * 0.1f), q.Y(cy + r * 0.35f), w, ResRgb(kWhite));
  c.FillCapsule(q.X(cx - r * 0.1f), q.Y(cy + r * 0.35f), q.X(cx + r * 0.5f), q.Y(cy - r * 0.35f), w,
                ResRgb(kWhite));
}

void DrawPlug(CResCanvas& c, const ResScale&) {
  const Square q(c);
  DrawPhone(c, q, 30, 2, 70, 66, kWhite);
  DrawCable(c, q, 50, 66, 80);
}

void DrawWarn(CResCanvas& c, const ResScale&) {
  const Square q(c);
  c.FillCircle(q.X(50), q.Y(50), q.L(46), ResRgb(kWarn));
  c.FillCapsule(q.X(50), q.Y(24), q.X(50), q.Y(56), q.L(11), ResRgb(kBgBottom));
  c.FillCircle(q.X(50), q.Y(73), q.L(6.5f), ResRgb(kBgBottom));
}

void DrawPhoneUp(CResCanvas& c, const ResScale&) {
  const Square q(c);
  DrawPhone(c, q, 28, 2, 72, 98, kWhite);
  // The app comes back to the front: an arrow up on the screen.
  c.FillCapsule(q.X(50), q.Y(70), q.X(50), q.Y(36), q.L(7), ResRgb(kAccentLight));
  c.FillPolygon({{q.X(50), q.Y(18)}, {q.X(35), q.Y(38)}, {q.X(65), q.Y(38)}}, ResRgb(kAccentLight));
}

void DrawCast(CResCanvas& c, const ResScale&) {
  const Square q(c);
  DrawPhone(c, q, 2, 22, 32, 82, kWhite);
  DrawArrow(c, q, 38, 58, 52, kAccentLight);
  c.FillRoundRect(q.X(62), q.Y(28), q.X(98), q.Y(70), q.L(4), ResRgb(kPanel));
  c.StrokeRoundRect(q.X(62), q.Y(28), q.X(98), q.Y(70), q.L(4), q.L(3.5f), ResRgb(kWhite));
  c.FillCapsule(q.X(80), q.Y(70), q.X(80), q.Y(78), q.L(3.5f), ResRgb(kWhite));
  c.FillCapsule(q.X(72), q.Y(79), q.X(88), q.Y(79), q.L(3.5f), ResRgb(kWhite));
}

void DrawCall(CResCanvas& c, const ResScale&) {
  const Square q(c);
  c.FillCircle(q.X(50), q.Y(50), q.L(46), ResRgb(kGreen));
  // A handset: earpiece at the upper left, mouthpiece at the lower right, joined by a curve that
  // bulges to the lower left.
  c.StrokeArc(q.X(64), q.Y(36), q.L(28), q.L(13), 180, 270, ResRgb(kWhite));
  c.FillCapsule(q.X(30), q.Y(24), q.X(38), q.Y(44), q.L(17), ResRgb(kWhite));
  c.FillCapsule(q.X(56), q.Y(62), q.X(76), q.Y(70), q.L(17), ResRgb(kWhite));
}

void DrawLogo(CResCanvas& c, const ResScale&) {
  // Two squares side by side: the phone on the left, the head unit's screen on the right.
  const float side = std::min(W(c) / 2, H(c));
  CResCanvas& canvas = c;
  Square left(c);
  left.m_fSide = side;
  left.m_fOx = (W(c) - 2 * side) / 2;
  left.m_fOy = (H(c) - side) / 2;
  Square right = left;
  right.m_fOx = left.m_fOx + side;
  DrawPhone(canvas, left, 34, 6, 74, 94, kWhite);
  canvas.FillRoundRect(right.X(6), right.Y(18), right.X(94), right.Y(76), right.L(6), ResRgb(kPanel));
  canvas.StrokeRoundRect(right.X(6), right.Y(18), right.X(94), right.Y(76), right.L(6), right.L(4),
                         ResRgb(kWhite));
  canvas.FillCapsule(right.X(30), right.Y(88), right.X(70), right.Y(88), right.L(4), ResRgb(kWhite));
  // Between them, the link both ways.
  DrawArrow(canvas, left, 80, 128, 38, kAccentLight);
  DrawArrow(canvas, left, 128, 80, 60, kAccentLight);
}

void DrawSpinner(CResCanvas& c, const ResScale&, int nFrame) {
  const Square q(c);
  for (int i = 0; i < kSpinnerFrames; ++i) {
    const int behind = (nFrame - i + kSpinnerFrames) % kSpinnerFrames;
    const float a = 1.0f - 0.11f * static_cast<float>(behind);
    const float deg = 360.0f * static_cast<float>(i) / kSpinnerFrames;
    const float rad = deg * 3.14159265f / 180.0f;
    c.FillCircle(q.X(50 + 36 * std::sin(rad)), q.Y(50 - 36 * std::cos(rad)), q.L(behind == 0 ? 11 : 9),
                 ResRgb(behind == 0 ? kAccentLight : kWhite, a));
  }
}

void DrawProgress(CResCanvas& c, const ResScale& s, int nFrame) {
  // Opaque: the background's rows behind the bar, so a plain copy fits in.
  c.SetScreenOrigin(ResScaleX(s, kProgressLeft), ResScaleY(s, kProgressTop));
  for (int y = 0; y < c.GetHeight(); ++y) {
    const float baseY = kProgressTop + (static_cast<float>(y) + 0.5f) / s.m_fY;
    c.FillRect(0, static_cast<float>(y), W(c), static_cast<float>(y + 1),
               Mix(kBgTop, kBgBottom, baseY / (kResBaseHeight - 1)));
  }
  const float y0 = H(c) * 0.2f;
  const float y1 = H(c) * 0.8f;
  const float r = (y1 - y0) / 2;
  c.FillRoundRect(0, y0, W(c), y1, r, ResRgb(kTrack));
  const float fill = W(c) * static_cast<float>(nFrame) / kProgressFrames;
  if (fill > 0) c.FillRoundRect(0, y0, std::max(fill, 2 * r), y1, r, ResRgb(kAccentLight));
}

// ---- help pages

void DrawHelpAndroid1(CResCanvas& c, const ResScale&) {
  const Square q(c);
  DrawPhone(c, q, 22, 2, 78, 98, kWhite);
  // A settings list with the debugging switch turned on.
  for (int i = 0; i < 3; ++i) {
    const float y = 18 + 14 * static_cast<float>(i);
    c.FillCapsule(q.X(32), q.Y(y), q.X(54), q.Y(y), q.L(3), ResRgb(kMuted));
  }
  c.FillRoundRect(q.X(30), q.Y(62), q.X(70), q.Y(80), q.L(9), ResRgb(kGreen));
  c.FillCircle(q.X(61), q.Y(71), q.L(7), ResRgb(kWhite));
}

void DrawHelpAndroid2(CResCanvas& c, const ResScale&) {
  const Square q(c);
  DrawPhone(c, q, 24, 2, 66, 74, kWhite);
  DrawCable(c, q, 45, 74, 84);
  DrawCheck(c, q, 76, 24, 20);
}

void DrawHelpIos1(CResCanvas& c, const ResScale&) {
  const Square q(c);
  DrawPhone(c, q, 24, 2, 66, 74, kWhite);
  // The "trust" question on the screen: a box with two buttons.
  c.FillRoundRect(q.X(29), q.Y(22), q.X(61), q.Y(50), q.L(3), ResRgb(kLine));
  c.FillRoundRect(q.X(32), q.Y(40), q.X(44), q.Y(47), q.L(2), ResRgb(kMuted));
  c.FillRoundRect(q.X(46), q.Y(40), q.X(58), q.Y(47), q.L(2), ResRgb(kAccentLight));
  DrawCable(c, q, 45, 74, 84);
}

void DrawHelpIos2(CResCanvas& c, const ResScale&) {
  const Square q(c);
  DrawPhone(c, q, 22, 2, 78, 98, kWhite);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      const float x = 30 + 14 * static_cast<float>(col);
      const float y = 14 + 16 * static_cast<float>(row);
      const bool bApp = row == 1 && col == 1;
      c.FillRoundRect(q.X(x), q.Y(y), q.X(x + 11), q.Y(y + 11), q.L(3), ResRgb(bApp ? kAccentLight : kLine));
    }
  }
  c.StrokeCircle(q.X(49.5f), q.Y(35.5f), q.L(10), q.L(2.5f), ResRgb(kWarn));
}

std::vector<ResImage> MakeTable() {
  std::vector<ResImage> t = {
      {"common/bg", 800, 480, false, DrawBackground},
      {"common/btn_primary", 360, 96, true,
       [](CResCanvas& c, const ResScale& s) { DrawFilledButton(c, s, kAccent, kAccentEdge, 20); }},
      {"common/btn_primary_down", 360, 96, true,
       [](CResCanvas& c, const ResScale& s) { DrawFilledButton(c, s, kAccentDown, kAccent, 20); }},
      {"common/btn_second", 220, 80, true,
       [](CResCanvas& c, const ResScale& s) { DrawOutlineButton(c, s, kPanel); }},
      {"common/btn_second_down", 220, 80, true,
       [](CResCanvas& c, const ResScale& s) { DrawOutlineButton(c, s, kPanelDown); }},
      {"common/btn_close", 88, 80, true,
       [](CResCanvas& c, const ResScale& s) { DrawCloseButton(c, s, kCloseFill); }},
      {"common/btn_close_down", 88, 80, true,
       [](CResCanvas& c, const ResScale& s) { DrawCloseButton(c, s, kCloseDown); }},
      {"common/btn_tile", 300, 180, true,
       [](CResCanvas& c, const ResScale& s) { DrawFilledButton(c, s, kAccent, kAccentEdge, 24); }},
      {"common/btn_tile_down", 300, 180, true,
       [](CResCanvas& c, const ResScale& s) { DrawFilledButton(c, s, kAccentDown, kAccent, 24); }},
      {"common/panel", 600, 360, true, DrawPanel},
      {"main/logo", 360, 180, true, DrawLogo},
      {"main/plug", 160, 160, true, DrawPlug},
      {"main/warn", 160, 160, true, DrawWarn},
      {"main/phone", 160, 160, true, DrawPhoneUp},
      {"main/cast", 160, 160, true, DrawCast},
      {"main/call", 160, 160, true, DrawCall},
      {"help/android1", 240, 240, true, DrawHelpAndroid1},
      {"help/android2", 240, 240, true, DrawHelpAndroid2},
      {"help/ios1", 240, 240, true, DrawHelpIos1},
      {"help/ios2", 240, 240, true, DrawHelpIos2},
  };
  for (int i = 0; i < kSpinnerFrames; ++i) {
    t.push_back({"main/spin" + std::to_string(i + 1), 128, 128, true,
                 [i](CResCanvas& c, const ResScale& s) { DrawSpinner(c, s, i); }});
  }
  for (int i = 0; i < kProgressFrames; ++i) {
    char id[32];
    std::snprintf(id, sizeof(id), "main/prog%02d", i + 1);
    t.push_back({id, 400, 24, false, [i](CResCanvas& c, const ResScale& s) { DrawProgress(c, s, i + 1); }});
  }
  return t;
}

}  // namespace

const std::vector<ResImage>& ResImageTable() {
  static const std::vector<ResImage> table = MakeTable();
  return table;
}

CResCanvas ResDrawImage(const ResImage& image, const ResScale& scale) {
  CResCanvas canvas(ResScaleX(scale, image.m_nBaseWidth), ResScaleY(scale, image.m_nBaseHeight));
  image.m_fnDraw(canvas, scale);
  return canvas;
}
