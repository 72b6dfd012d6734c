// The display: the screen composed from the shown windows in z-order, children clipped to their
// parents, drawing from another thread through GetWindowDC, and the screen saved as a file, at
// both depths.
#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/user/UserHooks.h"
#include "tests/platform/user/UserTestSupport.h"
#include "tests/support/BmpFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace usertest;

namespace {

class DisplayTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    wce::ResetUser();
    wce::ResetGdi();
    RegisterTestClass();
    ASSERT_TRUE(wce::SetScreen(kWidth, kHeight, GetParam()));
  }
  void TearDown() override {
    wce::ResetUser();
    wce::ResetGdi();
  }

  static constexpr int kWidth = 200;
  static constexpr int kHeight = 120;

  HWND Make(int x, int y, int w, int h, HWND parent = nullptr) {
    const DWORD kind = parent != nullptr ? WS_CHILD : WS_POPUP;
    return CreateWindowExW(0, kClass, u"", kind | WS_VISIBLE, x, y, w, h, parent, nullptr, nullptr, nullptr);
  }

  static void Fill(HWND hwnd, COLORREF color) {
    HDC hdc = GetWindowDC(hwnd);
    RECT rc;
    GetClientRect(hwnd, &rc);
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &rc, brush);
    DeleteObject(brush);
    ReleaseDC(hwnd, hdc);
  }

  // A colour as a pixel of the screen's depth: bytes B, G, R, X, or RGB565.
  uint32_t Pixel(COLORREF c) const {
    if (GetParam() == 32) return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    return ((GetRValue(c) >> 3) << 11) | ((GetGValue(c) >> 2) << 5) | (GetBValue(c) >> 3);
  }

  static uint32_t ScreenAt(const BITMAP& bm, int x, int y) {
    const BYTE* row = static_cast<const BYTE*>(bm.bmBits) + static_cast<size_t>(y) * bm.bmWidthBytes;
    if (bm.bmBitsPixel == 32) return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    return reinterpret_cast<const uint16_t*>(row)[x];
  }
};

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGrey = RGB(0x80, 0x40, 0x20);

TEST_P(DisplayTest, TheScreenShowsTheTopmostShownWindowAtEveryPoint) {
  HWND a = Make(0, 0, 100, 80);
  HWND child = Make(60, 50, 60, 60, a);  // reaches past its parent: clipped there
  HWND c = Make(80, 20, 100, 90);
  HWND hidden = Make(150, 0, 50, 50);
  ShowWindow(hidden, SW_HIDE);
  Fill(a, kRed);
  Fill(child, kGreen);
  Fill(c, kBlue);
  Fill(hidden, kGrey);

  // The rule, written out: the last rectangle (in this list, bottom first) that holds the point.
  struct Area {
    RECT rect;
    COLORREF color;
  };
  const Area areas[] = {{{0, 0, 100, 80}, kRed}, {{60, 50, 100, 80}, kGreen}, {{80, 20, 180, 110}, kBlue}};
  BITMAP bm;
  ASSERT_TRUE(wce::GetScreenPixels(&bm));
  ASSERT_EQ(kWidth, bm.bmWidth);
  ASSERT_EQ(GetParam(), bm.bmBitsPixel);
  int wrong = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint32_t expected = 0;
      for (const Area& area : areas) {
        if (PtInRect(&area.rect, POINT{x, y})) expected = Pixel(area.color);
      }
      if (ScreenAt(bm, x, y) != expected && wrong++ < 5) {
        ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << ScreenAt(bm, x, y)
                      << " != " << expected;
      }
    }
  }
  EXPECT_EQ(0, wrong);

  // Raised above the blue one, the red window with its child covers it; the rest stays.
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ASSERT_TRUE(wce::GetScreenPixels(&bm));
  EXPECT_EQ(Pixel(kRed), ScreenAt(bm, 85, 25));
  EXPECT_EQ(Pixel(kGreen), ScreenAt(bm, 99, 79));
  EXPECT_EQ(Pixel(kBlue), ScreenAt(bm, 100, 25));
  // Moved away, it leaves black behind where nothing else is.
  MoveWindow(a, 0, 0, 10, 10, TRUE);
  Fill(a, kRed);
  ASSERT_TRUE(wce::GetScreenPixels(&bm));
  EXPECT_EQ(0u, ScreenAt(bm, 50, 50));
  EXPECT_EQ(Pixel(kRed), ScreenAt(bm, 5, 5));
}

TEST_P(DisplayTest, AnotherThreadsPaintingThroughGetWindowDcReachesTheScreen) {
  HWND hwnd = Make(20, 10, 64, 32);
  Fill(hwnd, kRed);
  BITMAP bm;
  ASSERT_TRUE(wce::GetScreenPixels(&bm));
  ASSERT_EQ(Pixel(kRed), ScreenAt(bm, 20, 10));
  // As the video thread does: a DIB section blitted onto the window from a thread that does not
  // own it.
  Worker painter([&] {
    struct {
      BITMAPINFOHEADER header;
      DWORD masks[3];
    } info = {};
    info.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 64, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP picture =
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    // Every column differs: x in the blue byte, y in the green one.
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 64; ++x) static_cast<uint32_t*>(bits)[y * 64 + x] = (y * 8) << 8 | (x * 4);
    }
    HDC mem = CreateCompatibleDC(nullptr);
    SelectObject(mem, picture);
    HDC hdc = GetWindowDC(hwnd);
    BitBlt(hdc, 0, 0, 64, 32, mem, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, hdc);
    DeleteDC(mem);
    DeleteObject(picture);
  });
  ASSERT_TRUE(painter.JoinWithin());
  ASSERT_TRUE(wce::GetScreenPixels(&bm));
  for (int x : {0, 1, 33, 63}) {
    for (int y : {0, 7, 31}) {
      EXPECT_EQ(Pixel(RGB(0, y * 8, x * 4)), ScreenAt(bm, 20 + x, 10 + y)) << x << "," << y;
    }
  }
}

TEST_P(DisplayTest, SaveScreenWritesTheFramebufferAsABmpFile) {
  Fill(Make(0, 0, 10, 10), kRed);
  const std::string path = ::testing::TempDir() + "screen-" + std::to_string(GetParam()) + ".bmp";
  ASSERT_TRUE(wce::SaveScreen(path));
  SBmpFile bmp;
  ASSERT_TRUE(ReadBmpFile(path, &bmp));
  EXPECT_EQ(kWidth, bmp.width);
  EXPECT_EQ(kHeight, bmp.height);
  EXPECT_FALSE(bmp.topDown);
  EXPECT_EQ(static_cast<int>(GetParam()), bmp.bpp);
  // The last row in the file is the screen's top row, where the red window is.
  EXPECT_EQ(Pixel(kRed), bmp.Stored(0, 0));
  std::remove(path.c_str());
}

TEST_P(DisplayTest, TheDriverIsChosenByNameAndUnknownNamesAreRefused) {
  EXPECT_EQ("headless", wce::GetDisplayDriver());
  EXPECT_FALSE(wce::SetDisplayDriver("vga"));
  EXPECT_TRUE(wce::SetDisplayDriver("headless"));
  EXPECT_EQ("headless", wce::GetDisplayDriver());
}

INSTANTIATE_TEST_SUITE_P(Depths, DisplayTest, ::testing::Values(32, 16));

}  // namespace
