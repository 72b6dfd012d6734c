// The resource tree is written for an 800x480 screen; a pack for another screen scales every
// position and size by the screen's own factors, x and y apart, each number rounded on its own, so
// a bitmap drawn for a rectangle has exactly that rectangle's scaled size.
#pragma once

#include <string>

constexpr int kResBaseWidth = 800;
constexpr int kResBaseHeight = 480;

struct ResScale {
  float m_fX = 1.0f;
  float m_fY = 1.0f;
  // The smaller factor: strokes, radii and icons keep their shape on a screen of other proportions.
  float Unit() const { return m_fX < m_fY ? m_fX : m_fY; }
};

ResScale ResScaleForScreen(int nWidth, int nHeight);
int ResScaleX(const ResScale& scale, int nValue);
int ResScaleY(const ResScale& scale, int nValue);
// A rectangle text "x,y,w,h" (blanks allowed around the numbers) scaled; false when it is not four
// integers.
bool ResScaleRectText(const ResScale& scale, const std::string& text, std::string* pOut);
