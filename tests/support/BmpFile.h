// BMP files that the display, the engine's surface dump and the tools write, read back by the
// tests: uncompressed 16-bit (565) or 32-bit rows, stored bottom-up or top-down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

struct SBmpFile {
  int width = 0;
  int height = 0;             // rows; the file says a top-down picture by a negative height
  int bpp = 0;                // 16 or 32
  bool topDown = false;       // the top row is stored first
  size_t stride = 0;          // bytes of a stored row, padded to four
  std::vector<uint8_t> rows;  // the stored rows in the file's order, stride bytes each

  // The stored bytes of row y, counted from the top.
  const uint8_t* Row(int y) const;
  // The stored value of pixel (x, y): a 565 word, or 0xRRGGBB without the unused top byte.
  uint32_t Stored(int x, int y) const;
  // Pixel (x, y) as 0xRRGGBB; 565 is widened the usual way, the top bits repeated into the low ones.
  uint32_t Pixel(int x, int y) const;
};

// False when the file is missing, no BMP, of another depth, or shorter than its rows.
bool ReadBmpFile(const std::filesystem::path& path, SBmpFile* out);
