// Pixel memory of one bitmap: a DIB section, a window's surface or the placeholder that a fresh
// memory DC holds. 32-bit pixels are the bytes B, G, R, X; 16-bit pixels are little-endian RGB565.
#pragma once

#include "gdi/gdi.h"

#include <cstdint>
#include <memory>

class CGdiBitmap {
 public:
  // Width and height may be 0 (an empty window). The memory is zeroed. Returns nullptr for a size
  // the process cannot hold.
  static std::shared_ptr<CGdiBitmap> Create(int width, int height, int bitsPerPixel, bool topDown);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  int Stride() const { return stride_; }
  bool TopDown() const { return topDown_; }
  BYTE* Bits() { return bits_.get(); }
  size_t Size() const { return size_; }
  // Row y counted from the top of the picture, whichever way the rows lie in memory.
  BYTE* Row(int y);
  const BYTE* Row(int y) const;
  BITMAP Describe();

  // Copies a w x h block that lies inside both bitmaps (the caller clips), converting between
  // 32 bits and RGB565 as needed. Both must be 16 or 32 bits. The two may be the same bitmap.
  static void Copy(CGdiBitmap& dst, int x, int y, int w, int h, const CGdiBitmap& src, int srcX, int srcY);

  // (width * bits + 31) / 32 * 4, as every DIB row.
  static int64_t RowBytes(int64_t width, int bitsPerPixel);

  HDC selectedInto = nullptr;   // the memory DC holding it, if any

 private:
  CGdiBitmap() = default;

  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  int stride_ = 0;
  bool topDown_ = false;
  size_t size_ = 0;
  std::unique_ptr<BYTE[]> bits_;
};
