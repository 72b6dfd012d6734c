// The pixel kernels against a per-pixel computation written here from the blend rules: channels
// unpacked, one formula a channel, packed again. Rows have a distinct value in every pixel and are
// long enough for the SSE2 blocks and an odd tail; every case runs with and without SSE2.
#include "wceui/drawing/WceUiPixelKernels.h"

#include "tests/wceui/drawing/PixelRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {
// Every alpha class, both ends of each range and the values beside them.
const int kAlphas[] = {-5,  0,   1,   8,   9,   30,  55,  56,  63,  64,  72,  73,  100, 119, 120,
                       128, 136, 137, 150, 183, 184, 192, 200, 201, 246, 247, 250, 255, 256};
const int kRow = 77;  // nine 8-pixel blocks and a tail of five

// Odd multipliers make every pixel of a row distinct.
std::vector<WORD> Row565(DWORD seed) {
  std::vector<WORD> v(kRow);
  for (int i = 0; i < kRow; ++i) v[i] = static_cast<WORD>(i * 0x3A5u + seed);
  return v;
}
std::vector<DWORD> Row32(DWORD seed) {
  std::vector<DWORD> v(kRow);
  for (int i = 0; i < kRow; ++i) v[i] = i * 0x9E3779B1u + seed;
  return v;
}
// Alphas 0..63 in turn, so both ends and every value between appear.
std::vector<BYTE> AlphaRow() {
  std::vector<BYTE> v(kRow);
  for (int i = 0; i < kRow; ++i) v[i] = static_cast<BYTE>((i * 5) % 64);
  v[3] = 0;
  v[4] = 63;
  return v;
}

class PixelKernels : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { WceUiSetSimdKernels(GetParam()); }
  void TearDown() override { WceUiSetSimdKernels(1); }
};

TEST_P(PixelKernels, AlphaClassesFollowTheTable) {
  for (int a = -300; a <= 300; ++a) EXPECT_EQ(ClassOf(a), WceUiGetAlphaClass(a)) << a;
}

TEST_P(PixelKernels, ConstantAlphaBlendRows) {
  const std::vector<WORD> s16 = Row565(0x8421), d16 = Row565(0x1357);
  const std::vector<DWORD> s32 = Row32(0x5A12C3E4), d32 = Row32(0xA1B2C3D4);
  for (int a : kAlphas) {
    std::vector<WORD> got16 = d16;
    WceUiBlendRow565(got16.data(), s16.data(), kRow, a);
    std::vector<DWORD> got32 = d32;
    WceUiBlendRow32(got32.data(), s32.data(), kRow, a);
    for (int i = 0; i < kRow; ++i) {
      ASSERT_EQ(RefBlend565(d16[i], s16[i], a), got16[i]) << "alpha " << a << " pixel " << i;
      ASSERT_EQ(RefBlend32(d32[i], s32[i], a), got32[i]) << "alpha " << a << " pixel " << i;
    }
  }
}

TEST_P(PixelKernels, WorkedBlendNumbers) {
  // White over white at 100: weights 25 and 38 add up to 63, so 31 becomes 30 and 63 becomes 62.
  WORD white = 0xFFFF;
  const WORD src = 0xFFFF;
  WceUiBlendRow565(&white, &src, 1, 100);
  EXPECT_EQ(Pack565({30, 62, 30}), white);
  // 64 is the quarter class exactly; 255 copies the colour bytes and keeps the top byte.
  WORD d = Pack565({8, 20, 3});
  const WORD s = Pack565({16, 40, 11});
  WceUiBlendRow565(&d, &s, 1, 64);
  EXPECT_EQ(Pack565({10, 25, 5}), d);
  DWORD d32 = 0x7F102030;
  const DWORD s32 = 0x01A0B0C0;
  WceUiBlendRow32(&d32, &s32, 1, 255);
  EXPECT_EQ(0x7FA0B0C0u, d32);
  d32 = 0x7F102030;
  WceUiBlendRow32(&d32, &s32, 1, 100);
  EXPECT_EQ(0x7Fu, d32 >> 24);
}

