#include "platform/gdi/GdiRaster.h"

#include <algorithm>
#include <vector>

namespace gdiraster {

namespace {
const uint32_t kWhite32 = 0x00FFFFFF;
const uint32_t kWhite16 = 0xFFFF;
const uint32_t kColour32 = 0x00FFFFFF;  // the fourth byte is not a colour

uint32_t Combine(uint32_t dst, uint32_t src, DWORD rop, int bits) {
  switch (rop) {
    case SRCCOPY:
      return src;
    case SRCPAINT:
      return dst | src;
    case SRCAND:
      return dst & src;
    case SRCINVERT:
      return dst ^ src;
    case BLACKNESS:
      return 0;
    default:  // WHITENESS
      return bits == 16 ? kWhite16 : kWhite32;
  }
}

// Source x (or y) of destination pixel i of a block of n pixels scaled from one of m: the source
// pixel under the destination pixel's centre.
int64_t Nearest(int64_t i, int64_t n, int64_t m) {
  return ((2 * i + 1) * m) / (2 * n);
}
}  // namespace

bool IsEmpty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

bool Intersect(const RECT& a, const RECT& b, RECT* out) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (IsEmpty(r)) r = RECT{0, 0, 0, 0};
  *out = r;
  return !IsEmpty(r);
}

uint32_t FromColor(COLORREF color, int bits) {
  const uint32_t rgb =
      (uint32_t(GetRValue(color)) << 16) | (uint32_t(GetGValue(color)) << 8) | GetBValue(color);
  return bits == 16 ? CGdiBitmap::To565(rgb) : rgb;
}

uint32_t Convert(uint32_t pixel, int fromBits, int toBits) {
  if (fromBits == toBits) return pixel;
  return toBits == 16 ? CGdiBitmap::To565(pixel) : CGdiBitmap::From565(pixel);
}

uint32_t Get(const CGdiBitmap& bitmap, int x, int y) {
  const BYTE* row = bitmap.Row(y);
  if (bitmap.BitsPerPixel() == 16) return uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
  const BYTE* p = row + 4 * x;
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void Put(CGdiBitmap& bitmap, int x, int y, uint32_t value) {
  BYTE* row = bitmap.Row(y);
  if (bitmap.BitsPerPixel() == 16) {
    row[2 * x] = static_cast<BYTE>(value);
    row[2 * x + 1] = static_cast<BYTE>(value >> 8);
    return;
  }
  BYTE* p = row + 4 * x;
  p[0] = static_cast<BYTE>(value);
  p[1] = static_cast<BYTE>(value >> 8);
  p[2] = static_cast<BYTE>(value >> 16);
  p[3] = static_cast<BYTE>(value >> 24);
}

bool IsKnownRop(DWORD rop) {
  return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT || rop == BLACKNESS ||
         rop == WHITENESS;
}

bool RopReadsSource(DWORD rop) {
  return rop != BLACKNESS && rop != WHITENESS;
}

void Blt(CGdiBitmap& dst, const RECT& to, const CGdiBitmap* src, int srcX, int srcY, DWORD rop) {
  const int w = to.right - to.left;
  const int h = to.bottom - to.top;
  if (w <= 0 || h <= 0) return;
  if (rop == SRCCOPY) {
    CGdiBitmap::Copy(dst, to.left, to.top, w, h, *src, srcX, srcY);
    return;
  }
  const int bits = dst.BitsPerPixel();
  if (!RopReadsSource(rop)) {
    Fill(dst, to, Combine(0, 0, rop, bits));
    return;
  }
  // The source block is read whole before any pixel is written: the two may overlap.
  std::vector<uint32_t> block(static_cast<size_t>(w) * h);
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      block[static_cast<size_t>(row) * w + col] =
          Convert(Get(*src, srcX + col, srcY + row), src->BitsPerPixel(), bits);
    }
  }
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      const int x = to.left + col;
      const int y = to.top + row;
      Put(dst, x, y, Combine(Get(dst, x, y), block[static_cast<size_t>(row) * w + col], rop, bits));
    }
  }
}

void Stretch(CGdiBitmap& dst, const RECT& to, const RECT& visible, const CGdiBitmap& src, const RECT& from,
             DWORD rop, bool keyed, uint32_t key) {
  const int64_t n = to.right - to.left;
  const int64_t m = to.bottom - to.top;
  const int64_t sw = from.right - from.left;
  const int64_t sh = from.bottom - from.top;
  if (n <= 0 || m <= 0 || sw <= 0 || sh <= 0) return;
  const int bits = dst.BitsPerPixel();
  const uint32_t keyMask = src.BitsPerPixel() == 32 ? kColour32 : 0xFFFFFFFFu;
  // Read whole before written, as Blt: dst and src may be one bitmap.
  const bool same = &dst == &src;
  std::vector<uint32_t> block;
  if (same) block.resize(static_cast<size_t>(visible.right - visible.left) * (visible.bottom - visible.top));
  for (int pass = same ? 0 : 1; pass < 2; ++pass) {
    size_t index = 0;
    for (int y = visible.top; y < visible.bottom; ++y) {
      const int64_t sy = from.top + Nearest(y - to.top, m, sh);
      for (int x = visible.left; x < visible.right; ++x, ++index) {
        const int64_t sx = from.left + Nearest(x - to.left, n, sw);
        const bool inside = sx >= 0 && sy >= 0 && sx < src.Width() && sy < src.Height();
        if (pass == 0) {
          block[index] = inside ? Get(src, static_cast<int>(sx), static_cast<int>(sy)) : 0;
          continue;
        }
        if (!inside) continue;
        const uint32_t s = same ? block[index] : Get(src, static_cast<int>(sx), static_cast<int>(sy));
        if (keyed && (s & keyMask) == (key & keyMask)) continue;
        Put(dst, x, y, Combine(Get(dst, x, y), Convert(s, src.BitsPerPixel(), bits), rop, bits));
      }
    }
  }
}

void Fill(CGdiBitmap& dst, const RECT& block, uint32_t value) {
  for (int y = block.top; y < block.bottom; ++y) {
    for (int x = block.left; x < block.right; ++x) Put(dst, x, y, value);
  }
}

void BlendMask(CGdiBitmap& dst, const RECT& visible, int x, int y, const uint8_t* mask, int width, int height,
               int pitch, COLORREF color) {
  RECT area;
  if (!Intersect(visible, RECT{x, y, x + width, y + height}, &area)) return;
  const uint32_t cr = GetRValue(color);
  const uint32_t cg = GetGValue(color);
  const uint32_t cb = GetBValue(color);
  const int bits = dst.BitsPerPixel();
  for (int py = area.top; py < area.bottom; ++py) {
    const uint8_t* coverage = mask + static_cast<size_t>(py - y) * pitch;
    for (int px = area.left; px < area.right; ++px) {
      const uint32_t a = coverage[px - x];
      if (a == 0) continue;
      const uint32_t stored = Get(dst, px, py);
      const uint32_t d = Convert(stored, bits, 32);
      const uint32_t dr = (d >> 16) & 0xFF;
      const uint32_t dg = (d >> 8) & 0xFF;
      const uint32_t db = d & 0xFF;
      const uint32_t r = (cr * a + dr * (255 - a) + 127) / 255;
      const uint32_t g = (cg * a + dg * (255 - a) + 127) / 255;
      const uint32_t b = (cb * a + db * (255 - a) + 127) / 255;
      const uint32_t blended = (r << 16) | (g << 8) | b;
      Put(dst, px, py, bits == 16 ? Convert(blended, 32, 16) : (blended | (stored & ~kColour32)));
    }
  }
}

}  // namespace gdiraster
