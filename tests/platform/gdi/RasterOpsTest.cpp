// Every drawing call in both depths and both row orders, against pixels the test computes from the
// rule: raster operations, stretching, transparent copies and fills, each inside the clip region
// and moved by the DC's origin.
#include "tests/platform/gdi/GdiTestSupport.h"
#include "platform/gdi/GdiHooks.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace gditest;

namespace {

const int kDstWidth = 7;
const int kDstHeight = 5;
const int kSrcWidth = 6;
const int kSrcHeight = 4;

uint32_t To565(uint32_t rgb) {
  const uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
}

uint32_t To888(uint32_t v) {
  const uint32_t r = (v >> 11) & 0x1F, g = (v >> 5) & 0x3F, b = v & 0x1F;
  return (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
}

uint32_t ConvertPixel(uint32_t v, int from, int to) {
  if (from == to) return v;
  return to == 16 ? To565(v) : To888(v);
}

// A DIB in a memory DC, with the picture the test believes it holds.
struct Canvas {
  int width = 0;
  int height = 0;  // rows; bottomUp says how they lie
  int bits = 0;
  bool bottomUp = true;
  void* pixels = nullptr;
  HBITMAP bitmap = nullptr;
  HDC dc = nullptr;
  std::vector<uint32_t> model;  // picture rows top-down

  void Make(int w, int h, int b, bool up) {
    width = w;
    height = h;
    bits = b;
    bottomUp = up;
    bitmap = MakeDib(w, up ? h : -h, b, &pixels);
    ASSERT_NE(nullptr, bitmap);
    dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, SelectObject(dc, bitmap));
    model.assign(static_cast<size_t>(w) * h, 0);
  }
  int MemRow(int y) const { return bottomUp ? height - 1 - y : y; }
  uint32_t& At(int x, int y) { return model[static_cast<size_t>(y) * width + x]; }
  void Set(int x, int y, uint32_t v) {
    At(x, y) = v;
    Write(pixels, width, bits, x, MemRow(y), v);
  }
  // Every column and row differs; seed tells canvases apart.
  void Paint(uint32_t seed) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t rgb =
            ((seed + 37 * x) & 0xFF) << 16 | ((seed * 3 + 29 * y) & 0xFF) << 8 | ((11 * x + 7 * y) & 0xFF);
        Set(x, y, bits == 16 ? To565(rgb) : rgb);
      }
    }
  }
  void ExpectModel(const char* what) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(At(x, y), Read(pixels, width, bits, x, MemRow(y)))
            << what << ": pixel " << x << "," << y << " of " << bits << " bits "
            << (bottomUp ? "bottom-up" : "top-down");
      }
    }
  }
};

uint32_t Combine(uint32_t d, uint32_t s, DWORD rop, int bits) {
  switch (rop) {
    case SRCCOPY:
      return s;
    case SRCPAINT:
      return d | s;
    case SRCAND:
      return d & s;
    case SRCINVERT:
      return d ^ s;
    case BLACKNESS:
      return 0;
    default:
      return bits == 16 ? 0xFFFFu : 0x00FFFFFFu;
  }
}

// The geometry every drawing call of a case uses: a clip region, an origin on each DC.
struct Frame {
  RECT clip;  // device coordinates of the destination
  POINT dstOrigin;
  POINT srcOrigin;
};

const Frame kFrames[] = {
    {{0, 0, kDstWidth, kDstHeight}, {0, 0}, {0, 0}},
    {{1, 1, 5, 4}, {0, 0}, {0, 0}},
    {{2, 0, 7, 3}, {1, 2}, {-1, 1}},
};

struct Layout {
  int dstBits, srcBits;
  bool dstUp, srcUp;
};

std::vector<Layout> AllLayouts() {
  std::vector<Layout> layouts;
  for (int dstBits : {16, 32})
    for (int srcBits : {16, 32})
      for (bool dstUp : {true, false})
        for (bool srcUp : {true, false}) layouts.push_back({dstBits, srcBits, dstUp, srcUp});
  return layouts;
}

