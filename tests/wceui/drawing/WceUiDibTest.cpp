#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/drawing/WceUiDib.h"
#include "platform/gdi/GdiHooks.h"

#include <cstring>

namespace {

class WceUiDibTest : public WceUiTestRoot {
 protected:
  void TearDown() override {
    wce::ResetGdi();
    WceUiTestRoot::TearDown();
  }
  static std::string Le16(DWORD v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  }
  static std::string Le32(DWORD v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
};

struct SizeCase {
  int m_nWidth, m_nHeight, m_nBits;
  DWORD m_dwDibSize, m_dwDataLen, m_dwAlphaCount;
};

TEST_F(WceUiDibTest, SizesOfPixelsAndAlphaPlane) {
  const SizeCase cases[] = {
      {3, 2, 16, 16, 16, 8},
      {1, 1, 16, 4, 4, 2},
      {2, 5, 16, 20, 20, 10},
      {3, 2, 32, 24, 24, 8},
      {800, 480, 16, 768000, 768000, 384000},
      {7, 3, 24, 72, 72, 24},
      {1, 1, 1, 4, 4, 2},
  };
  for (const SizeCase& c : cases) {
    EXPECT_EQ(FhGetDIBDataSize(c.m_nWidth, c.m_nHeight, c.m_nBits), c.m_dwDibSize)
        << c.m_nWidth << "x" << c.m_nHeight << "x" << c.m_nBits;
    EXPECT_EQ(FhGetBitmapDataLen(c.m_nWidth, c.m_nHeight, c.m_nBits), c.m_dwDataLen)
        << c.m_nWidth << "x" << c.m_nHeight;
    EXPECT_EQ(FhGetDIB565PixelCount(c.m_nWidth, c.m_nHeight), c.m_dwAlphaCount)
        << c.m_nWidth << "x" << c.m_nHeight;
  }
  EXPECT_TRUE(Log().empty());
  FhGetBitmapDataLen(0, 1, 16);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error: FhGetBitmapDataLen,check(nWidth > 0)fail");
}

TEST_F(WceUiDibTest, Saved565FileHasItsSeventyByteHeaders) {
  // A 3 x 2 picture: rows of 8 bytes (6 of pixels, 2 of padding), bottom row first.
  std::string pixels;
  for (int i = 0; i < 16; ++i) pixels.push_back(static_cast<char>(0x10 + i));
  ASSERT_TRUE(Save565BmpFile(u"\\SDMMC\\out565.bmp", pixels.data(), 3, 2));
  std::string expected = "BM" + Le32(86) + Le32(0) + Le32(70) +                         // file header
                         Le32(40) + Le32(3) + Le32(2) + Le16(1) + Le16(16) + Le32(3) +  // BI_BITFIELDS
                         Le32(16) + Le32(0) + Le32(0) + Le32(0) + Le32(0) +             // image size
                         Le32(0xF800) + Le32(0x07E0) + Le32(0x001F) + Le32(0) + pixels;
  EXPECT_EQ(Bytes(u"\\SDMMC\\out565.bmp"), expected);
}

TEST_F(WceUiDibTest, Saved32FileHasItsFiftyEightByteHeaders) {
  std::string pixels;
  for (int i = 0; i < 24; ++i) pixels.push_back(static_cast<char>(0x80 + i));
  ASSERT_TRUE(Save32BmpFile(u"\\SDMMC\\out32.bmp", pixels.data(), 3, 2));
  std::string expected = "BM" + Le32(82) + Le32(0) + Le32(58) + Le32(40) + Le32(3) + Le32(2) + Le16(1) +
                         Le16(32) + Le32(0) + Le32(24) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0) +
                         pixels;
  EXPECT_EQ(Bytes(u"\\SDMMC\\out32.bmp"), expected);
}

TEST_F(WceUiDibTest, SaveFailuresAreLogged) {
  const char data[16] = {};
  EXPECT_FALSE(Save565BmpFile(u"\\SDMMC\\no\\such\\dir\\a.bmp", data, 3, 2));
  EXPECT_FALSE(Save32BmpFile(u"\\SDMMC\\no\\such\\dir\\b.bmp", data, 1, 1));
  EXPECT_FALSE(Save32BmpFile(u"\\SDMMC\\c.bmp", data, 0, 1));
  EXPECT_FALSE(Save565BmpFile(u"\\SDMMC\\d.bmp", nullptr, 1, 1));
  std::vector<std::string> m = Messages();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(
      m[0].rfind("error: Save565BmpFile, CreateFile (\\SDMMC\\no\\such\\dir\\a.bmp) fail, GetLastError is ",
                 0),
      0u)
      << m[0];
  EXPECT_EQ(m[1].rfind(
                "error: Save32BmpFile, CreateFile (\\SDMMC\\no\\such\\dir\\b.bmp) fail, GetLastError is ", 0),
            0u)
      << m[1];
  EXPECT_EQ(m[2], "error: Save565BmpFile,check(NULL != pData)fail");
}

TEST_F(WceUiDibTest, EmptyDibsAreBottomUpOfTheirDepth) {
  for (int bits : {16, 32}) {
    void* pBits = nullptr;
    HBITMAP h = bits == 16 ? CreateEmptyDIB565(5, 3, &pBits) : CreateEmptyDIB32(5, 3, &pBits);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(pBits, nullptr);
    BITMAP bm = {};
    ASSERT_NE(GetObjectW(h, sizeof(bm), &bm), 0);
    EXPECT_EQ(bm.bmWidth, 5);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(bm.bmBitsPixel, bits);
    EXPECT_EQ(static_cast<DWORD>(bm.bmWidthBytes) * 3, FhGetDIBDataSize(5, 3, bits));
    DeleteObject(h);
  }
  void* pBits = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateEmptyDIB565(0, 3, &pBits), nullptr);
  EXPECT_EQ(CreateEmptyDIB32(4, -1, nullptr), nullptr);
  std::vector<std::string> m = Messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0], "error: CreateEmptyDIB565,check(nWidth > 0)fail");
  EXPECT_EQ(m[1], "error: CreateEmptyDIB32,check(nHeight > 0)fail");
}