TEST_P(PixelKernels, PerPixelAlphaBlendRows) {
  const std::vector<WORD> s16 = Row565(0x0421), d16 = Row565(0xF0F0);
  const std::vector<BYTE> alpha = AlphaRow();
  std::vector<WORD> got16 = d16;
  WceUiBlendPerPixelRow565(got16.data(), s16.data(), alpha.data(), kRow);
  // Source alphas in the top byte: 0, 255 and every step between, with the bytes under it varied.
  std::vector<DWORD> s32 = Row32(0x00302010), d32 = Row32(0x33445566);
  for (int i = 0; i < kRow; ++i) s32[i] = (s32[i] & 0x00FFFFFFu) | (static_cast<DWORD>(i * 37 % 256) << 24);
  s32[5] &= 0x00FFFFFFu;
  s32[6] |= 0xFF000000u;
  std::vector<DWORD> got32 = d32;
  WceUiBlendPerPixelRow32(got32.data(), s32.data(), kRow);
  for (int i = 0; i < kRow; ++i) {
    EXPECT_EQ(RefPerPixel565(d16[i], s16[i], alpha[i]), got16[i]) << i;
    EXPECT_EQ(RefPerPixel32(d32[i], s32[i]), got32[i]) << i;
  }
  EXPECT_EQ(d16[3], got16[3]);
  EXPECT_EQ(s16[4], got16[4]);
  EXPECT_EQ(d32[5], got32[5]);
}

TEST_P(PixelKernels, ColourMixAndDarkenRows) {
  const std::vector<WORD> d16 = Row565(0x2468);
  const std::vector<DWORD> d32 = Row32(0xC0FFEE01);
  const WORD m16 = 0xB5A7;
  const DWORD m32 = 0x00A37F19;
  for (int a : kAlphas) {
    std::vector<WORD> mix16 = d16, dark16 = d16;
    std::vector<DWORD> mix32 = d32, dark32 = d32;
    WceUiMixColorRow565(mix16.data(), kRow, m16, a);
    WceUiDarkenRow565(dark16.data(), kRow, a);
    WceUiMixColorRow32(mix32.data(), kRow, m32, a);
    WceUiDarkenRow32(dark32.data(), kRow, a);
    for (int i = 0; i < kRow; ++i) {
      ASSERT_EQ(RefBlend565(d16[i], m16, a), mix16[i]) << "alpha " << a << " pixel " << i;
      ASSERT_EQ(RefDarken565(d16[i], a), dark16[i]) << "alpha " << a << " pixel " << i;
      ASSERT_EQ(RefBlend32(d32[i], m32, a), mix32[i]) << "alpha " << a << " pixel " << i;
      ASSERT_EQ(RefDarken32(d32[i], a), dark32[i]) << "alpha " << a << " pixel " << i;
    }
  }
}

TEST_P(PixelKernels, TransparentCopyRows) {
  std::vector<WORD> s16 = Row565(0x1111);
  std::vector<DWORD> s32 = Row32(0x01020304);
  const WORD key16 = s16[10];
  const DWORD key32 = 0x00FF00FF;
  for (int i : {0, 10, 17, 40, kRow - 1}) s16[i] = key16;
  // The top byte does not take part: these all match the key.
  for (int i : {0, 9, 23, kRow - 2}) s32[i] = key32 | (static_cast<DWORD>(i) << 24);
  const std::vector<WORD> d16 = Row565(0x7777);
  const std::vector<DWORD> d32 = Row32(0x0BADF00D);
  std::vector<WORD> got16 = d16;
  std::vector<DWORD> got32 = d32;
  WceUiTransCopyRow565(got16.data(), s16.data(), kRow, key16);
  WceUiTransCopyRow32(got32.data(), s32.data(), kRow, 0xAB000000u | key32);
  for (int i = 0; i < kRow; ++i) {
    EXPECT_EQ(s16[i] == key16 ? d16[i] : s16[i], got16[i]) << i;
    EXPECT_EQ((s32[i] & 0x00FFFFFFu) == key32 ? d32[i] : s32[i], got32[i]) << i;
  }
}