class RasterOpsTest : public ::testing::Test {
 protected:
  void SetUp() override { wce::ResetGdi(); }
  void TearDown() override { wce::ResetGdi(); }

  void Prepare(const Layout& l, const Frame& f) {
    dst = Canvas();
    src = Canvas();
    dst.Make(kDstWidth, kDstHeight, l.dstBits, l.dstUp);
    src.Make(kSrcWidth, kSrcHeight, l.srcBits, l.srcUp);
    dst.Paint(0x40);
    src.Paint(0x9C);
    frame = f;
    HRGN rgn = CreateRectRgn(f.clip.left, f.clip.top, f.clip.right, f.clip.bottom);
    ASSERT_NE(nullptr, rgn);
    ASSERT_EQ(SIMPLEREGION, SelectClipRgn(dst.dc, rgn));
    ASSERT_TRUE(DeleteObject(rgn));  // the DC keeps its own copy
    ASSERT_TRUE(SetViewportOrgEx(dst.dc, f.dstOrigin.x, f.dstOrigin.y, nullptr));
    ASSERT_TRUE(SetViewportOrgEx(src.dc, f.srcOrigin.x, f.srcOrigin.y, nullptr));
  }

  bool Visible(int X, int Y) const {
    return X >= 0 && Y >= 0 && X < kDstWidth && Y < kDstHeight && X >= frame.clip.left &&
           X < frame.clip.right && Y >= frame.clip.top && Y < frame.clip.bottom;
  }

  // Applies `source` (device point of the destination -> device point of the source, or false
  // for no source pixel) over the logical destination block.
  void Expect(int x, int y, int cx, int cy, DWORD rop,
              const std::function<bool(int, int, int*, int*)>& source, bool keyed = false, uint32_t key = 0) {
    const int X0 = x + frame.dstOrigin.x;
    const int Y0 = y + frame.dstOrigin.y;
    std::vector<uint32_t> before = dst.model;
    for (int Y = Y0; Y < Y0 + cy; ++Y) {
      for (int X = X0; X < X0 + cx; ++X) {
        if (!Visible(X, Y)) continue;
        uint32_t s = 0;
        if (source) {
          int sx = 0, sy = 0;
          if (!source(X - X0, Y - Y0, &sx, &sy)) continue;
          if (sx < 0 || sy < 0 || sx >= kSrcWidth || sy >= kSrcHeight) continue;
          const uint32_t raw = src.At(sx, sy);
          if (keyed && (raw & (src.bits == 32 ? 0x00FFFFFFu : 0xFFFFu)) == key) continue;
          s = ConvertPixel(raw, src.bits, dst.bits);
        }
        dst.At(X, Y) = Combine(before[static_cast<size_t>(Y) * kDstWidth + X], s, rop, dst.bits);
      }
    }
  }

  Canvas dst;
  Canvas src;
  Frame frame{};
};

TEST_F(RasterOpsTest, BitBltCombinesEveryRopInsideTheClip) {
  const DWORD rops[] = {SRCCOPY, SRCPAINT, SRCAND, SRCINVERT, BLACKNESS, WHITENESS};
  // Blocks partly outside both bitmaps, and wholly inside.
  struct Block {
    int x, y, cx, cy;
  } blocks[] = {{1, 0, 4, 3}, {-2, -1, 6, 5}, {0, 0, 7, 5}};
  const POINT srcPoints[] = {{1, 1}, {3, -1}};
  for (const Layout& l : AllLayouts()) {
    for (const Frame& f : kFrames) {
      for (DWORD rop : rops) {
        for (const Block& b : blocks) {
          for (const POINT& sp : srcPoints) {
            Prepare(l, f);
            const bool needsSource = rop != BLACKNESS && rop != WHITENESS;
            ASSERT_TRUE(
                BitBlt(dst.dc, b.x, b.y, b.cx, b.cy, needsSource ? src.dc : nullptr, sp.x, sp.y, rop));
            const int sx0 = sp.x + f.srcOrigin.x;
            const int sy0 = sp.y + f.srcOrigin.y;
            Expect(b.x, b.y, b.cx, b.cy, rop,
                   needsSource
                       ? std::function<bool(int, int, int*, int*)>([&](int i, int j, int* sx, int* sy) {
                           *sx = sx0 + i;
                           *sy = sy0 + j;
                           return true;
                         })
                       : nullptr);
            dst.ExpectModel("BitBlt");
            if (HasFatalFailure()) {
              ADD_FAILURE() << "rop " << std::hex << rop << std::dec << " block " << b.x << "," << b.y << " "
                            << b.cx << "x" << b.cy;
              return;
            }
          }
        }
      }
    }
  }
}

