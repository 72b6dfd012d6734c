#include "tools/resgen/CResCanvas.h"

#include "wceui/drawing/WceUiDib.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSamples = 4;  // a side: 16 samples a pixel
constexpr float kPi = 3.14159265358979f;

BYTE ToByte(float v) {
  return static_cast<BYTE>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

// The 4 x 4 ordered-dither thresholds, centred on 0: a gradient over a large area would otherwise
// fall into visible bands of one RGB565 step.
constexpr float kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
float DitherOffset(int x, int y) {
  return (kBayer4[y & 3][x & 3] + 0.5f) / 16.0f - 0.5f;
}

// One channel of a premultiplied RGB565 pixel. The blend adds the source to the destination
// weighed by (63 - a) / 64 without saturating, so a channel must not exceed what the quantised
// alpha plane value a allows: below full opacity it is premultiplied by that value and cut down.
// Only opaque pixels are dithered (fDither: -0.5 .. 0.5 of a step); they are never added to.
WORD Channel565(float fPremultiplied, float fAlpha, int nMax, float fDither) {
  const long a = std::lround(std::clamp(fAlpha, 0.0f, 1.0f) * 63.0f);
  if (a == 0) return 0;
  const float c = std::clamp(fPremultiplied / fAlpha, 0.0f, 1.0f);
  if (a == 63) {
    return static_cast<WORD>(
        std::clamp(std::lround(c * static_cast<float>(nMax) + fDither), 0L, static_cast<long>(nMax)));
  }
  return static_cast<WORD>(std::floor(c * static_cast<float>(a) / 63.0f * static_cast<float>(nMax)));
}

float Distance(float x, float y) {
  return std::sqrt(x * x + y * y);
}

// Inside a rectangle with round corners of radius r.
bool InRoundRect(float px, float py, float x0, float y0, float x1, float y1, float r) {
  if (px < x0 || px >= x1 || py < y0 || py >= y1) return false;
  const float cx = std::clamp(px, x0 + r, x1 - r);
  const float cy = std::clamp(py, y0 + r, y1 - r);
  return Distance(px - cx, py - cy) <= r;
}

}  // namespace

ResColor ResRgb(DWORD rgb, float a) {
  return {static_cast<float>((rgb >> 16) & 0xFF) / 255.0f, static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
          static_cast<float>(rgb & 0xFF) / 255.0f, a};
}

CResCanvas::CResCanvas(int nWidth, int nHeight)
    : m_nWidth(nWidth), m_nHeight(nHeight), m_Pixels(static_cast<size_t>(nWidth) * nHeight * 4, 0.0f) {}

void CResCanvas::Fill(const ResColor& color) {
  FillVertical(color, color);
}

void CResCanvas::FillVertical(const ResColor& top, const ResColor& bottom) {
  for (int y = 0; y < m_nHeight; ++y) {
    const float t = m_nHeight > 1 ? static_cast<float>(y) / static_cast<float>(m_nHeight - 1) : 0.0f;
    const float a = top.m_fA + (bottom.m_fA - top.m_fA) * t;
    const float r = (top.m_fR + (bottom.m_fR - top.m_fR) * t) * a;
    const float g = (top.m_fG + (bottom.m_fG - top.m_fG) * t) * a;
    const float b = (top.m_fB + (bottom.m_fB - top.m_fB) * t) * a;
    for (int x = 0; x < m_nWidth; ++x) {
      float* p = &m_Pixels[(static_cast<size_t>(y) * m_nWidth + x) * 4];
      p[0] = r;
      p[1] = g;
      p[2] = b;
      p[3] = a;
    }
  }
}

void CResCanvas::FillRect(float x0, float y0, float x1, float y1, const ResColor& color) {
  Cover(
      x0, y0, x1, y1, [&](float px, float py) { return px >= x0 && px < x1 && py >= y0 && py < y1; }, color);
}

void CResCanvas::FillRoundRect(float x0, float y0, float x1, float y1, float fRadius, const ResColor& color) {
  Cover(
      x0, y0, x1, y1, [&](float px, float py) { return InRoundRect(px, py, x0, y0, x1, y1, fRadius); },
      color);
}

