// GDI handles are typed: each call takes only the kinds it names, selection answers the object
// of the same kind it replaced, and deleted or stale handles are refused.
#include "tests/platform/gdi/GdiTestSupport.h"
#include "platform/gdi/GdiHooks.h"

#include <gtest/gtest.h>

using namespace gditest;

namespace {

class GdiObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override { wce::ResetGdi(); }
  void TearDown() override { wce::ResetGdi(); }
};

TEST_F(GdiObjectsTest, EachCallTakesOnlyItsOwnKind) {
  void* pixels = nullptr;
  HBITMAP bitmap = MakeDib(4, 4, 32, &pixels);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HRGN region = CreateRectRgn(0, 0, 2, 2);
  LOGFONTW lf = {};
  lf.lfHeight = -12;
  HFONT font = CreateFontIndirectW(&lf);
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(bitmap && brush && region && font && dc);
  const RECT rect{0, 0, 2, 2};
  EXPECT_EQ(0, FillRect(dc, &rect, reinterpret_cast<HBRUSH>(font)));
  EXPECT_EQ(ERROR, SelectClipRgn(dc, reinterpret_cast<HRGN>(bitmap)));
  EXPECT_EQ(0, SetBkMode(reinterpret_cast<HDC>(brush), TRANSPARENT));
  EXPECT_EQ(CLR_INVALID, SetTextColor(reinterpret_cast<HDC>(region), 0));
  EXPECT_FALSE(BitBlt(reinterpret_cast<HDC>(bitmap), 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
  EXPECT_EQ(nullptr, SelectObject(dc, brush));  // brushes are passed to FillRect, never selected
  EXPECT_EQ(nullptr, SelectObject(dc, dc));
  EXPECT_FALSE(DeleteObject(dc));  // a DC goes with DeleteDC
  // What GetObjectW describes: bitmaps and fonts.
  BITMAP bm = {};
  LOGFONTW back = {};
  EXPECT_EQ(static_cast<int>(sizeof(BITMAP)), GetObjectW(bitmap, sizeof(bm), &bm));
  EXPECT_EQ(static_cast<int>(sizeof(LOGFONTW)), GetObjectW(font, sizeof(back), &back));
  EXPECT_EQ(0, GetObjectW(font, sizeof(LOGFONTW) - 1, &back));
  EXPECT_EQ(0, GetObjectW(brush, sizeof(bm), &bm));
  EXPECT_EQ(0, GetObjectW(dc, sizeof(bm), &bm));
  EXPECT_TRUE(DeleteDC(dc));
  for (HGDIOBJ obj : {static_cast<HGDIOBJ>(bitmap), static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(region),
                      static_cast<HGDIOBJ>(font)}) {
    EXPECT_TRUE(DeleteObject(obj));
    EXPECT_FALSE(DeleteObject(obj));  // stale
    EXPECT_EQ(0, GetObjectW(obj, sizeof(bm), &bm));
  }
}

TEST_F(GdiObjectsTest, SelectionAnswersThePreviousObjectOfTheSameKind) {
  HDC dc = CreateCompatibleDC(nullptr);
  void* pixels = nullptr;
  HBITMAP first = MakeDib(2, 2, 16, &pixels);
  HBITMAP second = MakeDib(2, 2, 16, &pixels);
  LOGFONTW lf = {};
  lf.lfHeight = -12;
  HFONT a = CreateFontIndirectW(&lf);
  HFONT b = CreateFontIndirectW(&lf);
  ASSERT_TRUE(dc && first && second && a && b);
  HGDIOBJ placeholder = SelectObject(dc, first);
  ASSERT_NE(nullptr, placeholder);
  EXPECT_EQ(GetStockObject(SYSTEM_FONT), SelectObject(dc, a));
  EXPECT_EQ(first, SelectObject(dc, second));  // fonts in between leave the bitmap slot alone
  EXPECT_EQ(a, SelectObject(dc, b));
  EXPECT_FALSE(DeleteObject(second));  // still selected
  EXPECT_EQ(second, SelectObject(dc, placeholder));
  EXPECT_TRUE(DeleteObject(second));
  EXPECT_EQ(nullptr, SelectObject(dc, second));
  // A region selects as SelectClipRgn does and answers its kind.
  HRGN region = CreateRectRgn(3, 3, 1, 1);  // corners in any order
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SIMPLEREGION)), SelectObject(dc, region));
  HRGN empty = CreateRectRgn(1, 1, 1, 4);
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(NULLREGION)), SelectObject(dc, empty));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(first));  // left with its DC
}

TEST_F(GdiObjectsTest, TheStockWhiteBrushFillsWhiteAtBothDepthsAndOutlivesDeleteObject) {
  struct DepthCase {
    int bits;
    uint32_t white;
  };
  const DepthCase cases[] = {{16, 0xFFFFu}, {32, 0x00FFFFFFu}};
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  ASSERT_NE(nullptr, white);
  EXPECT_EQ(white, GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(DeleteObject(white));  // stock objects stay
  for (const DepthCase& c : cases) {
    void* pixels = nullptr;
    HBITMAP bitmap = MakeDib(3, -1, c.bits, &pixels);
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(bitmap && dc);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT rect{0, 0, 2, 1};
    EXPECT_EQ(1, FillRect(dc, &rect, white)) << c.bits;
    EXPECT_EQ(c.white, Read(pixels, 3, c.bits, 0, 0) & (c.bits == 16 ? 0xFFFFu : 0x00FFFFFFu)) << c.bits;
    EXPECT_EQ(c.white, Read(pixels, 3, c.bits, 1, 0) & (c.bits == 16 ? 0xFFFFu : 0x00FFFFFFu)) << c.bits;
    EXPECT_EQ(0u, Read(pixels, 3, c.bits, 2, 0)) << c.bits;  // outside the rectangle
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
}

}  // namespace
