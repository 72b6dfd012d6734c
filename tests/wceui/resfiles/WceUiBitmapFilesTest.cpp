// BMP headers as the file format lays them out, written byte by byte here.
#include "wceui/resfiles/WceUiBitmapFiles.h"

#include "tests/wceui/core/WceUiTestRoot.h"

#include <cstring>
#include <vector>

namespace {
void Put16(std::vector<BYTE>& b, size_t at, DWORD v) {
  b[at] = static_cast<BYTE>(v);
  b[at + 1] = static_cast<BYTE>(v >> 8);
}
void Put32(std::vector<BYTE>& b, size_t at, DWORD v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<BYTE>(v >> (8 * i));
}

// "BM", file size, pixel offset, then the 40-byte info header; nSize bytes in all.
std::vector<BYTE> Bmp(size_t nSize, DWORD nOffset, LONG nWidth, LONG nHeight, WORD nBits) {
  std::vector<BYTE> b(nSize, 0xAB);
  if (nSize < 54) return b;
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<DWORD>(nSize));
  Put32(b, 6, 0);
  Put32(b, 10, nOffset);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<DWORD>(nWidth));
  Put32(b, 22, static_cast<DWORD>(nHeight));
  Put16(b, 26, 1);
  Put16(b, 28, nBits);
  for (size_t i = 30; i < 54; ++i) b[i] = 0;
  return b;
}

class BitmapFiles : public WceUiTestRoot {};

TEST_F(BitmapFiles, HeaderSizesOfThe565And32BitFiles) {
  // 3 x 2 at 16 bits: rows of 8 bytes, 16 bytes of pixels behind 70 bytes of headers (file 86),
  // the masks in the 12 bytes behind the info header.
  std::vector<BYTE> b565 = Bmp(86, 70, 3, 2, 16);
  Put32(b565, 30, BI_BITFIELDS);
  Put32(b565, 54, 0xF800);
  Put32(b565, 58, 0x07E0);
  Put32(b565, 62, 0x001F);
  BITMAPINFO info;
  const BYTE* pBits = nullptr;
  ASSERT_EQ(1, GetBitmapInfoFromBuffer(b565.data(), 86, &info, &pBits));
  EXPECT_EQ(b565.data() + 70, pBits);
  EXPECT_EQ(3, info.bmiHeader.biWidth);
  EXPECT_EQ(2, info.bmiHeader.biHeight);
  EXPECT_EQ(16, info.bmiHeader.biBitCount);
  DWORD nRedMask = 0;
  std::memcpy(&nRedMask, info.bmiColors, 4);
  EXPECT_EQ(0xF800u, nRedMask);
  EXPECT_EQ(0, GetBitmapInfoFromBuffer(b565.data(), 85, &info, &pBits));  // a byte of pixels short

  // 3 x 2 at 32 bits: 24 bytes of pixels behind 58 bytes of headers (file 82).
  std::vector<BYTE> b32 = Bmp(82, 58, 3, 2, 32);
  ASSERT_EQ(1, GetBitmapInfoFromBuffer(b32.data(), 82, &info, &pBits));
  EXPECT_EQ(b32.data() + 58, pBits);
  EXPECT_EQ(32, info.bmiHeader.biBitCount);
  EXPECT_EQ(0, GetBitmapInfoFromBuffer(b32.data(), 81, &info, &pBits));
}

