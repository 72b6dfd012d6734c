// DrawTextW checked by layout: in OPAQUE mode every line paints its box white, and with the text in
// the canvas's own colour the glyphs change nothing outside it (a glyph may overhang its advance),
// so the boxes are read back exactly and compared with boxes computed here from the font's extents
// (alignment, wrapping, ellipsis, clipping, origin), in both depths and both row orders.
#include "tests/platform/gdi/GdiTestSupport.h"

#include "platform/kernel/wcestr.h"
#include "platform/gdi/GdiHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace gditest;

namespace {

const int kWidth = 160;
const int kHeight = 90;
const COLORREF kCanvas = RGB(0, 0, 255);

struct Box {
  int left, top, right, bottom;
  bool operator==(const Box& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "{" << b.left << ", " << b.top << ", " << b.right << ", " << b.bottom << "}";
}

struct Surface {
  int bits;
  bool bottomUp;
};
const Surface kSurfaces[] = {{16, true}, {16, false}, {32, true}, {32, false}};

class DrawTextTest : public ::testing::TestWithParam<Surface> {
 protected:
  void SetUp() override {
    wce::ResetGdi();
    const Surface s = GetParam();
    HBITMAP bitmap = MakeDib(kWidth, s.bottomUp ? kHeight : -kHeight, s.bits, &pixels);
    ASSERT_NE(nullptr, bitmap);
    dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, SelectObject(dc, bitmap));
    LOGFONTW lf = {};
    lf.lfHeight = -14;
    lf.lfWeight = FW_NORMAL;
    const std::u16string face = u"DejaVu Sans";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    font = CreateFontIndirectW(&lf);
    ASSERT_NE(nullptr, SelectObject(dc, font));
    SIZE size = {};
    ASSERT_TRUE(GetTextExtentExPointW(dc, u"X", 1, 0, nullptr, nullptr, &size));
    lineHeight = size.cy;
    EXPECT_EQ(OPAQUE, SetBkMode(dc, OPAQUE));  // the default
    EXPECT_EQ(RGB(0, 0, 0), SetTextColor(dc, kCanvas));
    Clear();
  }
  void TearDown() override { wce::ResetGdi(); }

  void Clear() {
    RECT all{0, 0, kWidth, kHeight};
    HBRUSH brush = CreateSolidBrush(kCanvas);
    SelectClipRgn(dc, nullptr);
    POINT origin;
    SetViewportOrgEx(dc, 0, 0, &origin);
    ASSERT_NE(0, FillRect(dc, &all, brush));
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    DeleteObject(brush);
    canvas = Read(pixels, kWidth, GetParam().bits, 0, 0);
  }
  bool Painted(int x, int y) const {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) {
      ADD_FAILURE() << "outside the canvas: " << x << "," << y;
      return false;
    }
    const int row = GetParam().bottomUp ? kHeight - 1 - y : y;
    return Read(pixels, kWidth, GetParam().bits, x, row) != canvas;
  }
  // The boxes of painted pixels, one per band of rows that hold some.
  std::vector<Box> Boxes() const {
    std::vector<Box> boxes;
    bool open = false;
    for (int y = 0; y < kHeight; ++y) {
      Box row{kWidth, y, -1, y + 1};
      for (int x = 0; x < kWidth; ++x) {
        if (!Painted(x, y)) continue;
        row.left = std::min(row.left, x);
        row.right = std::max(row.right, x + 1);
      }
      if (row.right < 0) {
        open = false;
        continue;
      }
      if (open && boxes.back().left == row.left && boxes.back().right == row.right) {
        boxes.back().bottom = y + 1;
      } else {
        boxes.push_back(row);
      }
      open = true;
    }
    return boxes;
  }
  // Nothing is painted outside the boxes, and each box reaches its corners (where no glyph covers
  // the line's white box whole).
  void ExpectBoxes(const std::vector<Box>& boxes, const char* what) {
    auto inside = [&](int x, int y) {
      for (const Box& b : boxes) {
        if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return true;
      }
      return false;
    };
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (!inside(x, y)) {
          ASSERT_FALSE(Painted(x, y)) << what << ": painted at " << x << "," << y;
        }
      }
    }
    for (const Box& b : boxes) {
      ASSERT_TRUE(b.left < b.right && b.top < b.bottom) << what << ": " << b;
      EXPECT_TRUE(Painted(b.left, b.top) && Painted(b.right - 1, b.top) && Painted(b.left, b.bottom - 1) &&
                  Painted(b.right - 1, b.bottom - 1))
          << what << ": box " << b << " not reached; painted " << ::testing::PrintToString(Boxes());
    }
  }
  int Extent(const std::u16string& text) {
    SIZE size = {};
    EXPECT_TRUE(
        GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr, nullptr, &size));
    return size.cx;
  }
  // Lines of words, each as long as fits in width: worked out word by word from the extents.
  std::vector<std::u16string> Wrapped(const std::vector<std::u16string>& words, int width) {
    std::vector<std::u16string> lines{words[0]};
    for (size_t i = 1; i < words.size(); ++i) {
      const std::u16string longer = lines.back() + u" " + words[i];
      if (Extent(longer) <= width) {
        lines.back() = longer;
      } else {
        lines.push_back(words[i]);
      }
    }
    return lines;
  }
  int Draw(const std::u16string& text, RECT rect, UINT format) {
    return DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  }

  void* pixels = nullptr;
  HDC dc = nullptr;
  HFONT font = nullptr;
  int lineHeight = 0;
  uint32_t canvas = 0;
};

