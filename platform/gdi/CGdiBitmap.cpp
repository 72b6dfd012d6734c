#include "gdi/CGdiBitmap.h"

#include <cstring>
#include <new>
#include <vector>

namespace {
// Far beyond any head-unit screen; keeps size arithmetic and allocations sane.
const int64_t kMaxSide = 16384;
const int64_t kMaxBytes = int64_t(256) << 20;

uint16_t To565(const BYTE* p) {
  return static_cast<uint16_t>(((p[2] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[0] >> 3));
}

void From565(uint16_t v, BYTE* p) {
  const unsigned r = (v >> 11) & 0x1F;
  const unsigned g = (v >> 5) & 0x3F;
  const unsigned b = v & 0x1F;
  p[0] = static_cast<BYTE>((b << 3) | (b >> 2));
  p[1] = static_cast<BYTE>((g << 2) | (g >> 4));
  p[2] = static_cast<BYTE>((r << 3) | (r >> 2));
  p[3] = 0;
}

void ConvertRow(BYTE* dst, int dstBits, const BYTE* src, int srcBits, int count) {
  if (dstBits == srcBits) {
    std::memmove(dst, src, static_cast<size_t>(count) * (dstBits / 8));
  } else if (dstBits == 16) {
    for (int i = 0; i < count; ++i) {
      const uint16_t v = To565(src + 4 * i);
      dst[2 * i] = static_cast<BYTE>(v & 0xFF);
      dst[2 * i + 1] = static_cast<BYTE>(v >> 8);
    }
  } else {
    for (int i = 0; i < count; ++i) {
      From565(static_cast<uint16_t>(src[2 * i] | (src[2 * i + 1] << 8)), dst + 4 * i);
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
  bitmap->m_width = width;
  bitmap->m_height = height;
  bitmap->m_bitsPerPixel = bitsPerPixel;
  bitmap->m_stride = static_cast<int>(stride);
  bitmap->m_topDown = topDown;
  bitmap->m_size = static_cast<size_t>(size);
  // At least one byte, so an empty bitmap still has an address to hand out.
  bitmap->m_bits.reset(new (std::nothrow) BYTE[bitmap->m_size > 0 ? bitmap->m_size : 1]());
  if (!bitmap->m_bits) return nullptr;
  return bitmap;
}

BYTE* CGdiBitmap::Row(int y) {
  const int row = m_topDown ? y : m_height - 1 - y;
  return m_bits.get() + static_cast<size_t>(row) * m_stride;
}

const BYTE* CGdiBitmap::Row(int y) const {
  const int row = m_topDown ? y : m_height - 1 - y;
  return m_bits.get() + static_cast<size_t>(row) * m_stride;
}

BITMAP CGdiBitmap::Describe() {
  return BITMAP{0, m_width, m_height, m_stride, 1, static_cast<WORD>(m_bitsPerPixel), m_bits.get()};
}

void CGdiBitmap::Copy(CGdiBitmap& dst, int x, int y, int w, int h, const CGdiBitmap& src, int srcX,
                      int srcY) {
  const int dstBytes = dst.m_bitsPerPixel / 8;
  const int srcBytes = src.m_bitsPerPixel / 8;
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
    ConvertRow(dst.Row(y + row) + static_cast<size_t>(x) * dstBytes, dst.m_bitsPerPixel,
               src.Row(srcY + row) + static_cast<size_t>(srcX) * srcBytes, src.m_bitsPerPixel, w);
  }
}