TEST_F(BitmapFiles, ShortBuffersFailAndTheMissingHeaderBytesAreZero) {
  BITMAPINFO info;
  const BYTE* pBits = nullptr;
  for (DWORD nLen : {0u, 14u, 46u, 47u, 53u}) {
    // Exactly nLen bytes, so that a read past the end is a sanitizer error.
    std::vector<BYTE> b = Bmp(nLen, 14, 1, 1, 8);
    ClearLog();
    EXPECT_EQ(0, GetBitmapInfoFromBuffer(nLen ? b.data() : nullptr, nLen, &info, &pBits)) << nLen;
    EXPECT_EQ(nullptr, pBits);
  }
  std::vector<BYTE> b = Bmp(53, 14, 1, 1, 8);
  ClearLog();
  EXPECT_EQ(0, GetBitmapInfoFromBuffer(b.data(), 53, &info, &pBits));
  ASSERT_EQ(1u, Messages().size());
  EXPECT_EQ("error: GetBitmapInfoFromBuffer,check((nBuffLen > MIN_BITMAP_BUF_LEN))fail", Messages()[0]);

  // 54 to 57 bytes: a 1 x 1 8-bit picture whose 4 pixel bytes overlap the header's end; the bytes
  // behind the info header that the buffer lacks read as 0.
  for (DWORD nLen : {54u, 55u, 56u, 57u}) {
    std::vector<BYTE> s = Bmp(nLen, nLen - 4, 1, 1, 8);
    for (size_t i = 54; i < nLen; ++i) s[i] = 0xCD;
    ASSERT_EQ(1, GetBitmapInfoFromBuffer(s.data(), nLen, &info, &pBits)) << nLen;
    const BYTE* pExtra = reinterpret_cast<const BYTE*>(info.bmiColors);
    for (DWORD i = 0; i < 4; ++i) EXPECT_EQ(54 + i < nLen ? 0xCD : 0, pExtra[i]) << nLen << " " << i;
  }
}

TEST_F(BitmapFiles, BadFieldsAreRefused) {
  struct Case {
    const char* m_pszName;
    size_t m_nSize;
    DWORD m_dwOffset;
    LONG m_nWidth;
    LONG m_nHeight;
    WORD m_wBits;
    bool m_bMagic;
  };
  const Case cases[] = {
      {"good", 82, 58, 3, 2, 32, true},
      {"no BM", 82, 58, 3, 2, 32, false},
      {"offset inside the file header", 82, 13, 3, 2, 32, true},
      {"offset past the end", 82, 83, 3, 2, 32, true},
      {"width 0", 82, 58, 0, 2, 32, true},
      {"negative width", 82, 58, -3, 2, 32, true},
      {"height 0", 82, 58, 3, 0, 32, true},
      {"top-down height", 82, 58, 3, -2, 32, true},
      {"bit count 0", 82, 58, 3, 2, 0, true},
      // 32-bit arithmetic would wrap these sizes to a few bytes.
      {"size beyond 32 bits", 82, 58, 0x7FFFFFFF, 0x7FFFFFFF, 32, true},
      {"row size wraps", 82, 58, 0x40000001, 1, 32, true},
      {"height wraps", 82, 58, 1, 0x40000001, 32, true},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> b = Bmp(c.m_nSize, c.m_dwOffset, c.m_nWidth, c.m_nHeight, c.m_wBits);
    if (!c.m_bMagic) b[0] = 'X';
    BITMAPINFO info;
    std::memset(&info, 0x5A, sizeof info);
    const BYTE* pBits = b.data();
    const BOOL bOk = GetBitmapInfoFromBuffer(b.data(), static_cast<DWORD>(c.m_nSize), &info, &pBits);
    EXPECT_EQ(std::string(c.m_pszName) == "good" ? 1 : 0, bOk) << c.m_pszName;
    if (!bOk) {
      EXPECT_EQ(nullptr, pBits) << c.m_pszName;
      const BYTE* p = reinterpret_cast<const BYTE*>(&info);
      for (size_t i = 0; i < sizeof info; ++i) ASSERT_EQ(0, p[i]) << c.m_pszName;
    }
  }
}

TEST_F(BitmapFiles, SizesIn64Bits) {
  EXPECT_EQ(16u, WceUiGetDibDataSize64(3, 2, 16));
  EXPECT_EQ(24u, WceUiGetDibDataSize64(3, 2, 32));
  EXPECT_EQ(8u, WceUiGetDibDataSize64(3, 2, 8));
  EXPECT_EQ(0x7FFFFFFFull * 4 * 0x7FFFFFFF, WceUiGetDibDataSize64(0x7FFFFFFF, 0x7FFFFFFF, 32));
  EXPECT_EQ(0u, WceUiGetDibDataSize64(0, 2, 16));
  EXPECT_EQ(8u, WceUiGetAlphaPlaneSize64(3, 2));
  EXPECT_EQ(8u, WceUiGetAlphaPlaneSize64(4, 2));
  EXPECT_EQ(0x80000000ull * 0x7FFFFFFF, WceUiGetAlphaPlaneSize64(0x7FFFFFFF, 0x7FFFFFFF));
}
}  // namespace
