// Where DrawTextW puts its text: lines (broken at line feeds, wrapped at spaces and between CJK
// characters with DT_WORDBREAK, cut with an ellipsis with DT_END_ELLIPSIS) and their positions in
// the formatting rectangle. Pure arithmetic over the font's advances, so layout is tested on its
// own terms and never by glyph pixels.
#pragma once

#include "platform/gdi/gdi.h"

#include <functional>
#include <string>
#include <vector>

struct GdiTextLine {
  std::u32string m_strText;  // what is drawn, the ellipsis included
  int m_nX = 0;              // left of the line, relative to the rectangle's left
  int m_nY = 0;              // top of the line, relative to the rectangle's top
  int m_nWidth = 0;
};

class CTextLayout {
 public:
  typedef std::function<int(char32_t)> AdvanceFn;

  CTextLayout(AdvanceFn advance, int lineHeight);

  // Lays out text in a box of width x height. DT_CALCRECT lays out without ellipses.
  void Lay(const std::u32string& text, UINT format, int width, int height);

  const std::vector<GdiTextLine>& Lines() const { return m_Lines; }
  // The widest line and the height of all lines: the box DT_CALCRECT reports.
  int TextWidth() const { return m_nTextWidth; }
  int TextHeight() const { return static_cast<int>(m_Lines.size()) * m_nLineHeight; }
  // DrawTextW's answer: the text's height, or with DT_VCENTER/DT_BOTTOM (single line) the offset
  // of its bottom from the rectangle's top.
  int Result() const { return m_nResult; }

  int Width(const std::u32string& text) const;
  static std::u32string Decode(const WCHAR* text, size_t count);

 private:
  void Wrap(const std::u32string& paragraph, int width);
  std::u32string Ellipsize(std::u32string text, int width, bool more) const;

  AdvanceFn m_fnAdvance;
  int m_nLineHeight;
  std::vector<GdiTextLine> m_Lines;
  int m_nTextWidth = 0;
  int m_nResult = 0;
};