void CResCanvas::StrokeRoundRect(float x0, float y0, float x1, float y1, float fRadius, float fWidth,
                                 const ResColor& color) {
  const float ri = std::max(0.0f, fRadius - fWidth);
  Cover(
      x0, y0, x1, y1,
      [&](float px, float py) {
        return InRoundRect(px, py, x0, y0, x1, y1, fRadius) &&
               !InRoundRect(px, py, x0 + fWidth, y0 + fWidth, x1 - fWidth, y1 - fWidth, ri);
      },
      color);
}

void CResCanvas::FillCircle(float cx, float cy, float fRadius, const ResColor& color) {
  Cover(
      cx - fRadius, cy - fRadius, cx + fRadius, cy + fRadius,
      [&](float px, float py) { return Distance(px - cx, py - cy) <= fRadius; }, color);
}

void CResCanvas::StrokeCircle(float cx, float cy, float fRadius, float fWidth, const ResColor& color) {
  StrokeArc(cx, cy, fRadius, fWidth, 0.0f, 360.0f, color);
}

void CResCanvas::StrokeArc(float cx, float cy, float fRadius, float fWidth, float a0, float a1,
                           const ResColor& color) {
  const float ro = fRadius + fWidth / 2;
  const float ri = fRadius - fWidth / 2;
  const bool bWhole = a1 - a0 >= 360.0f;
  Cover(
      cx - ro, cy - ro, cx + ro, cy + ro,
      [&](float px, float py) {
        const float d = Distance(px - cx, py - cy);
        if (d > ro || d < ri) return false;
        if (bWhole) return true;
        // Clockwise from twelve o'clock: y grows downwards.
        float deg = std::atan2(px - cx, cy - py) * 180.0f / kPi;
        if (deg < 0) deg += 360.0f;
        for (float base = 0.0f; base <= 360.0f; base += 360.0f) {
          if (deg + base >= a0 && deg + base <= a1) return true;
        }
        return false;
      },
      color);
}

void CResCanvas::FillCapsule(float x0, float y0, float x1, float y1, float fWidth, const ResColor& color) {
  const float h = fWidth / 2;
  const float dx = x1 - x0;
  const float dy = y1 - y0;
  const float len2 = dx * dx + dy * dy;
  Cover(
      std::min(x0, x1) - h, std::min(y0, y1) - h, std::max(x0, x1) + h, std::max(y0, y1) + h,
      [&](float px, float py) {
        float t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0.0f;
        t = std::clamp(t, 0.0f, 1.0f);
        return Distance(px - (x0 + t * dx), py - (y0 + t * dy)) <= h;
      },
      color);
}

void CResCanvas::FillPolygon(const std::vector<ResPoint>& points, const ResColor& color) {
  if (points.size() < 3) return;
  float x0 = points[0].m_fX, x1 = points[0].m_fX, y0 = points[0].m_fY, y1 = points[0].m_fY;
  for (const ResPoint& p : points) {
    x0 = std::min(x0, p.m_fX);
    x1 = std::max(x1, p.m_fX);
    y0 = std::min(y0, p.m_fY);
    y1 = std::max(y1, p.m_fY);
  }
  Cover(
      x0, y0, x1, y1,
      [&](float px, float py) {
        // Even-odd rule by a ray to the right.
        bool bInside = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
          const ResPoint& a = points[i];
          const ResPoint& b = points[j];
          if ((a.m_fY > py) != (b.m_fY > py) &&
              px < (b.m_fX - a.m_fX) * (py - a.m_fY) / (b.m_fY - a.m_fY) + a.m_fX)
            bInside = !bInside;
        }
        return bInside;
      },
      color);
}