TEST_P(PixelKernels, StretchRowsTakeTheNearestPixelBelow) {
  const std::vector<DWORD> src = Row32(0x10203040);
  for (int nSrc : {1, 3, 7, 40, kRow}) {
    for (int nDst : {1, 2, 5, 40, 77, 160}) {
      std::vector<DWORD> got(nDst);
      std::vector<WORD> got16(nDst);
      const std::vector<WORD> src16 = Row565(0x4321);
      WceUiStretchRow32(got.data(), nDst, src.data(), nSrc);
      WceUiStretchRow565(got16.data(), nDst, src16.data(), nSrc);
      for (int i = 0; i < nDst; ++i) {
        ASSERT_EQ(src[i * nSrc / nDst], got[i]) << nSrc << " to " << nDst << " pixel " << i;
        ASSERT_EQ(src16[i * nSrc / nDst], got16[i]) << nSrc << " to " << nDst << " pixel " << i;
      }
    }
  }
}

TEST_P(PixelKernels, SimdRowsEqualScalarRows) {
  // Long rows of every alignment: the SSE2 blocks start at any offset of the memory.
  std::vector<WORD> s16 = Row565(0x5555), d16 = Row565(0x0F0F);
  std::vector<DWORD> s32 = Row32(0x5555AAAA), d32 = Row32(0x0F0F0F0F);
  const std::vector<BYTE> alpha = AlphaRow();
  for (int nOffset = 0; nOffset < 4; ++nOffset) {
    const int n = kRow - nOffset;
    for (int a : kAlphas) {
      std::vector<WORD> one16 = d16, two16 = d16;
      std::vector<DWORD> one32 = d32, two32 = d32;
      for (BOOL bSimd : {0, 1}) {
        WceUiSetSimdKernels(bSimd);
        WORD* p16 = (bSimd ? two16 : one16).data() + nOffset;
        DWORD* p32 = (bSimd ? two32 : one32).data() + nOffset;
        WceUiBlendRow565(p16, s16.data(), n, a);
        WceUiBlendPerPixelRow565(p16, s16.data() + 1, alpha.data(), n - 1);
        WceUiMixColorRow565(p16, n, 0x1234, a);
        WceUiTransCopyRow565(p16, s16.data(), n, s16[7]);
        WceUiBlendRow32(p32, s32.data(), n, a);
        WceUiBlendPerPixelRow32(p32, s32.data() + 1, n - 1);
        WceUiMixColorRow32(p32, n, 0x00123456, a);
        WceUiTransCopyRow32(p32, s32.data(), n, s32[7]);
      }
      ASSERT_EQ(one16, two16) << "alpha " << a << " offset " << nOffset;
      ASSERT_EQ(one32, two32) << "alpha " << a << " offset " << nOffset;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Simd, PixelKernels, ::testing::Values(false, true));

// ---- bitmap forms: small bitmaps, odd widths so that 565 rows carry a padding pixel
struct Bitmap565 {
  int m_nWidth;
  int m_nHeight;
  std::vector<WORD> m_Bits;
  std::vector<BYTE> m_Alpha;
  Bitmap565(int w, int h, DWORD seed) : m_nWidth(w), m_nHeight(h) {
    const int n = WceUiGetRowPixels565(w) * h;
    for (int i = 0; i < n; ++i) m_Bits.push_back(static_cast<WORD>(i * 0x3A5u + seed));
    for (int i = 0; i < n; ++i) m_Alpha.push_back(static_cast<BYTE>((i * 11 + seed) % 64));
  }
  WceUiPixels View() { return {m_Bits.data(), m_Alpha.data(), m_nWidth, m_nHeight}; }
  // Image coordinates: row y lies in memory row height - 1 - y.
  WORD& At(int x, int y) { return m_Bits[(m_nHeight - 1 - y) * WceUiGetRowPixels565(m_nWidth) + x]; }
  BYTE AlphaAt(int x, int y) { return m_Alpha[(m_nHeight - 1 - y) * WceUiGetRowPixels565(m_nWidth) + x]; }
};

struct Bitmap32 {
  int m_nWidth;
  int m_nHeight;
  std::vector<DWORD> m_Bits;
  Bitmap32(int w, int h, DWORD seed) : m_nWidth(w), m_nHeight(h) {
    for (int i = 0; i < w * h; ++i) m_Bits.push_back(i * 0x9E3779B1u + seed);
  }
  WceUiPixels View() { return {m_Bits.data(), nullptr, m_nWidth, m_nHeight}; }
  DWORD& At(int x, int y) { return m_Bits[(m_nHeight - 1 - y) * m_nWidth + x]; }
};

// Destination rectangle (1, 2, 4, 3) of a 7 x 6 bitmap from (2, 0) of a 5 x 4 source.
const int kX = 1, kY = 2, kW = 4, kH = 3, kSrcX = 2, kSrcY = 0;
bool Inside(int x, int y) {
  return x >= kX && x < kX + kW && y >= kY && y < kY + kH;
}

TEST(PixelKernelBitmaps, RectangleFormsTouchOnlyTheirRectangle) {
  for (int a : {30, 64, 128, 192, 255}) {
    Bitmap565 dst16(7, 6, 0x1234), src16(5, 4, 0x9876);
    Bitmap32 dst32(7, 6, 0x11223344), src32(5, 4, 0x55667788);
    Bitmap565 before16 = dst16;
    Bitmap32 before32 = dst32;
    WceUiBlendRect565(dst16.View(), kX, kY, kW, kH, src16.View(), kSrcX, kSrcY, a);
    WceUiBlendRect32(dst32.View(), kX, kY, kW, kH, src32.View(), kSrcX, kSrcY, a);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 7; ++x) {
        const int sx = x - kX + kSrcX, sy = y - kY + kSrcY;
        EXPECT_EQ(Inside(x, y) ? RefBlend565(before16.At(x, y), src16.At(sx, sy), a) : before16.At(x, y),
                  dst16.At(x, y));
        EXPECT_EQ(Inside(x, y) ? RefBlend32(before32.At(x, y), src32.At(sx, sy), a) : before32.At(x, y),
                  dst32.At(x, y));
      }
    }
  }
}