TEST_P(DrawTextTest, SingleLinesSitWhereTheFormatPutsThem) {
  const std::u16string text = u"Head unit";
  const int w = Extent(text);
  const RECT r{10, 5, 150, 85};
  struct Case {
    UINT format;
    int left, top, result;
  } cases[] = {
      {DT_SINGLELINE, 10, 5, lineHeight},
      {DT_SINGLELINE | DT_CENTER, 10 + (140 - w) / 2, 5, lineHeight},
      {DT_SINGLELINE | DT_RIGHT, 150 - w, 5, lineHeight},
      {DT_SINGLELINE | DT_VCENTER, 10, 5 + (80 - lineHeight) / 2, (80 - lineHeight) / 2 + lineHeight},
      {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 150 - w, 85 - lineHeight, 80},
      {DT_CENTER | DT_VCENTER | DT_SINGLELINE, 10 + (140 - w) / 2, 5 + (80 - lineHeight) / 2,
       (80 - lineHeight) / 2 + lineHeight},
      {DT_VCENTER | DT_BOTTOM, 10, 5, lineHeight},  // both need DT_SINGLELINE
  };
  for (const Case& c : cases) {
    Clear();
    EXPECT_EQ(c.result, Draw(text, r, c.format)) << c.format;
    ExpectBoxes(std::vector<Box>{(Box{c.left, c.top, c.left + w, c.top + lineHeight})},
                std::to_string(c.format).c_str());
  }
}

TEST_P(DrawTextTest, WordBreakWrapsAtSpacesAndBetweenChineseCharacters) {
  const std::vector<std::u16string> words = {u"Phone", u"projection", u"keeps", u"the",
                                             u"car",   u"display",    u"busy"};
  std::u16string text = words[0];
  for (size_t i = 1; i < words.size(); ++i) text += u" " + words[i];
  const int width = Extent(u"projection keeps") + 3;
  const std::vector<std::u16string> lines = Wrapped(words, width);
  ASSERT_GE(lines.size(), 3u);
  RECT calc{4, 2, 4 + width, 2};
  EXPECT_EQ(static_cast<int>(lines.size()) * lineHeight,
            DrawTextW(dc, text.c_str(), -1, &calc, DT_WORDBREAK | DT_CALCRECT));
  EXPECT_TRUE(Boxes().empty());  // DT_CALCRECT draws nothing
  std::vector<Box> expected;
  int widest = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int top = 2 + static_cast<int>(i) * lineHeight;
    expected.push_back(Box{4, top, 4 + Extent(lines[i]), top + lineHeight});
    widest = std::max(widest, Extent(lines[i]));
  }
  EXPECT_EQ(4 + widest, calc.right);
  EXPECT_EQ(2 + static_cast<int>(lines.size()) * lineHeight, calc.bottom);
  EXPECT_EQ(static_cast<int>(lines.size()) * lineHeight,
            Draw(text, RECT{4, 2, 4 + width, kHeight}, DT_WORDBREAK));
  ExpectBoxes(expected, "wrapped");

  // Chinese has no spaces: two characters and a half of room hold two.
  Clear();
  const int cjk = Extent(u"中");
  EXPECT_EQ(3 * lineHeight, Draw(u"中文中文中文", RECT{0, 0, cjk * 5 / 2, kHeight}, DT_WORDBREAK));
  ExpectBoxes((std::vector<Box>{{0, 0, 2 * cjk, 3 * lineHeight}}), "chinese");

  // Line feeds break lines with or without DT_WORDBREAK; DT_SINGLELINE ignores them.
  Clear();
  EXPECT_EQ(2 * lineHeight, Draw(u"ab\r\ncd", RECT{0, 0, kWidth, kHeight}, 0));
  ExpectBoxes(
      (std::vector<Box>{{0, 0, Extent(u"ab"), lineHeight}, {0, lineHeight, Extent(u"cd"), 2 * lineHeight}}),
      "line feeds");
  Clear();
  EXPECT_EQ(lineHeight, Draw(u"ab\ncd", RECT{0, 0, kWidth, kHeight}, DT_SINGLELINE));
  ExpectBoxes((std::vector<Box>{{0, 0, Extent(u"abcd"), lineHeight}}), "single line ignores line feeds");
}