// A 32-bit source whose every pixel differs, copied into both depths.
TEST_F(WceUiDibTest, CopyHBitmapConvertsIntoEitherDepth) {
  void* pSrcBits = nullptr;
  HBITMAP hSrc = CreateEmptyDIB32(3, 2, &pSrcBits);
  ASSERT_NE(hSrc, nullptr);
  DWORD* px = static_cast<DWORD*>(pSrcBits);
  const DWORD colours[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xF80408};
  std::memcpy(px, colours, sizeof(colours));
  for (int bits : {32, 16}) {
    CFhBmpData data;
    ASSERT_TRUE(CopyHBitmap(&data, bits, hSrc)) << bits;
    EXPECT_NE(data.m_hBitmap, hSrc);
    EXPECT_EQ(data.m_Bmp.bmWidth, 3);
    EXPECT_EQ(data.m_Bmp.bmHeight, 2);
    EXPECT_EQ(data.m_Bmp.bmBitsPixel, bits);
    EXPECT_EQ(data.m_pAlpha, nullptr);
    if (bits == 32) {
      EXPECT_EQ(std::memcmp(data.m_pBits, colours, sizeof(colours)), 0);
    } else {
      const WORD* p16 = static_cast<const WORD*>(data.m_pBits);
      // Rows of 565 pixels are padded to 4 bytes: 3 pixels and one spare a row.
      const WORD expected[8] = {0xF800, 0x07E0, 0x001F, 0, 0xFFFF, 0x0000, 0xF821, 0};
      for (int i : {0, 1, 2, 4, 5, 6}) EXPECT_EQ(p16[i], expected[i]) << i;
    }
    DeleteObject(data.m_hBitmap);
  }
  CFhBmpData data;
  EXPECT_FALSE(CopyHBitmap(&data, 24, hSrc));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error:   ::CopyHBitmap, nDstBitsPixel is 24, not 16 or 32");
  DeleteObject(hSrc);
}

TEST_F(WceUiDibTest, DeepCopiesOwnTheirPixelsAndAlpha) {
  CFhBmpData src;
  std::memset(&src, 0, sizeof(src));
  src.m_nRef = 1;
  src.m_hBitmap = CreateEmptyDIB565(3, 2, &src.m_pBits);
  ASSERT_NE(src.m_hBitmap, nullptr);
  GetObjectW(src.m_hBitmap, sizeof(src.m_Bmp), &src.m_Bmp);
  for (int i = 0; i < 8; ++i) static_cast<WORD*>(src.m_pBits)[i] = static_cast<WORD>(0x1111 * (i + 1));
  BYTE alpha[8] = {0, 10, 20, 30, 40, 50, 60, 63};
  src.m_pAlpha = alpha;
  src.m_dwTransColor = 0x00FF00FF;
  src.m_nConstAlpha = 128;

  CFhBmpData copy;
  ASSERT_TRUE(CopyBmpData565(&copy, &src));
  EXPECT_NE(copy.m_hBitmap, src.m_hBitmap);
  EXPECT_NE(copy.m_pBits, src.m_pBits);
  EXPECT_EQ(std::memcmp(copy.m_pBits, src.m_pBits, 16), 0);
  ASSERT_NE(copy.m_pAlpha, nullptr);
  EXPECT_NE(copy.m_pAlpha, alpha);
  EXPECT_EQ(std::memcmp(copy.m_pAlpha, alpha, 8), 0);
  EXPECT_EQ(copy.m_dwTransColor, 0x00FF00FFu);
  EXPECT_EQ(copy.m_nConstAlpha, 128);
  EXPECT_EQ(copy.m_Bmp.bmBits, copy.m_pBits);
  // A 565 record is no 32-bit one.
  CFhBmpData wrong;
  EXPECT_FALSE(CopyBmpData32(&wrong, &src));
  delete[] copy.m_pAlpha;
  DeleteObject(copy.m_hBitmap);

  CFhBmpData src32;
  std::memset(&src32, 0, sizeof(src32));
  src32.m_hBitmap = CreateEmptyDIB32(2, 2, &src32.m_pBits);
  GetObjectW(src32.m_hBitmap, sizeof(src32.m_Bmp), &src32.m_Bmp);
  static_cast<DWORD*>(src32.m_pBits)[3] = 0x123456;
  ASSERT_TRUE(CopyBmpData32(&copy, &src32));
  EXPECT_EQ(static_cast<DWORD*>(copy.m_pBits)[3], 0x123456u);
  EXPECT_EQ(copy.m_pAlpha, nullptr);
  DeleteObject(copy.m_hBitmap);
  DeleteObject(src32.m_hBitmap);
  DeleteObject(src.m_hBitmap);
}

}  // namespace
