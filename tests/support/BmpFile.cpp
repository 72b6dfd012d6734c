#include "tests/support/BmpFile.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// The file header (14 bytes) and the info header (40) stand before anything else.
constexpr size_t kHeadersSize = 54;
constexpr size_t kOffBitsAt = 10;
constexpr size_t kWidthAt = 18;
constexpr size_t kHeightAt = 22;
constexpr size_t kBitCountAt = 28;
constexpr size_t kCompressionAt = 30;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;  // the 565 and 888 masks after the info header

uint32_t Le(const uint8_t* p, int nBytes) {
  uint32_t v = 0;
  for (int i = nBytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

}  // namespace

const uint8_t* SBmpFile::Row(int y) const {
  const int stored = topDown ? y : height - 1 - y;
  return rows.data() + stride * static_cast<size_t>(stored);
}

uint32_t SBmpFile::Stored(int x, int y) const {
  const uint8_t* p = Row(y) + static_cast<size_t>(x) * static_cast<size_t>(bpp / 8);
  return bpp == 32 ? Le(p, 4) & 0xFFFFFF : Le(p, 2);
}

uint32_t SBmpFile::Pixel(int x, int y) const {
  const uint32_t v = Stored(x, y);
  if (bpp == 32) return v;
  const uint32_t r = (v >> 11) & 0x1F, g = (v >> 5) & 0x3F, b = v & 0x1F;
  return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

bool ReadBmpFile(const std::filesystem::path& path, SBmpFile* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < kHeadersSize || file[0] != 'B' || file[1] != 'M') return false;
  const uint32_t offset = Le(&file[kOffBitsAt], 4);
  const int width = static_cast<int>(Le(&file[kWidthAt], 4));
  const int storedHeight = static_cast<int>(Le(&file[kHeightAt], 4));
  const int bpp = static_cast<int>(Le(&file[kBitCountAt], 2));
  const uint32_t compression = Le(&file[kCompressionAt], 4);
  if (width <= 0 || storedHeight == 0 || (bpp != 16 && bpp != 32)) return false;
  if (compression != kBiRgb && compression != kBiBitfields) return false;
  const size_t height = static_cast<size_t>(std::abs(static_cast<long long>(storedHeight)));
  const size_t stride = (static_cast<size_t>(width) * static_cast<size_t>(bpp / 8) + 3) & ~size_t{3};
  if (offset < kHeadersSize || offset > file.size() || (file.size() - offset) / stride < height) return false;
  out->width = width;
  out->height = static_cast<int>(height);
  out->bpp = bpp;
  out->topDown = storedHeight < 0;
  out->stride = stride;
  out->rows.assign(file.begin() + offset,
                   file.begin() + offset + static_cast<std::ptrdiff_t>(stride * height));
  return true;
}