TEST_F(RasterOpsTest, StretchBltTakesTheSourcePixelUnderEachCentre) {
  struct Case {
    int x, y, cx, cy, sx, sy, scx, scy;
  } cases[] = {
      {0, 0, 6, 4, 0, 0, 3, 2},   // doubled
      {0, 0, 3, 2, 0, 0, 6, 4},   // halved
      {-1, 1, 7, 3, 1, 0, 4, 4},  // odd factors, partly outside
      {2, 2, 2, 2, 4, 2, 4, 4},   // source block running off the source
  };
  for (const Layout& l : AllLayouts()) {
    for (const Frame& f : kFrames) {
      for (const Case& c : cases) {
        Prepare(l, f);
        ASSERT_EQ(BLACKONWHITE, SetStretchBltMode(dst.dc, COLORONCOLOR));
        ASSERT_TRUE(StretchBlt(dst.dc, c.x, c.y, c.cx, c.cy, src.dc, c.sx, c.sy, c.scx, c.scy, SRCCOPY));
        Expect(c.x, c.y, c.cx, c.cy, SRCCOPY, [&](int i, int j, int* sx, int* sy) {
          *sx = c.sx + f.srcOrigin.x + (2 * i + 1) * c.scx / (2 * c.cx);
          *sy = c.sy + f.srcOrigin.y + (2 * j + 1) * c.scy / (2 * c.cy);
          return true;
        });
        dst.ExpectModel("StretchBlt");
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST_F(RasterOpsTest, StretchBltWorkedNumbers) {
  // Doubling repeats each source column twice; halving keeps the odd columns (under the centres).
  Prepare({32, 32, true, true}, kFrames[0]);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(src.At(0, 0), Read(dst.pixels, kDstWidth, 32, 0, dst.MemRow(0)));
  EXPECT_EQ(src.At(0, 0), Read(dst.pixels, kDstWidth, 32, 1, dst.MemRow(0)));
  EXPECT_EQ(src.At(1, 0), Read(dst.pixels, kDstWidth, 32, 2, dst.MemRow(0)));
  EXPECT_EQ(src.At(1, 0), Read(dst.pixels, kDstWidth, 32, 3, dst.MemRow(0)));
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 1, 3, 1, src.dc, 0, 0, 6, 1, SRCCOPY));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(src.At(2 * i + 1, 0), Read(dst.pixels, kDstWidth, 32, i, dst.MemRow(1)));
  EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, -2, 1, src.dc, 0, 0, 2, 1, SRCCOPY));  // no mirroring
  EXPECT_EQ(0, SetStretchBltMode(dst.dc, 0));
}