TEST(PixelKernelBitmaps, PerPixelRectangleReadsTheSourceAlphaPlaneAtTheSourcePosition) {
  Bitmap565 dst16(7, 6, 0x1234), src16(5, 4, 0x9876);
  Bitmap32 dst32(7, 6, 0x11223344), src32(5, 4, 0x55667788);
  Bitmap565 before16 = dst16;
  Bitmap32 before32 = dst32;
  WceUiBlendPerPixelRect565(dst16.View(), kX, kY, kW, kH, src16.View(), kSrcX, kSrcY);
  WceUiBlendPerPixelRect32(dst32.View(), kX, kY, kW, kH, src32.View(), kSrcX, kSrcY);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 7; ++x) {
      const int sx = x - kX + kSrcX, sy = y - kY + kSrcY;
      EXPECT_EQ(Inside(x, y) ? RefPerPixel565(before16.At(x, y), src16.At(sx, sy), src16.AlphaAt(sx, sy))
                             : before16.At(x, y),
                dst16.At(x, y));
      EXPECT_EQ(Inside(x, y) ? RefPerPixel32(before32.At(x, y), src32.At(sx, sy)) : before32.At(x, y),
                dst32.At(x, y));
    }
  }
}

TEST(PixelKernelBitmaps, WholeFormsCoverEveryPixelAndThe565HalvesDifferFromTheRectangleForm) {
  for (int a : {0, 8, 9, 64, 100, 128, 192, 250, 255}) {
    Bitmap565 blend16(5, 3, 0x4444), src16(5, 3, 0xBEEF), mix16(5, 3, 0x4444), dark16(5, 3, 0x4444);
    Bitmap565 rect16(5, 3, 0x4444);
    Bitmap32 blend32(5, 3, 0x01234567), src32(5, 3, 0x89ABCDEF), mix32(5, 3, 0x01234567),
        dark32(5, 3, 0x01234567);
    Bitmap565 d16(5, 3, 0x4444);
    Bitmap32 d32(5, 3, 0x01234567);
    const WORD m16 = 0x8B5D;  // odd channels: 17, 26, 29
    const DWORD m32 = 0x00A3B1C5;
    WceUiBlendWhole565(blend16.View(), src16.View(), a);
    WceUiMixColorWhole565(mix16.View(), m16, a);
    WceUiMixColorRect565(rect16.View(), 0, 0, 5, 3, m16, a);
    WceUiDarkenWhole565(dark16.View(), a);
    WceUiBlendWhole32(blend32.View(), src32.View(), a);
    WceUiMixColorWhole32(mix32.View(), m32, a);
    WceUiDarkenWhole32(dark32.View(), a);
    for (size_t i = 0; i < d16.m_Bits.size(); ++i) {  // padding pixels included
      ASSERT_EQ(RefBlend565(d16.m_Bits[i], src16.m_Bits[i], a), blend16.m_Bits[i]) << a << " " << i;
      ASSERT_EQ(RefMixWhole565(d16.m_Bits[i], m16, a), mix16.m_Bits[i]) << a << " " << i;
      ASSERT_EQ(RefDarken565(d16.m_Bits[i], a), dark16.m_Bits[i]) << a << " " << i;
    }
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        ASSERT_EQ(RefBlend565(d16.At(x, y), m16, a), rect16.At(x, y));
      }
    }
    for (size_t i = 0; i < d32.m_Bits.size(); ++i) {
      ASSERT_EQ(RefBlend32(d32.m_Bits[i], src32.m_Bits[i], a), blend32.m_Bits[i]) << a << " " << i;
      ASSERT_EQ(RefBlend32(d32.m_Bits[i], m32, a), mix32.m_Bits[i]) << a << " " << i;
      ASSERT_EQ(RefDarken32(d32.m_Bits[i], a), dark32.m_Bits[i]) << a << " " << i;
    }
  }
  // The worked difference: 17 and 3 at 128 give 8 + 1 = 9 whole, (17 + 3) / 2 = 10 by rectangle.
  Bitmap565 one(1, 1, 0);
  one.m_Bits = {Pack565({3, 3, 3}), Pack565({3, 3, 3})};
  WceUiMixColorWhole565(one.View(), Pack565({17, 17, 17}), 128);
  EXPECT_EQ(Pack565({9, 9, 9}), one.m_Bits[0]);
  one.m_Bits[0] = Pack565({3, 3, 3});
  WceUiMixColorRect565(one.View(), 0, 0, 1, 1, Pack565({17, 17, 17}), 128);
  EXPECT_EQ(Pack565({10, 10, 10}), one.m_Bits[0]);
  // Darkening at 250 leaves black with the top byte kept.
  Bitmap32 dark(2, 1, 0x5F808080);
  WceUiDarkenRect32(dark.View(), 0, 0, 2, 1, 250);
  EXPECT_EQ(dark.m_Bits[0] & 0xFF000000u, dark.m_Bits[0]);
  EXPECT_EQ(dark.m_Bits[1] & 0xFF000000u, dark.m_Bits[1]);
}

