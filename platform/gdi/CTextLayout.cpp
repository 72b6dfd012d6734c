#include "platform/gdi/CTextLayout.h"

#include <algorithm>

namespace {
const char32_t kEllipsis[] = U"...";

bool IsSpace(char32_t c) {
  return c == U' ' || c == U'\t' || c == 0x3000;
}

// Ideographs, kana, hangul and full-width forms: a line may break before and after each.
bool IsCjk(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

void TrimTrailingSpaces(std::u32string* text) {
  while (!text->empty() && IsSpace(text->back())) text->pop_back();
}
}  // namespace

CTextLayout::CTextLayout(AdvanceFn advance, int lineHeight)
    : m_fnAdvance(std::move(advance)), m_nLineHeight(lineHeight) {}

std::u32string CTextLayout::Decode(const WCHAR* text, size_t count) {
  std::u32string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

int CTextLayout::Width(const std::u32string& text) const {
  int width = 0;
  for (char32_t c : text) width += m_fnAdvance(c);
  return width;
}

void CTextLayout::Wrap(const std::u32string& paragraph, int width) {
  const size_t n = paragraph.size();
  if (n == 0) m_Lines.push_back(GdiTextLine());
  size_t start = 0;
  while (start < n) {
    int used = 0;
    size_t lastBreak = std::u32string::npos;  // the line may end before this index
    size_t i = start;
    for (; i < n; ++i) {
      const char32_t c = paragraph[i];
      const char32_t before = i > start ? paragraph[i - 1] : 0;
      if (i > start && (IsSpace(c) || IsSpace(before) || IsCjk(c) || IsCjk(before))) lastBreak = i;
      const int advance = m_fnAdvance(c);
      if (used + advance > width && !IsSpace(c) && i > start) break;
      used += advance;
    }
    size_t end = i;
    if (i < n && lastBreak != std::u32string::npos) {
      end = lastBreak;
    } else if (i < n) {
      // A word wider than the line runs on past its edge: a word is never cut in two.
      while (end < n && !IsSpace(paragraph[end]) && !IsCjk(paragraph[end])) ++end;
    }
    GdiTextLine line;
    line.m_strText = paragraph.substr(start, end - start);
    TrimTrailingSpaces(&line.m_strText);
    m_Lines.push_back(line);
    start = end;
    while (start < n && IsSpace(paragraph[start])) ++start;
  }
}

std::u32string CTextLayout::Ellipsize(std::u32string text, int width, bool more) const {
  if (!more && Width(text) <= width) return text;
  const std::u32string ellipsis(kEllipsis);
  const int room = width - Width(ellipsis);
  int used = Width(text);
  while (!text.empty() && used > room) {
    used -= m_fnAdvance(text.back());
    text.pop_back();
  }
  TrimTrailingSpaces(&text);
  return text + ellipsis;
}

void CTextLayout::Lay(const std::u32string& text, UINT format, int width, int height) {
  m_Lines.clear();
  const bool single = (format & DT_SINGLELINE) != 0;
  const bool wrap = !single && (format & DT_WORDBREAK) != 0;
  const bool calc = (format & DT_CALCRECT) != 0;
  if (single) {
    std::u32string line;
    for (char32_t c : text) {
      if (c != U'\r' && c != U'\n') line.push_back(c);
    }
    m_Lines.push_back(GdiTextLine{line, 0, 0, 0});
  } else {
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i < text.size() && text[i] != U'\r' && text[i] != U'\n') continue;
      const std::u32string paragraph = text.substr(start, i - start);
      if (wrap) {
        Wrap(paragraph, width);
      } else {
        m_Lines.push_back(GdiTextLine{paragraph, 0, 0, 0});
      }
      if (i + 1 < text.size() && text[i] == U'\r' && text[i + 1] == U'\n') ++i;
      start = i + 1;
    }
  }
  if ((format & DT_END_ELLIPSIS) != 0 && !calc) {
    // Lines below the rectangle are dropped and the last one kept says so; every line too wide
    // for the rectangle is cut.
    const size_t fit =
        std::max<size_t>(1, m_nLineHeight > 0 ? static_cast<size_t>(std::max(0, height) / m_nLineHeight) : 1);
    const bool cutBelow = wrap && m_Lines.size() > fit;
    if (cutBelow) m_Lines.resize(fit);
    for (size_t i = 0; i < m_Lines.size(); ++i) {
      m_Lines[i].m_strText = Ellipsize(m_Lines[i].m_strText, width, cutBelow && i + 1 == m_Lines.size());
    }
  }
  m_nTextWidth = 0;
  for (GdiTextLine& line : m_Lines) {
    line.m_nWidth = Width(line.m_strText);
    m_nTextWidth = std::max(m_nTextWidth, line.m_nWidth);
  }
  int top = 0;
  if (single && (format & DT_VCENTER) != 0) {
    top = (height - m_nLineHeight) / 2;
  } else if (single && (format & DT_BOTTOM) != 0) {
    top = height - m_nLineHeight;
  }
  for (size_t i = 0; i < m_Lines.size(); ++i) {
    GdiTextLine& line = m_Lines[i];
    line.m_nY = top + static_cast<int>(i) * m_nLineHeight;
    if ((format & DT_CENTER) != 0) {
      line.m_nX = (width - line.m_nWidth) / 2;
    } else if ((format & DT_RIGHT) != 0) {
      line.m_nX = width - line.m_nWidth;
    } else {
      line.m_nX = 0;
    }
  }
  const bool offset = single && (format & (DT_VCENTER | DT_BOTTOM)) != 0;
  m_nResult = offset ? top + TextHeight() : TextHeight();
}
