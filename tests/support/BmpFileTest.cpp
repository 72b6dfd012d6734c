// The tests' BMP reader on files written here byte by byte: both depths, both row orders, the
// padding of a row to four bytes, and the files it refuses.
#include "tests/support/BmpFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Le(uint32_t v, int nBytes) {
  std::string out;
  for (int i = 0; i < nBytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// A file of 3 x 2 pixels with the colours in `rows` (stored order, one value a pixel at its depth),
// every row padded to four bytes.
std::string File(int nBits, int32_t nStoredHeight, const std::vector<std::vector<uint32_t>>& rows,
                 uint32_t compression = 0) {
  const int nPixel = nBits / 8;
  const size_t stride = (3 * nPixel + 3) & ~3;
  std::string bits;
  for (const std::vector<uint32_t>& row : rows) {
    std::string stored;
    for (uint32_t v : row) stored += Le(v, nPixel);
    stored.resize(stride, '\0');
    bits += stored;
  }
  const uint32_t offset = 54;
  return "BM" + Le(offset + static_cast<uint32_t>(bits.size()), 4) + Le(0, 4) + Le(offset, 4) + Le(40, 4) +
         Le(3, 4) + Le(static_cast<uint32_t>(nStoredHeight), 4) + Le(1, 2) +
         Le(static_cast<uint32_t>(nBits), 2) + Le(compression, 4) +
         Le(static_cast<uint32_t>(bits.size()), 4) + Le(0, 4) + Le(0, 4) + Le(0, 4) + Le(0, 4) + bits;
}

class BmpFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "bmpfile-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
  }
  fs::path Write(const std::string& bytes) {
    const fs::path path = m_dir / "picture.bmp";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  fs::path m_dir;
};

TEST_F(BmpFileTest, ReadsEveryPixelAtBothDepthsInBothRowOrders) {
  // Top row of the picture, then its bottom row.
  const std::vector<uint32_t> top32 = {0x102030, 0xFF0000, 0x00FF01};
  const std::vector<uint32_t> bottom32 = {0x0000FF, 0x808080, 0xFEDCBA};
  const std::vector<uint32_t> top16 = {0xF800, 0x07E0, 0x001F};
  const std::vector<uint32_t> bottom16 = {0x0821, 0xFFFF, 0x8410};
  // 565 widened: 0x0821 holds 1 in each channel, 0x8410 the top bit of each.
  const std::vector<uint32_t> topRgb16 = {0xFF0000, 0x00FF00, 0x0000FF};
  const std::vector<uint32_t> bottomRgb16 = {0x080408, 0xFFFFFF, 0x848284};
  const struct {
    const char* name;
    int nBits;
    bool bTopDown;
    std::vector<uint32_t> top, bottom, topRgb, bottomRgb;
  } cases[] = {
      {"32 bottom-up", 32, false, top32, bottom32, top32, bottom32},
      {"32 top-down", 32, true, top32, bottom32, top32, bottom32},
      {"16 bottom-up", 16, false, top16, bottom16, topRgb16, bottomRgb16},
      {"16 top-down", 16, true, top16, bottom16, topRgb16, bottomRgb16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The top byte of a 32-bit pixel is not colour: the reader drops it.
    std::vector<uint32_t> storedTop = c.top;
    if (c.nBits == 32) storedTop[1] |= 0xAB000000;
    const std::string bytes = c.bTopDown ? File(c.nBits, -2, {storedTop, c.bottom})
                                         : File(c.nBits, 2, {c.bottom, storedTop}, c.nBits == 16 ? 3 : 0);
    SBmpFile bmp;
    ASSERT_TRUE(ReadBmpFile(Write(bytes), &bmp));
    EXPECT_EQ(bmp.width, 3);
    EXPECT_EQ(bmp.height, 2);
    EXPECT_EQ(bmp.bpp, c.nBits);
    EXPECT_EQ(bmp.topDown, c.bTopDown);
    EXPECT_EQ(bmp.stride, c.nBits == 32 ? 12u : 8u);
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(bmp.Stored(x, 0), c.top[x]) << x;
      EXPECT_EQ(bmp.Stored(x, 1), c.bottom[x]) << x;
      EXPECT_EQ(bmp.Pixel(x, 0), c.topRgb[x]) << x;
      EXPECT_EQ(bmp.Pixel(x, 1), c.bottomRgb[x]) << x;
    }
  }
}

TEST_F(BmpFileTest, RefusesWhatIsNoUncompressedPictureOfItsDepths) {
  const std::string good = File(32, 2, {{1, 2, 3}, {4, 5, 6}});
  std::string noMark = good;
  noMark[0] = 'X';
  std::string eightBits = good;
  eightBits[28] = 8;
  std::string noWidth = good;
  noWidth.replace(18, 4, Le(0, 4));
  std::string noHeight = good;
  noHeight.replace(22, 4, Le(0, 4));
  std::string rle = good;
  rle.replace(30, 4, Le(1, 4));
  std::string offsetInHeader = good;
  offsetInHeader.replace(10, 4, Le(20, 4));
  std::string offsetBeyond = good;
  offsetBeyond.replace(10, 4, Le(0xFFFFFFF0u, 4));
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"no BM", noMark},
      {"8 bits", eightBits},
      {"no width", noWidth},
      {"no height", noHeight},
      {"compressed", rle},
      {"pixels inside the headers", offsetInHeader},
      {"pixels beyond the end", offsetBeyond},
      {"a row short", good.substr(0, good.size() - 1)},
      {"headers cut", good.substr(0, 53)},
      {"empty", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SBmpFile bmp;
    EXPECT_FALSE(ReadBmpFile(Write(c.bytes), &bmp));
  }
  SBmpFile bmp;
  EXPECT_TRUE(ReadBmpFile(Write(good), &bmp));
  EXPECT_FALSE(ReadBmpFile(m_dir / "missing.bmp", &bmp));
}

}  // namespace