TEST(PixelKernelBitmaps, TransparentCopyAndStretchRectangles) {
  Bitmap565 dst16(7, 6, 0x1234), src16(5, 4, 0x9876);
  Bitmap32 dst32(7, 6, 0x11223344), src32(5, 4, 0x55667788);
  const WORD key16 = src16.At(3, 1);
  const DWORD key32 = src32.At(3, 1);
  Bitmap565 before16 = dst16;
  Bitmap32 before32 = dst32;
  WceUiTransCopyRect565(dst16.View(), kX, kY, kW, kH, src16.View(), kSrcX, kSrcY, key16);
  WceUiTransCopyRect32(dst32.View(), kX, kY, kW, kH, src32.View(), kSrcX, kSrcY, key32);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 7; ++x) {
      const int sx = x - kX + kSrcX, sy = y - kY + kSrcY;
      const bool copy16 = Inside(x, y) && src16.At(sx, sy) != key16;
      const bool copy32 = Inside(x, y) && src32.At(sx, sy) != key32;
      EXPECT_EQ(copy16 ? src16.At(sx, sy) : before16.At(x, y), dst16.At(x, y));
      EXPECT_EQ(copy32 ? src32.At(sx, sy) : before32.At(x, y), dst32.At(x, y));
    }
  }
  EXPECT_EQ(before16.At(2, 3), dst16.At(2, 3));  // the key's own position

  // 3 x 2 of the source at (1, 1) stretched to 7 x 5 at (0, 1), and shrunk the other way.
  struct Case {
    int m_nX, m_nY, m_nW, m_nH, m_nSx, m_nSy, m_nSw, m_nSh;
  };
  for (const Case& c : {Case{0, 1, 7, 5, 1, 1, 3, 2}, Case{2, 0, 2, 3, 0, 0, 5, 4}}) {
    Bitmap565 s16(7, 6, 0x1234);
    Bitmap32 s32(7, 6, 0x11223344);
    Bitmap565 b16 = s16;
    Bitmap32 b32 = s32;
    WceUiStretchRect565(s16.View(), c.m_nX, c.m_nY, c.m_nW, c.m_nH, src16.View(), c.m_nSx, c.m_nSy, c.m_nSw,
                        c.m_nSh);
    WceUiStretchRect32(s32.View(), c.m_nX, c.m_nY, c.m_nW, c.m_nH, src32.View(), c.m_nSx, c.m_nSy, c.m_nSw,
                       c.m_nSh);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 7; ++x) {
        const bool in = x >= c.m_nX && x < c.m_nX + c.m_nW && y >= c.m_nY && y < c.m_nY + c.m_nH;
        const int sx = c.m_nSx + (x - c.m_nX) * c.m_nSw / c.m_nW,
                  sy = c.m_nSy + (y - c.m_nY) * c.m_nSh / c.m_nH;
        EXPECT_EQ(in ? src16.At(sx, sy) : b16.At(x, y), s16.At(x, y));
        EXPECT_EQ(in ? src32.At(sx, sy) : b32.At(x, y), s32.At(x, y));
      }
    }
  }
}

