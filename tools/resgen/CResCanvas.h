// A picture drawn by the resource generator: premultiplied RGBA in floating point, shapes edged by
// 4 x 4 samples a pixel, written out as the framework's bitmap files (32-bit pixels with alpha in
// the top byte, or RGB565 with a separate alpha plane of 0..63).
#pragma once

#include "platform/kernel/wcetypes.h"

#include <functional>
#include <string>
#include <vector>

struct ResColor {
  float m_fR, m_fG, m_fB, m_fA;  // straight (not premultiplied), 0..1
};
// 0xRRGGBB at an opacity of 0..1.
ResColor ResRgb(DWORD rgb, float a = 1.0f);

struct ResPoint {
  float m_fX, m_fY;
};

class CResCanvas {
 public:
  CResCanvas(int nWidth, int nHeight);

  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }

  // Every pixel, replacing what was there.
  void Fill(const ResColor& color);
  // Top row to bottom row, replacing what was there.
  void FillVertical(const ResColor& top, const ResColor& bottom);

  // Shapes in pixel coordinates (the pixel (i, j) covers [i, i+1) x [j, j+1)), drawn over what
  // is there.
  void FillRect(float x0, float y0, float x1, float y1, const ResColor& color);
  void FillRoundRect(float x0, float y0, float x1, float y1, float fRadius, const ResColor& color);
  void StrokeRoundRect(float x0, float y0, float x1, float y1, float fRadius, float fWidth,
                       const ResColor& color);
  void FillCircle(float cx, float cy, float fRadius, const ResColor& color);
  void StrokeCircle(float cx, float cy, float fRadius, float fWidth, const ResColor& color);
  // A ring from angle a0 to a1 (degrees, clockwise from twelve o'clock), square ends.
  void StrokeArc(float cx, float cy, float fRadius, float fWidth, float a0, float a1, const ResColor& color);
  // A line of the given width with round ends.
  void FillCapsule(float x0, float y0, float x1, float y1, float fWidth, const ResColor& color);
  void FillPolygon(const std::vector<ResPoint>& points, const ResColor& color);

  // The opacity (0..1) and premultiplied colour of a pixel, for tests.
  float GetAlpha(int x, int y) const;
  DWORD GetPremultiplied32(int x, int y) const;

  // DIB pixel rows, bottom-up, rows padded to 4 bytes: 32-bit premultiplied with alpha on top.
  std::vector<BYTE> Dib32() const;
  // RGB565 of the premultiplied colour; opaque pixels ordered-dithered by their place on the
  // screen (see SetScreenOrigin).
  std::vector<BYTE> Dib565() const;
  // Where the picture's top-left pixel lies on the screen, so that an opaque picture laid over
  // another dithers in step with it. 0, 0 unless set.
  void SetScreenOrigin(int x, int y) {
    m_nDitherX = x;
    m_nDitherY = y;
  }
  // The 565 alpha plane: one byte a pixel 0..63, rows of the width rounded up to even, bottom-up.
  std::vector<BYTE> AlphaPlane565() const;

 private:
  // Covers the pixels of a box with the share of the 16 samples that lie inside.
  void Cover(float x0, float y0, float x1, float y1, const std::function<bool(float, float)>& inside,
             const ResColor& color);
  void Blend(int x, int y, const ResColor& color, float fCoverage);

  int m_nWidth;
  int m_nHeight;
  std::vector<float> m_Pixels;  // r, g, b, a premultiplied, rows top-down
  int m_nDitherX = 0;
  int m_nDitherY = 0;
};