TEST_P(DrawTextTest, EndEllipsisCutsWhatDoesNotFit) {
  const std::u16string text = u"A title far too long for its box";
  const int width = Extent(text) / 2;
  // The longest start of the text that leaves room for the three dots.
  std::u16string kept = text;
  while (!kept.empty() && Extent(kept + u"...") > width) kept.pop_back();
  while (!kept.empty() && kept.back() == u' ') kept.pop_back();
  const int cut = Extent(kept + u"...");
  // DT_NOCLIP: what stops the text at the box is the ellipsis, not the clipping.
  Draw(text, RECT{0, 0, width, lineHeight}, DT_SINGLELINE | DT_NOCLIP | DT_END_ELLIPSIS);
  ExpectBoxes((std::vector<Box>{{0, 0, cut, lineHeight}}), "ellipsis");
  Clear();
  Draw(text, RECT{0, 0, width, lineHeight}, DT_SINGLELINE | DT_NOCLIP);
  ExpectBoxes((std::vector<Box>{{0, 0, std::min(kWidth, Extent(text)), lineHeight}}), "no ellipsis");
  Clear();
  Draw(text, RECT{0, 0, width, lineHeight}, DT_SINGLELINE | DT_RIGHT | DT_END_ELLIPSIS);
  ExpectBoxes((std::vector<Box>{{width - cut, 0, width, lineHeight}}), "ellipsis right");
  Clear();
  Draw(u"fits", RECT{0, 0, width, lineHeight}, DT_SINGLELINE | DT_END_ELLIPSIS);
  ExpectBoxes((std::vector<Box>{{0, 0, Extent(u"fits"), lineHeight}}), "fits");

  // Wrapped text taller than its box keeps the lines that fit; the last says more follows.
  Clear();
  const std::vector<std::u16string> words = {u"one", u"two", u"three", u"four", u"five", u"six", u"seven"};
  std::u16string many = words[0];
  for (size_t i = 1; i < words.size(); ++i) many += u" " + words[i];
  const int boxWidth = Extent(u"three four") + 1;
  const std::vector<std::u16string> lines = Wrapped(words, boxWidth);
  ASSERT_GT(lines.size(), 2u);
  std::u16string last = lines[1];
  while (!last.empty() && Extent(last + u"...") > boxWidth) last.pop_back();
  Draw(many, RECT{0, 0, boxWidth, 2 * lineHeight + lineHeight / 2},
       DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOCLIP);
  ExpectBoxes((std::vector<Box>{{0, 0, Extent(lines[0]), lineHeight},
                                {0, lineHeight, Extent(last + u"..."), 2 * lineHeight}}),
              "wrapped and cut");
}

TEST_P(DrawTextTest, TextStaysInsideTheClipAndTheRectangleAndMovesWithTheOrigin) {
  const std::u16string text = u"Clipped and moved";
  const int w = Extent(text);
  // The rectangle cuts the text: without DT_NOCLIP nothing goes past it.
  Draw(text, RECT{3, 3, 3 + w / 2, 3 + lineHeight / 2}, DT_SINGLELINE);
  ExpectBoxes((std::vector<Box>{{3, 3, 3 + w / 2, 3 + lineHeight / 2}}), "rectangle clip");
  // The clip region cuts it too, in device coordinates whatever the origin.
  Clear();
  HRGN rgn = CreateRectRgn(20, 0, 60, kHeight);
  ASSERT_EQ(SIMPLEREGION, SelectClipRgn(dc, rgn));
  ASSERT_TRUE(SetViewportOrgEx(dc, 7, 11, nullptr));
  Draw(text, RECT{0, 0, kWidth, kHeight}, DT_SINGLELINE);
  ExpectBoxes((std::vector<Box>{{20, 11, std::min(60, 7 + w), 11 + lineHeight}}), "clip region and origin");
  // Transparent mode paints only glyphs, all of them inside the line's box (give or take the
  // overhang of a glyph past its advance).
  Clear();
  SetTextColor(dc, RGB(0, 0, 0));
  ASSERT_EQ(SIMPLEREGION, SelectClipRgn(dc, nullptr));
  EXPECT_EQ(OPAQUE, SetBkMode(dc, TRANSPARENT));
  Draw(text, RECT{0, 0, kWidth, kHeight}, DT_SINGLELINE);
  const std::vector<Box> glyphs = Boxes();
  ASSERT_FALSE(glyphs.empty());
  for (const Box& b : glyphs) {
    EXPECT_GE(b.left, 7 - 1);
    EXPECT_LE(b.right, 7 + w + 1);
    EXPECT_GE(b.top, 11);
    EXPECT_LE(b.bottom, 11 + lineHeight);
  }
  EXPECT_EQ(0, DrawTextW(dc, nullptr, 3, nullptr, 0));
  EXPECT_EQ(0, SetBkMode(dc, 7));
}

INSTANTIATE_TEST_SUITE_P(BothDepthsBothRowOrders, DrawTextTest, ::testing::ValuesIn(kSurfaces));

}  // namespace