TEST(PixelKernelBitmaps, RotationsMoveEveryPixel) {
  const int w = 3, h = 2;
  Bitmap565 src16(w, h, 0x0101);
  Bitmap32 src32(w, h, 0xFE010203);
  for (int nAngle : {1, 2, 3}) {
    const bool bTurn = nAngle != 2;
    Bitmap565 dst16(bTurn ? h : w, bTurn ? w : h, 0);
    Bitmap32 dst32(bTurn ? h : w, bTurn ? w : h, 0);
    WceUiRotate565(dst16.View(), src16.View(), nAngle);
    WceUiRotate32(dst32.View(), src32.View(), nAngle);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int dx = nAngle == 1 ? h - 1 - y : nAngle == 2 ? w - 1 - x : y;
        const int dy = nAngle == 1 ? x : nAngle == 2 ? h - 1 - y : w - 1 - x;
        EXPECT_EQ(src16.At(x, y), dst16.At(dx, dy)) << nAngle;
        EXPECT_EQ(src32.At(x, y), dst32.At(dx, dy)) << nAngle;
      }
    }
    if (nAngle == 1) {
      EXPECT_EQ(src32.At(0, 0), dst32.At(1, 0));  // top-left becomes top-right
    }
  }
}

TEST(PixelKernelBitmaps, HueShiftWorkedValues) {
  struct Case {
    DWORD m_dwPixel;
    int m_nOffset;
    DWORD m_dwExpected;
  };
  // Worked by hand from the fixed-point rule: d = 150 gives the reciprocal 26214, so (200, 100, 50)
  // has hue 19 and comes back with green 50 + (20753·150 >> 16) = 97 even at offset 0.
  const Case k32[] = {
      {0x00FF0000, 120, 0x0000FF00}, {0x00FF0000, -120, 0x000000FF}, {0x00FF0000, 60, 0x00FFFF00},
      {0x00FF0000, 30, 0x00FF7F00},  {0x7FC86432, 0, 0x7FC86132},    {0x12808080, 77, 0x12808080},
  };
  for (const Case& c : k32) {
    DWORD p = c.m_dwPixel;
    WceUiHueShiftRow32(&p, 1, c.m_nOffset);
    EXPECT_EQ(c.m_dwExpected, p) << std::hex << c.m_dwPixel << " " << std::dec << c.m_nOffset;
  }
  // 565 red widens to 62, turns to green 62 and packs back unchanged in the six-bit channel.
  WORD red = 0xF800;
  WceUiHueShiftRow565(&red, 1, 120);
  EXPECT_EQ(Pack565({0, 62, 0}), red);
  WORD grey = Pack565({10, 20, 10});  // equal once red and blue are widened
  WceUiHueShiftRow565(&grey, 1, 90);
  EXPECT_EQ(Pack565({10, 20, 10}), grey);
}

