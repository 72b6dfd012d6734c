#include "platform/gdi/CGdiBitmap.h"

#include <cstring>
#include <new>
#include <vector>

namespace {
// Far beyond any head-unit screen; keeps size arithmetic and allocations sane.
const int64_t kMaxSide = 16384;
const int64_t kMaxBytes = int64_t(256) << 20;

void ConvertRow(BYTE* dst, int dstBits, const BYTE* src, int srcBits, int count) {
  if (dstBits == srcBits) {
    std::memmove(dst, src, static_cast<size_t>(count) * (dstBits / 8));
  } else if (dstBits == 16) {
    for (int i = 0; i < count; ++i) {
      const uint32_t v = CGdiBitmap::To565(uint32_t(src[4 * i]) | (uint32_t(src[4 * i + 1]) << 8) |
                                           (uint32_t(src[4 * i + 2]) << 16));
      dst[2 * i] = static_cast<BYTE>(v & 0xFF);
      dst[2 * i + 1] = static_cast<BYTE>(v >> 8);
    }
  } else {
    for (int i = 0; i < count; ++i) {
      const uint32_t v = CGdiBitmap::From565(uint32_t(src[2 * i]) | (uint32_t(src[2 * i + 1]) << 8));
      dst[4 * i] = static_cast<BYTE>(v);
      dst[4 * i + 1] = static_cast<BYTE>(v >> 8);
      dst[4 * i + 2] = static_cast<BYTE>(v >> 16);
      dst[4 * i + 3] = 0;
    }
  }
}
}  // namespace

int64_t CGdiBitmap::RowBytes(int64_t width, int bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

std::shared_ptr<CGdiBitmap> CGdiBitmap::Create(int width, int height, int bitsPerPixel, bool topDown) {
  if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide || bitsPerPixel <= 0) return nullptr;
  const int64_t stride = RowBytes(width, bitsPerPixel);
  const int64_t size = stride * height;
  if (size > kMaxBytes) return nullptr;
  std::shared_ptr<CGdiBitmap> bitmap(new (std::nothrow) CGdiBitmap());
  if (!bitmap) return nullptr;
  bitmap->m_nWidth = width;
  bitmap->m_nHeight = height;
  bitmap->m_nBitsPerPixel = bitsPerPixel;
  bitmap->m_nStride = static_cast<int>(stride);
  bitmap->m_bTopDown = topDown;
  bitmap->m_nSize = static_cast<size_t>(size);
  // At least one byte, so an empty bitmap still has an address to hand out.
  bitmap->m_pBits.reset(new (std::nothrow) BYTE[bitmap->m_nSize > 0 ? bitmap->m_nSize : 1]());
  if (!bitmap->m_pBits) return nullptr;
  return bitmap;
}

BYTE* CGdiBitmap::Row(int y) {
  const int row = m_bTopDown ? y : m_nHeight - 1 - y;
  return m_pBits.get() + static_cast<size_t>(row) * m_nStride;
}

const BYTE* CGdiBitmap::Row(int y) const {
  const int row = m_bTopDown ? y : m_nHeight - 1 - y;
  return m_pBits.get() + static_cast<size_t>(row) * m_nStride;
}

BITMAP CGdiBitmap::Describe() {
  return BITMAP{0, m_nWidth, m_nHeight, m_nStride, 1, static_cast<WORD>(m_nBitsPerPixel), m_pBits.get()};
}

void CGdiBitmap::Copy(CGdiBitmap& dst, int x, int y, int w, int h, const CGdiBitmap& src, int srcX,
                      int srcY) {
  const int dstBytes = dst.m_nBitsPerPixel / 8;
  const int srcBytes = src.m_nBitsPerPixel / 8;
  if (&dst == &src) {
    // Overlapping blocks of one bitmap: take the source block aside first.
    std::vector<BYTE> block(static_cast<size_t>(w) * srcBytes * h);
    for (int row = 0; row < h; ++row) {
      std::memcpy(block.data() + static_cast<size_t>(row) * w * srcBytes,
                  src.Row(srcY + row) + static_cast<size_t>(srcX) * srcBytes,
                  static_cast<size_t>(w) * srcBytes);
    }
    for (int row = 0; row < h; ++row) {
      std::memcpy(dst.Row(y + row) + static_cast<size_t>(x) * dstBytes,
                  block.data() + static_cast<size_t>(row) * w * srcBytes, static_cast<size_t>(w) * dstBytes);
    }
    return;
  }
  for (int row = 0; row < h; ++row) {
    ConvertRow(dst.Row(y + row) + static_cast<size_t>(x) * dstBytes, dst.m_nBitsPerPixel,
               src.Row(srcY + row) + static_cast<size_t>(srcX) * srcBytes, src.m_nBitsPerPixel, w);
  }
}