TEST_F(RasterOpsTest, TransparentImageLeavesTheKeyColourOut) {
  for (const Layout& l : AllLayouts()) {
    for (const Frame& f : kFrames) {
      for (bool fromBitmap : {false, true}) {
        Prepare(l, f);
        // The key: source pixel (2, 1), given as a COLORREF (red in the low byte).
        const uint32_t key = src.At(2, 1);
        const uint32_t rgb = src.bits == 16 ? To888(key) : key;
        src.Set(4, 3, key);  // a second pixel of the key
        const COLORREF colour = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        HANDLE from = fromBitmap ? static_cast<HANDLE>(src.bitmap) : static_cast<HANDLE>(src.dc);
        if (fromBitmap) {  // a bitmap in no DC serves too
          ASSERT_TRUE(DeleteDC(src.dc));
        }
        ASSERT_TRUE(TransparentImage(dst.dc, 0, 0, 6, 4, from, 0, 0, 6, 4, colour));
        const POINT origin = fromBitmap ? POINT{0, 0} : f.srcOrigin;
        Expect(
            0, 0, 6, 4, SRCCOPY,
            [&](int i, int j, int* sx, int* sy) {
              *sx = origin.x + i;
              *sy = origin.y + j;
              return true;
            },
            true, key);
        dst.ExpectModel("TransparentImage");
        if (HasFatalFailure()) return;
        // Stretched as well.
        ASSERT_TRUE(TransparentImage(dst.dc, 1, 1, 6, 2, from, 1, 0, 3, 4, colour));
        Expect(
            1, 1, 6, 2, SRCCOPY,
            [&](int i, int j, int* sx, int* sy) {
              *sx = origin.x + 1 + (2 * i + 1) * 3 / 12;
              *sy = origin.y + (2 * j + 1) * 4 / 4;
              return true;
            },
            true, key);
        dst.ExpectModel("TransparentImage stretched");
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST_F(RasterOpsTest, FillRectPaintsTheBrushColourInsideTheClip) {
  const RECT rects[] = {{1, 1, 4, 3}, {-3, -3, 20, 20}, {3, 2, 3, 4}};
  for (const Layout& l : AllLayouts()) {
    if (l.srcBits != 32 || !l.srcUp) continue;  // no source
    for (const Frame& f : kFrames) {
      for (const RECT& r : rects) {
        Prepare(l, f);
        HBRUSH brush = CreateSolidBrush(RGB(0x12, 0xB4, 0xF7));
        ASSERT_NE(nullptr, brush);
        ASSERT_NE(0, FillRect(dst.dc, &r, brush));
        const uint32_t value = dst.bits == 16 ? To565(0x12B4F7) : 0x12B4F7;
        for (int Y = r.top + f.dstOrigin.y; Y < r.bottom + f.dstOrigin.y; ++Y) {
          for (int X = r.left + f.dstOrigin.x; X < r.right + f.dstOrigin.x; ++X) {
            if (Visible(X, Y)) dst.At(X, Y) = value;
          }
        }
        dst.ExpectModel("FillRect");
        if (HasFatalFailure()) return;
        EXPECT_TRUE(DeleteObject(brush));
      }
    }
  }
}

TEST_F(RasterOpsTest, AnEmptyClipDrawsNothingAndNoClipDrawsEverywhere) {
  Prepare({32, 32, true, false}, kFrames[0]);
  HRGN empty = CreateRectRgn(3, 3, 3, 5);
  EXPECT_EQ(NULLREGION, SelectClipRgn(dst.dc, empty));
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  RECT all{0, 0, kDstWidth, kDstHeight};
  EXPECT_NE(0, FillRect(dst.dc, &all, brush));
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, kDstWidth, kDstHeight, src.dc, 0, 0, SRCCOPY));
  EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, kDstWidth, kDstHeight, src.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_TRUE(TransparentImage(dst.dc, 0, 0, 7, 5, src.dc, 0, 0, 2, 2, RGB(0, 0, 0)));
  dst.ExpectModel("empty clip");
  EXPECT_EQ(SIMPLEREGION, SelectClipRgn(dst.dc, nullptr));
  EXPECT_NE(0, FillRect(dst.dc, &all, brush));
  for (uint32_t& v : dst.model) v = 0x010203;  // red in the COLORREF's low byte, the pixel's high
  dst.ExpectModel("no clip");
  EXPECT_EQ(ERROR, SelectClipRgn(dst.dc, reinterpret_cast<HRGN>(brush)));  // not a region
  EXPECT_EQ(0, FillRect(dst.dc, &all, reinterpret_cast<HBRUSH>(empty)));   // not a brush
}

}  // namespace