TEST(PixelKernelBitmaps, HueShiftRebuildsTheThirdChannelOfEverySector) {
  // Worked by hand from the fixed-point rule, F(x) = floor(65536·x / 60). (200, 100, 50): d = 150,
  // R[150] = 26214, hue 0 + (26214·50 >> 16) = 19; each offset moves it into a sector and the third
  // channel is min + (f·150 >> 16).
  struct Case {
    Rgb m_Pixel;
    int m_nOffset;
    Rgb m_Expected;
  };
  const Case k32[] = {
      // 120..179: g max, r min, b from F(H − 120).
      {{200, 100, 50}, 101, {50, 200, 50}},   // H 120: f = F(0) = 0
      {{200, 100, 50}, 131, {50, 200, 125}},  // H 150: F(30) = 32768, 4915200 >> 16 = 75
      {{200, 100, 50}, 160, {50, 200, 197}},  // H 179: F(59) = 64443, 9666450 >> 16 = 147
      // (40, 180, 100): green case, d = 140, R[140] = 28086, hue 120 + (28086·60 >> 16) = 145;
      // F(25) = 27306, 27306·140 >> 16 = 58: blue comes back as 98.
      {{40, 180, 100}, 0, {40, 180, 98}},
      // 180..239: b max, r min, g from 262144 − F(H).
      {{200, 100, 50}, 161, {50, 200, 200}},   // H 180: f = 262144 − 196608 = 65536, g = max
      {{200, 100, 50}, -170, {50, 127, 200}},  // H −151 + 360 = 209: f = 262144 − 228283 = 33861, 77
      {{200, 100, 50}, -140, {50, 52, 200}},   // H 239: f = 262144 − 261051 = 1093, 2
      // (30, 120, 210): blue case, d = 180, R[180] = 21845, 21845·(30 − 120) = −1966050, shifted
      // arithmetically −30 (not −29): hue 210, f = 262144 − 229376 = 32768, g = 30 + 90.
      {{30, 120, 210}, 0, {30, 120, 210}},
      // 241..299: b max, g min, r from F(H − 240).
      {{200, 100, 50}, -138, {52, 50, 200}},   // H 241: F(1) = 1092, 163800 >> 16 = 2
      {{200, 100, 50}, -100, {147, 50, 200}},  // H 279: F(39) = 42598, 6389700 >> 16 = 97
      {{200, 100, 50}, -80, {197, 50, 200}},   // H 299: F(59) = 64443, 147
      // (120, 30, 210): blue case, 21845·90 = 1966050 >> 16 = 29: hue 269, F(29) = 31675,
      // 31675·180 >> 16 = 86: red comes back as 116.
      {{120, 30, 210}, 0, {116, 30, 210}},
      // 300..359: r max, g min, b from 262144 − F(H − 120).
      {{200, 100, 50}, -79, {200, 50, 200}},  // H 300: f = 262144 − F(180) = 65536, b = max
      {{200, 100, 50}, -30, {200, 50, 77}},   // H 349: f = 262144 − F(229) = 12015, 27
      {{200, 100, 50}, -20, {200, 50, 52}},   // H 359: f = 262144 − F(239) = 1093, 2
      // (200, 50, 100): red case, 26214·(50 − 100) >> 16 = −20: H 340, f = 262144 − F(220) =
      // 21846, 21846·150 >> 16 = 50.
      {{200, 50, 100}, 0, {200, 50, 100}},
  };
  // Channels listed, so that a failure names them.
  auto rgb = [](Rgb c) { return std::vector<DWORD>{c.m_dwR, c.m_dwG, c.m_dwB}; };
  for (const Case& c : k32) {
    DWORD p = Pack32(0x5A000000u, c.m_Pixel);
    WceUiHueShiftRow32(&p, 1, c.m_nOffset);
    EXPECT_EQ(rgb(c.m_Expected), rgb(Unpack32(p)))
        << ::testing::PrintToString(rgb(c.m_Pixel)) << " by " << c.m_nOffset;
    EXPECT_EQ(p >> 24, 0x5Au);
  }
  // 565 (25, 50, 6) widens to (50, 50, 12): green case (green wins the tie with red), d = 38,
  // R[38] = 103477, 103477·(12 − 50) >> 16 = −60: hue 60. The third channel is 12 + (f·38 >> 16);
  // red and blue lose their low bit when packed back.
  const Case k565[] = {
      {{25, 50, 6}, 90, {6, 50, 15}},     // H 150: 32768·38 >> 16 = 19, b 31
      {{25, 50, 6}, 150, {6, 31, 25}},    // H 210: f = 262144 − 229376 = 32768, g 31
      {{25, 50, 6}, -160, {12, 12, 25}},  // H 260: F(20) = 21845, 830110 >> 16 = 12, r 24
      {{25, 50, 6}, -90, {25, 12, 15}},   // H 330: f = 262144 − F(210) = 32768, b 31
  };
  for (const Case& c : k565) {
    WORD p = Pack565(c.m_Pixel);
    WceUiHueShiftRow565(&p, 1, c.m_nOffset);
    EXPECT_EQ(rgb(c.m_Expected), rgb(Unpack565(p))) << "565 by " << c.m_nOffset;
  }
}

