// Pixel memory of one bitmap: a DIB section, a window's surface or the placeholder that a fresh
// memory DC holds. 32-bit pixels are the bytes B, G, R, X; 16-bit pixels are little-endian RGB565.
// Each bitmap has its own lock, held while its pixels are drawn or read, so the video thread's
// blits onto a window surface never wait for text being drawn into another bitmap.
#pragma once

#include "platform/gdi/CGdiObject.h"
#include "platform/gdi/gdi.h"

#include <cstdint>
#include <memory>
#include <mutex>

class CGdiBitmap : public CGdiObject {
 public:
  // Width and height may be 0 (an empty window). The memory is zeroed. Returns nullptr for a size
  // the process cannot hold.
  static std::shared_ptr<CGdiBitmap> Create(int width, int height, int bitsPerPixel, bool topDown);

  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  int BitsPerPixel() const { return m_nBitsPerPixel; }
  int Stride() const { return m_nStride; }
  bool TopDown() const { return m_bTopDown; }
  BYTE* Bits() { return m_pBits.get(); }
  size_t Size() const { return m_nSize; }
  // Row y counted from the top of the picture, whichever way the rows lie in memory.
  BYTE* Row(int y);
  const BYTE* Row(int y) const;
  BITMAP Describe();

  // Copies a w x h block that lies inside both bitmaps (the caller clips), converting between
  // 32 bits and RGB565 as needed. Both must be 16 or 32 bits. The two may be the same bitmap.
  static void Copy(CGdiBitmap& dst, int x, int y, int w, int h, const CGdiBitmap& src, int srcX, int srcY);

  // Pixel words: 0x00RRGGBB (32 bits) to RGB565 keeps the top bits of each channel; RGB565 to
  // 0x00RRGGBB repeats them into the low bits, so 0xFFFF becomes 0x00FFFFFF.
  static uint32_t To565(uint32_t rgb) {
    return (((rgb >> 19) & 0x1F) << 11) | (((rgb >> 10) & 0x3F) << 5) | ((rgb >> 3) & 0x1F);
  }
  static uint32_t From565(uint32_t v) {
    const uint32_t r = (v >> 11) & 0x1F;
    const uint32_t g = (v >> 5) & 0x3F;
    const uint32_t b = v & 0x1F;
    return (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
  }

  // (width * bits + 31) / 32 * 4, as every DIB row.
  static int64_t RowBytes(int64_t width, int bitsPerPixel);

  std::mutex& Lock() const { return m_Lock; }
  // Both with Lock() held. A deleted bitmap can no longer be selected.
  HDC m_hSelectedInto = nullptr;  // the memory DC holding it, if any
  bool m_bDeleted = false;

 private:
  CGdiBitmap() : CGdiObject(Type::Bitmap) {}

  mutable std::mutex m_Lock;

  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nBitsPerPixel = 0;
  int m_nStride = 0;
  bool m_bTopDown = false;
  size_t m_nSize = 0;
  std::unique_ptr<BYTE[]> m_pBits;
};
