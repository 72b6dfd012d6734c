// DIB sections and BitBlt: row order, depth conversion, clipping and refusals.
#include "tests/platform/gdi/GdiTestSupport.h"
#include "platform/gdi/GdiHooks.h"

#include <gtest/gtest.h>

#include <vector>

using namespace gditest;

namespace {

class BitBltTest : public ::testing::Test {
 protected:
  void SetUp() override { wce::ResetGdi(); }
  void TearDown() override { wce::ResetGdi(); }

  // A memory DC holding a new DIB.
  HDC DcWith(int width, int height, int bits, void** pixels) {
    HBITMAP bitmap = MakeDib(width, height, bits, pixels);
    EXPECT_NE(nullptr, bitmap);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_NE(nullptr, SelectObject(dc, bitmap));
    return dc;
  }
};

TEST_F(BitBltTest, DibDescribesItselfWithAPositiveHeight) {
  for (int height : {2, -2}) {
    void* pixels = nullptr;
    HBITMAP bitmap = MakeDib(3, height, 16, &pixels);
    ASSERT_NE(nullptr, bitmap);
    ASSERT_NE(nullptr, pixels);
    BITMAP bm;
    ASSERT_EQ(static_cast<int>(sizeof(BITMAP)), GetObjectW(bitmap, sizeof(bm), &bm));
    EXPECT_EQ(3, bm.bmWidth);
    EXPECT_EQ(2, bm.bmHeight);
    EXPECT_EQ(8, bm.bmWidthBytes);  // 3 x 2 bytes padded to 4
    EXPECT_EQ(16, bm.bmBitsPixel);
    EXPECT_EQ(1, bm.bmPlanes);
    EXPECT_EQ(pixels, bm.bmBits);
    EXPECT_EQ(0u, Read(pixels, 3, 16, 2, 1));  // new pixels are zero
    EXPECT_TRUE(DeleteObject(bitmap));
  }
}

TEST_F(BitBltTest, BottomUpAndTopDownRowsAreAddressedFromTheirOwnEnd) {
  // Picture row y of a bottom-up DIB lies at memory row height - 1 - y; of a top-down one at y.
  struct Case {
    int srcHeight;  // 2 bottom-up, -2 top-down
    int dstHeight;
    int srcMemRowOfTop;     // where picture (0, 0) of the source lies
    int dstMemRowOfBottom;  // where picture row 1 of the destination lies
  } cases[] = {{2, 2, 1, 0}, {2, -2, 1, 1}, {-2, 2, 0, 0}, {-2, -2, 0, 1}};
  for (const Case& c : cases) {
    void* src = nullptr;
    void* dst = nullptr;
    HDC srcDc = DcWith(2, c.srcHeight, 32, &src);
    HDC dstDc = DcWith(2, c.dstHeight, 32, &dst);
    Write(src, 2, 32, 0, 0, 0x00000A0A);
    Write(src, 2, 32, 0, 1, 0x00000B0B);
    // The source's top-left pixel to the destination's bottom-right.
    ASSERT_TRUE(BitBlt(dstDc, 1, 1, 1, 1, srcDc, 0, 0, SRCCOPY));
    const uint32_t top = c.srcMemRowOfTop == 0 ? 0x00000A0Au : 0x00000B0Bu;
    EXPECT_EQ(top, Read(dst, 2, 32, 1, c.dstMemRowOfBottom)) << c.srcHeight << " -> " << c.dstHeight;
    EXPECT_EQ(0u, Read(dst, 2, 32, 1, 1 - c.dstMemRowOfBottom));
    DeleteDC(srcDc);
    DeleteDC(dstDc);
  }
}

// Source 32-bit pixels (bytes B, G, R, X) and the RGB565 values they become: the top 5, 6 and 5
// bits of red, green and blue; the X byte is dropped.
const struct {
  uint32_t argb;
  uint16_t rgb565;
} k32To565[] = {
    {0x00FF0000, 0xF800}, {0x0000FF00, 0x07E0}, {0x000000FF, 0x001F}, {0x00FFFFFF, 0xFFFF},
    {0x00123456, 0x11AA}, {0x80070307, 0x0000}, {0x00080408, 0x0821},
};

TEST_F(BitBltTest, ThirtyTwoToRgb565KeepsTheTopBitsOfEachChannel) {
  const int n = static_cast<int>(sizeof(k32To565) / sizeof(k32To565[0]));
  void* src = nullptr;
  void* dst = nullptr;
  HDC srcDc = DcWith(n, 1, 32, &src);
  HDC dstDc = DcWith(n, -1, 16, &dst);
  for (int i = 0; i < n; ++i) Write(src, n, 32, i, 0, k32To565[i].argb);
  ASSERT_TRUE(BitBlt(dstDc, 0, 0, n, 1, srcDc, 0, 0, SRCCOPY));
  for (int i = 0; i < n; ++i) EXPECT_EQ(k32To565[i].rgb565, Read(dst, n, 16, i, 0)) << i;
}

// RGB565 values and the 32-bit pixels they become: each channel's bits repeated into the low
// bits, so full scale stays full scale; the X byte is 0.
const struct {
  uint16_t rgb565;
  uint32_t xrgb;
} k565To32[] = {
    {0xF800, 0x00FF0000}, {0x07E0, 0x0000FF00}, {0x001F, 0x000000FF}, {0xFFFF, 0x00FFFFFF},
    {0x0000, 0x00000000}, {0x11AA, 0x00103452}, {0x0821, 0x00080408},
};

TEST_F(BitBltTest, Rgb565ToThirtyTwoRepeatsTheChannelBits) {
  const int n = static_cast<int>(sizeof(k565To32) / sizeof(k565To32[0]));
  void* src = nullptr;
  void* dst = nullptr;
  HDC srcDc = DcWith(n, 1, 16, &src);
  HDC dstDc = DcWith(n, 1, 32, &dst);
  for (int i = 0; i < n; ++i) {
    Write(src, n, 16, i, 0, k565To32[i].rgb565);
    Write(dst, n, 32, i, 0, 0xFFFFFFFF);  // every byte is written, the X byte too
  }
  ASSERT_TRUE(BitBlt(dstDc, 0, 0, n, 1, srcDc, 0, 0, SRCCOPY));
  for (int i = 0; i < n; ++i) EXPECT_EQ(k565To32[i].xrgb, Read(dst, n, 32, i, 0)) << i;
}

TEST_F(BitBltTest, SameDepthCopiesBytesAsTheyAre) {
  for (int bits : {16, 32}) {
    void* src = nullptr;
    void* dst = nullptr;
    HDC srcDc = DcWith(3, -1, bits, &src);
    HDC dstDc = DcWith(3, -1, bits, &dst);
    const uint32_t value = bits == 16 ? 0xBEEF : 0xCAFEBABE;
    Write(src, 3, bits, 2, 0, value);
    ASSERT_TRUE(BitBlt(dstDc, 0, 0, 3, 1, srcDc, 0, 0, SRCCOPY));
    EXPECT_EQ(value, Read(dst, 3, bits, 2, 0));
  }
}

TEST_F(BitBltTest, CopiesAreClippedToBothBitmaps) {
  // Source 2x2 (top-down) with pixels 1 2 / 3 4; destination 3x3 (top-down), zero.
  struct Case {
    int x, y, cx, cy, srcX, srcY;
    std::vector<uint32_t> expected;  // destination rows top to bottom
  } cases[] = {
      {2, 2, 2, 2, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0, 1}}, {-1, 0, 2, 2, 0, 0, {2, 0, 0, 4, 0, 0, 0, 0, 0}},
      {0, 0, 2, 2, 1, 1, {4, 0, 0, 0, 0, 0, 0, 0, 0}}, {0, 0, 3, 3, -1, -1, {0, 0, 0, 0, 1, 2, 0, 3, 4}},
      {5, 5, 2, 2, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    void* src = nullptr;
    void* dst = nullptr;
    HDC srcDc = DcWith(2, -2, 32, &src);
    HDC dstDc = DcWith(3, -3, 32, &dst);
    for (uint32_t i = 0; i < 4; ++i) Write(src, 2, 32, i % 2, i / 2, i + 1);
    ASSERT_TRUE(BitBlt(dstDc, c.x, c.y, c.cx, c.cy, srcDc, c.srcX, c.srcY, SRCCOPY));
    std::vector<uint32_t> got;
    for (int i = 0; i < 9; ++i) got.push_back(Read(dst, 3, 32, i % 3, i / 3));
    EXPECT_EQ(c.expected, got) << c.x << "," << c.y << " from " << c.srcX << "," << c.srcY;
    DeleteDC(srcDc);
    DeleteDC(dstDc);
  }
}

TEST_F(BitBltTest, OverlappingCopyInsideOneBitmapReadsTheOriginalPixels) {
  void* pixels = nullptr;
  HDC dc = DcWith(4, -1, 32, &pixels);
  for (uint32_t i = 0; i < 4; ++i) Write(pixels, 4, 32, i, 0, i + 1);
  ASSERT_TRUE(BitBlt(dc, 1, 0, 3, 1, dc, 0, 0, SRCCOPY));
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(i == 0 ? 1u : i, Read(pixels, 4, 32, i, 0));
}

TEST_F(BitBltTest, UnsupportedFormatsAreRefused) {
  struct Case {
    LONG width, height;
    WORD planes, bits;
    DWORD compression;
    DWORD masks[3];
  } cases[] = {
      {4, 4, 1, 24, BI_RGB, {0, 0, 0}},                       // 24 bits
      {4, 4, 1, 16, BI_RGB, {0, 0, 0}},                       // 16 bits without masks is 555
      {4, 4, 1, 16, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}},  // 555 masks
      {0, 4, 1, 32, BI_RGB, {0, 0, 0}},
      {4, 0, 1, 32, BI_RGB, {0, 0, 0}},
      {4, 4, 2, 32, BI_RGB, {0, 0, 0}},
      {100000, 100000, 1, 32, BI_RGB, {0, 0, 0}},  // more memory than any screen needs
  };
  for (const Case& c : cases) {
    DibInfo info = {};
    info.header = BITMAPINFOHEADER{
        sizeof(BITMAPINFOHEADER), c.width, c.height, c.planes, c.bits, c.compression, 0, 0, 0, 0, 0};
    std::memcpy(info.masks, c.masks, sizeof(info.masks));
    void* pixels = reinterpret_cast<void*>(1);
    EXPECT_EQ(nullptr, CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                        &pixels, nullptr, 0))
        << c.bits << " bits " << c.width << "x" << c.height;
    EXPECT_EQ(nullptr, pixels);
  }
  EXPECT_EQ(nullptr, CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0));

  void* pixels = nullptr;
  HDC dib = DcWith(2, 2, 32, &pixels);
  HDC fresh = CreateCompatibleDC(nullptr);  // holds only the monochrome placeholder
  EXPECT_FALSE(BitBlt(dib, 0, 0, 1, 1, fresh, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(dib, 0, 0, 1, 1, dib, 1, 1, 0x00BB0226 /* MERGEPAINT: not one of ours */));
  EXPECT_FALSE(BitBlt(dib, 0, 0, 1, 1, reinterpret_cast<HDC>(0x1234), 0, 0, SRCCOPY));
}

}  // namespace