TEST(PixelKernelBitmaps, HueShiftKeepsLargestAndSmallestChannel) {
  Bitmap32 b32(9, 7, 0x00123456);
  Bitmap565 b16(9, 7, 0x1357);
  for (int offset : {-180, -61, -1, 1, 45, 119, 180}) {
    const Bitmap32 before32 = b32;
    const Bitmap565 before16 = b16;
    WceUiHueShiftWhole32(b32.View(), offset);
    WceUiHueShiftWhole565(b16.View(), offset);
    for (size_t i = 0; i < b32.m_Bits.size(); ++i) {
      const Rgb o = Unpack32(before32.m_Bits[i]), n = Unpack32(b32.m_Bits[i]);
      EXPECT_EQ(std::max({o.m_dwR, o.m_dwG, o.m_dwB}), std::max({n.m_dwR, n.m_dwG, n.m_dwB}));
      EXPECT_EQ(std::min({o.m_dwR, o.m_dwG, o.m_dwB}), std::min({n.m_dwR, n.m_dwG, n.m_dwB}));
      EXPECT_EQ(before32.m_Bits[i] >> 24, b32.m_Bits[i] >> 24);
    }
    for (size_t i = 0; i < b16.m_Bits.size(); ++i) {
      const Rgb o = Unpack565(before16.m_Bits[i]), n = Unpack565(b16.m_Bits[i]);
      const DWORD oMax = std::max({o.m_dwR * 2, o.m_dwG, o.m_dwB * 2}),
                  nMax = std::max({n.m_dwR * 2, n.m_dwG, n.m_dwB * 2});
      const DWORD oMin = std::min({o.m_dwR * 2, o.m_dwG, o.m_dwB * 2}),
                  nMin = std::min({n.m_dwR * 2, n.m_dwG, n.m_dwB * 2});
      // Widened red and blue lose their low bit when packed back.
      EXPECT_LE(oMax - nMax + 1, 2u) << i;
      EXPECT_LE(oMin - nMin + 1, 2u) << i;
    }
  }
}

TEST(PixelKernelBitmaps, ColourConversions) {
  EXPECT_EQ(0xF800, WceUiColorTo565(0x0000FF));
  EXPECT_EQ(0x07E0, WceUiColorTo565(0x00FF00));
  EXPECT_EQ(0x001F, WceUiColorTo565(0xFF0000));
  EXPECT_EQ(Pack565({0x12 >> 3, 0x34 >> 2, 0x56 >> 3}), WceUiColorTo565(0x563412));
  EXPECT_EQ(0x00123456u, WceUiColorTo32(0x00563412));
}
}  // namespace
