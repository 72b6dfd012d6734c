// Device contexts: capabilities, bitmap selection, window surfaces and BMP files.
#include "tests/platform/gdi/GdiTestSupport.h"
#include "platform/user/UserHooks.h"
#include "platform/gdi/GdiHooks.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace gditest;

namespace {

class DeviceContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wce::ResetGdi();
    wce::ResetUser();
  }
  void TearDown() override {
    wce::ResetGdi();
    wce::ResetUser();
  }
};

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PutLe(std::vector<uint8_t>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

TEST_F(DeviceContextTest, CapabilitiesComeFromTheConfiguredScreen) {
  HWND hwnd = MakeWindow(10, 10);
  struct Case {
    int width, height, bits;
  } cases[] = {{800, 480, 32}, {1024, 600, 16}, {800, 480, 16}};
  for (const Case& c : cases) {
    ASSERT_TRUE(wce::SetScreen(c.width, c.height, c.bits));
    HDC screen = GetDC(nullptr);
    HDC display = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HDC window = GetDC(hwnd);
    for (HDC dc : {screen, display, memory, window}) {
      ASSERT_NE(nullptr, dc);
      EXPECT_EQ(c.bits, GetDeviceCaps(dc, BITSPIXEL));
      EXPECT_EQ(c.width, GetDeviceCaps(dc, HORZRES));
      EXPECT_EQ(c.height, GetDeviceCaps(dc, VERTRES));
    }
    EXPECT_EQ(c.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(c.height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(1, ReleaseDC(nullptr, screen));
    EXPECT_EQ(1, ReleaseDC(hwnd, window));
    EXPECT_TRUE(DeleteDC(display));
    EXPECT_TRUE(DeleteDC(memory));
  }
  EXPECT_EQ(0, GetDeviceCaps(reinterpret_cast<HDC>(0x1234), BITSPIXEL));
  EXPECT_EQ(nullptr, CreateDCW(u"PRINTER", nullptr, nullptr, nullptr));
}

TEST_F(DeviceContextTest, ABitmapSitsInOneMemoryDcAtATime) {
  void* pixels = nullptr;
  HBITMAP bitmap = MakeDib(4, 4, 32, &pixels);
  HDC first = CreateCompatibleDC(nullptr);
  HDC second = CreateCompatibleDC(nullptr);
  HGDIOBJ placeholder = SelectObject(first, bitmap);
  ASSERT_NE(nullptr, placeholder);
  BITMAP bm;
  ASSERT_TRUE(GetObjectW(placeholder, sizeof(bm), &bm));
  EXPECT_EQ(1, bm.bmWidth);  // a fresh memory DC holds a 1x1 monochrome bitmap
  EXPECT_EQ(1, bm.bmBitsPixel);

  EXPECT_EQ(nullptr, SelectObject(second, bitmap));
  EXPECT_FALSE(DeleteObject(bitmap));  // still selected: the DIB stays
  EXPECT_EQ(bitmap, SelectObject(first, placeholder));
  EXPECT_NE(nullptr, SelectObject(second, bitmap));
  EXPECT_TRUE(DeleteDC(second));  // the bitmap outlives its DC
  EXPECT_TRUE(GetObjectW(bitmap, sizeof(bm), &bm));
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(0, GetObjectW(bitmap, sizeof(bm), &bm));
  EXPECT_EQ(nullptr, SelectObject(GetDC(nullptr), MakeDib(1, 1, 32, nullptr)));  // not a memory DC
}

TEST_F(DeviceContextTest, WindowDcDrawsIntoTheWindowSurfaceAtScreenDepth) {
  ASSERT_TRUE(wce::SetScreen(800, 480, 16));
  HWND hwnd = MakeWindow(3, 2);
  void* pixels = nullptr;
  HBITMAP picture = MakeDib(3, 2, 32, &pixels);  // bottom-up, as the picture surface
  HDC memory = CreateCompatibleDC(nullptr);
  SelectObject(memory, picture);
  // Picture rows top to bottom: red green blue / white black grey.
  const uint32_t top[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
  const uint32_t bottom[3] = {0x00FFFFFF, 0x00000000, 0x00808080};
  for (int x = 0; x < 3; ++x) {
    Write(pixels, 3, 32, x, 1, top[x]);
    Write(pixels, 3, 32, x, 0, bottom[x]);
  }
  HDC window = GetWindowDC(hwnd);
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(BitBlt(window, 0, 0, 3, 2, memory, 0, 0, SRCCOPY));
  EXPECT_EQ(1, ReleaseDC(hwnd, window));

  BITMAP surface;
  ASSERT_TRUE(wce::GetWindowSurface(hwnd, &surface));
  EXPECT_EQ(3, surface.bmWidth);
  EXPECT_EQ(2, surface.bmHeight);
  EXPECT_EQ(16, surface.bmBitsPixel);
  EXPECT_EQ(8, surface.bmWidthBytes);
  const uint16_t topRow[3] = {0xF800, 0x07E0, 0x001F};  // surface rows run top-down
  const uint16_t bottomRow[3] = {0xFFFF, 0x0000, 0x8410};
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(topRow[x], Read(surface.bmBits, 3, 16, x, 0));
    EXPECT_EQ(bottomRow[x], Read(surface.bmBits, 3, 16, x, 1));
  }

  // The file: BITMAPFILEHEADER, BITMAPINFOHEADER, the three masks, rows bottom-up padded to 4 bytes.
  std::vector<uint8_t> expected = {'B', 'M'};
  PutLe(&expected, 14 + 40 + 12 + 16, 4);
  PutLe(&expected, 0, 4);
  PutLe(&expected, 14 + 40 + 12, 4);
  for (uint32_t v : {40u, 3u, 2u}) PutLe(&expected, v, 4);
  PutLe(&expected, 1, 2);
  PutLe(&expected, 16, 2);
  for (uint32_t v : {3u, 16u, 0u, 0u, 0u, 0u, 0xF800u, 0x07E0u, 0x001Fu}) PutLe(&expected, v, 4);
  for (uint16_t v : bottomRow) PutLe(&expected, v, 2);
  PutLe(&expected, 0, 2);
  for (uint16_t v : topRow) PutLe(&expected, v, 2);
  PutLe(&expected, 0, 2);
  const std::string path = ::testing::TempDir() + "window_surface.bmp";
  HDC again = GetDC(hwnd);
  ASSERT_TRUE(wce::SaveBitmapFile(again, path));
  ReleaseDC(hwnd, again);
  EXPECT_EQ(expected, ReadFile(path));
}

// A released DC's table entry serves the next DC taken, but its handle is never handed out again.
TEST_F(DeviceContextTest, AReleasedDcStaysInvalidAfterTheNextIsTaken) {
  HWND hwnd = MakeWindow(2, 2);
  void* pixels = nullptr;
  HBITMAP picture = MakeDib(2, 2, 32, &pixels);
  HDC memory = CreateCompatibleDC(nullptr);
  SelectObject(memory, picture);
  HDC previous = nullptr;
  for (int i = 0; i < 3; ++i) {
    HDC window = GetWindowDC(hwnd);
    ASSERT_NE(nullptr, window);
    EXPECT_NE(previous, window);
    if (previous != nullptr) {
      EXPECT_FALSE(BitBlt(previous, 0, 0, 1, 1, memory, 0, 0, SRCCOPY));
      EXPECT_EQ(0, GetDeviceCaps(previous, BITSPIXEL));
      EXPECT_EQ(0, ReleaseDC(hwnd, previous));
    }
    EXPECT_TRUE(BitBlt(window, 0, 0, 2, 2, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(1, ReleaseDC(hwnd, window));
    previous = window;
  }
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_FALSE(DeleteDC(memory));
  EXPECT_TRUE(DeleteObject(picture));
}

TEST_F(DeviceContextTest, ThirtyTwoBitBitmapIsSavedBottomUpWithoutMasks) {
  void* pixels = nullptr;
  HBITMAP bitmap = MakeDib(2, -2, 32, &pixels);  // top-down in memory
  Write(pixels, 2, 32, 0, 0, 0x00112233);        // top-left
  Write(pixels, 2, 32, 1, 1, 0x00445566);        // bottom-right
  std::vector<uint8_t> expected = {'B', 'M'};
  PutLe(&expected, 14 + 40 + 16, 4);
  PutLe(&expected, 0, 4);
  PutLe(&expected, 14 + 40, 4);
  for (uint32_t v : {40u, 2u, 2u}) PutLe(&expected, v, 4);
  PutLe(&expected, 1, 2);
  PutLe(&expected, 32, 2);
  for (uint32_t v : {0u, 16u, 0u, 0u, 0u, 0u}) PutLe(&expected, v, 4);
  for (uint32_t v : {0u, 0x00445566u, 0x00112233u, 0u}) PutLe(&expected, v, 4);
  const std::string path = ::testing::TempDir() + "dib32.bmp";
  ASSERT_TRUE(wce::SaveBitmapFile(bitmap, path));
  EXPECT_EQ(expected, ReadFile(path));
  EXPECT_FALSE(wce::SaveBitmapFile(bitmap, "/nonexistent-dir/x.bmp"));
}

TEST_F(DeviceContextTest, WindowSurfaceFollowsTheWindowAndEndsWithIt) {
  HWND hwnd = MakeWindow(4, 4);
  BITMAP surface;
  ASSERT_TRUE(wce::GetWindowSurface(hwnd, &surface));
  EXPECT_EQ(32, surface.bmBitsPixel);  // the default screen
  ASSERT_TRUE(MoveWindow(hwnd, 0, 0, 6, 5, TRUE));
  ASSERT_TRUE(wce::GetWindowSurface(hwnd, &surface));
  EXPECT_EQ(6, surface.bmWidth);
  EXPECT_EQ(5, surface.bmHeight);
  ASSERT_TRUE(DestroyWindow(hwnd));
  EXPECT_FALSE(wce::GetWindowSurface(hwnd, &surface));
  EXPECT_EQ(nullptr, GetDC(hwnd));
}

}  // namespace