void CResCanvas::Cover(float x0, float y0, float x1, float y1,
                       const std::function<bool(float, float)>& inside, const ResColor& color) {
  const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
  const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
  const int ix1 = std::min(m_nWidth, static_cast<int>(std::ceil(x1)) + 1);
  const int iy1 = std::min(m_nHeight, static_cast<int>(std::ceil(y1)) + 1);
  for (int y = iy0; y < iy1; ++y) {
    for (int x = ix0; x < ix1; ++x) {
      int n = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          n += inside(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / kSamples,
                      static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / kSamples)
                   ? 1
                   : 0;
        }
      }
      if (n != 0) Blend(x, y, color, static_cast<float>(n) / (kSamples * kSamples));
    }
  }
}

void CResCanvas::Blend(int x, int y, const ResColor& color, float fCoverage) {
  float* p = &m_Pixels[(static_cast<size_t>(y) * m_nWidth + x) * 4];
  const float a = color.m_fA * fCoverage;
  p[0] = color.m_fR * a + p[0] * (1 - a);
  p[1] = color.m_fG * a + p[1] * (1 - a);
  p[2] = color.m_fB * a + p[2] * (1 - a);
  p[3] = a + p[3] * (1 - a);
}

float CResCanvas::GetAlpha(int x, int y) const {
  return m_Pixels[(static_cast<size_t>(y) * m_nWidth + x) * 4 + 3];
}

DWORD CResCanvas::GetPremultiplied32(int x, int y) const {
  const float* p = &m_Pixels[(static_cast<size_t>(y) * m_nWidth + x) * 4];
  return static_cast<DWORD>(ToByte(p[3])) << 24 | static_cast<DWORD>(ToByte(p[0])) << 16 |
         static_cast<DWORD>(ToByte(p[1])) << 8 | ToByte(p[2]);
}

std::vector<BYTE> CResCanvas::Dib32() const {
  std::vector<BYTE> out(FhGetDIBDataSize(m_nWidth, m_nHeight, 32));
  const size_t stride = out.size() / static_cast<size_t>(m_nHeight);
  for (int y = 0; y < m_nHeight; ++y) {
    BYTE* row = &out[static_cast<size_t>(m_nHeight - 1 - y) * stride];
    for (int x = 0; x < m_nWidth; ++x) {
      const DWORD v = GetPremultiplied32(x, y);
      for (int i = 0; i < 4; ++i) row[x * 4 + i] = static_cast<BYTE>(v >> (8 * i));
    }
  }
  return out;
}

std::vector<BYTE> CResCanvas::Dib565() const {
  std::vector<BYTE> out(FhGetDIBDataSize(m_nWidth, m_nHeight, 16));
  const size_t stride = out.size() / static_cast<size_t>(m_nHeight);
  for (int y = 0; y < m_nHeight; ++y) {
    BYTE* row = &out[static_cast<size_t>(m_nHeight - 1 - y) * stride];
    for (int x = 0; x < m_nWidth; ++x) {
      const float* p = &m_Pixels[(static_cast<size_t>(y) * m_nWidth + x) * 4];
      const float d = DitherOffset(x + m_nDitherX, y + m_nDitherY);
      const WORD r = Channel565(p[0], p[3], 31, d);
      const WORD g = Channel565(p[1], p[3], 63, d);
      const WORD b = Channel565(p[2], p[3], 31, d);
      const WORD v = static_cast<WORD>(r << 11 | g << 5 | b);
      row[x * 2] = static_cast<BYTE>(v);
      row[x * 2 + 1] = static_cast<BYTE>(v >> 8);
    }
  }
  return out;
}

std::vector<BYTE> CResCanvas::AlphaPlane565() const {
  std::vector<BYTE> out(FhGetDIB565PixelCount(m_nWidth, m_nHeight), 0);
  const size_t stride = out.size() / static_cast<size_t>(m_nHeight);
  for (int y = 0; y < m_nHeight; ++y) {
    BYTE* row = &out[static_cast<size_t>(m_nHeight - 1 - y) * stride];
    for (int x = 0; x < m_nWidth; ++x) row[x] = static_cast<BYTE>(std::lround(GetAlpha(x, y) * 63.0f));
  }
  return out;
}
