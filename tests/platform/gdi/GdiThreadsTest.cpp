// The video thread paints pictures onto a window through GetWindowDC and BitBlt while the UI
// thread draws text into its own bitmaps: neither may wait for the other's pixels.
#include "tests/platform/gdi/GdiTestSupport.h"

#include "platform/gdi/CGdiBitmap.h"
#include "platform/gdi/CGdiHandleTable.h"
#include "platform/kernel/kernel.h"
#include "platform/user/UserHooks.h"
#include "platform/gdi/GdiHooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <mutex>

using namespace gditest;

namespace {

const int kPictureWidth = 40;
const int kPictureHeight = 24;

// What the video thread does for one picture.
bool PaintPicture(HWND hwnd, HDC pictureDc) {
  HDC windowDc = GetWindowDC(hwnd);
  if (windowDc == nullptr) return false;
  const BOOL ok = BitBlt(windowDc, 0, 0, kPictureWidth, kPictureHeight, pictureDc, 0, 0, SRCCOPY);
  ReleaseDC(hwnd, windowDc);
  return ok != FALSE;
}

// What the UI's video layer does for one picture: the picture copied into the layer tree's window
// bitmap through a memory DC of its own.
bool DrawVideoLayer(HBITMAP windowBitmap, HDC pictureDc) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return false;
  HGDIOBJ old = SelectObject(dc, windowBitmap);
  const BOOL ok =
      old != nullptr && BitBlt(dc, 0, 0, kPictureWidth, kPictureHeight, pictureDc, 0, 0, SRCCOPY) != FALSE;
  if (old != nullptr) SelectObject(dc, old);
  DeleteDC(dc);
  return ok;
}

// What the UI thread does: text into a bitmap of its own.
bool DrawLabel(HDC dc) {
  RECT rc{0, 0, 60, 20};
  return DrawTextW(dc, u"中文 Label", -1, &rc, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS) > 0;
}

class GdiThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wce::ResetUser();
    wce::ResetGdi();
    ASSERT_TRUE(wce::SetScreen(kPictureWidth, kPictureHeight, 32));
    hwnd = MakeWindow(kPictureWidth, kPictureHeight);
    ASSERT_NE(nullptr, hwnd);
    picture = MakeDib(kPictureWidth, kPictureHeight, 32, &picturePixels);
    ASSERT_NE(nullptr, picture);
    pictureDc = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, SelectObject(pictureDc, picture));
    for (int y = 0; y < kPictureHeight; ++y) {
      for (int x = 0; x < kPictureWidth; ++x)
        Write(picturePixels, kPictureWidth, 32, x, y, 0x00010000u * x + 3u * y);
    }
  }
  void TearDown() override {
    wce::ResetGdi();
    wce::ResetUser();
  }

  bool SurfaceShowsThePicture() {
    BITMAP surface = {};
    if (!wce::GetWindowSurface(hwnd, &surface)) return false;
    for (int y = 0; y < kPictureHeight; ++y) {  // the surface's rows run top-down, the DIB's bottom-up
      for (int x = 0; x < kPictureWidth; ++x) {
        if (Read(surface.bmBits, kPictureWidth, 32, x, y) !=
            Read(picturePixels, kPictureWidth, 32, x, kPictureHeight - 1 - y)) {
          return false;
        }
      }
    }
    return true;
  }

  HWND hwnd = nullptr;
  HBITMAP picture = nullptr;
  void* picturePixels = nullptr;
  HDC pictureDc = nullptr;
};

struct VideoArgs {
  HWND hwnd;
  HDC pictureDc;
  int pictures;
  bool ok;
};

DWORD VideoThread(LPVOID param) {
  VideoArgs* args = static_cast<VideoArgs*>(param);
  args->ok = true;
  for (int i = 0; i < args->pictures; ++i) args->ok = PaintPicture(args->hwnd, args->pictureDc) && args->ok;
  return 0;
}

TEST_F(GdiThreadsTest, APictureReachesTheWindowWhileAnotherBitmapIsBeingDrawn) {
  // The UI thread is in the middle of drawing into its label bitmap: its lock is held.
  void* labelPixels = nullptr;
  HBITMAP label = MakeDib(60, 20, 16, &labelPixels);
  ASSERT_NE(nullptr, label);
  std::shared_ptr<CGdiBitmap> held =
      CGdiHandleTable::GetInstance().LookupAs<CGdiBitmap>(label, CGdiObject::Type::Bitmap);
  ASSERT_TRUE(held);
  std::unique_lock<std::mutex> drawing(held->Lock());
  VideoArgs args{hwnd, pictureDc, 3, false};
  HANDLE video = CreateThread(nullptr, 0, VideoThread, &args, 0, nullptr);
  ASSERT_NE(nullptr, video);
  const DWORD waited = WaitForSingleObject(video, 10000);
  drawing.unlock();  // lets a stuck thread finish either way
  EXPECT_EQ(WAIT_OBJECT_0, waited) << "the video thread waited for a bitmap it does not use";
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(video, 10000));
  CloseHandle(video);
  EXPECT_TRUE(args.ok);
  EXPECT_TRUE(SurfaceShowsThePicture());
}

TEST_F(GdiThreadsTest, PicturesAndTextRunTogether) {
  HDC labelDc = CreateCompatibleDC(nullptr);
  void* labelPixels = nullptr;
  HBITMAP label = MakeDib(60, 20, 16, &labelPixels);
  ASSERT_NE(nullptr, SelectObject(labelDc, label));
  ASSERT_NE(CLR_INVALID, SetTextColor(labelDc, RGB(255, 255, 255)));
  ASSERT_TRUE(DrawLabel(labelDc));  // fonts opened before the race, as the UI does at start-up
  VideoArgs args{hwnd, pictureDc, 200, false};
  HANDLE video = CreateThread(nullptr, 0, VideoThread, &args, 0, nullptr);
  ASSERT_NE(nullptr, video);
  bool drawn = true;
  for (int i = 0; i < 200; ++i) drawn = DrawLabel(labelDc) && drawn;
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(video, 60000));
  CloseHandle(video);
  EXPECT_TRUE(drawn);
  EXPECT_TRUE(args.ok);
  EXPECT_TRUE(SurfaceShowsThePicture());
}

// The video thread paints the picture surface onto the window while the UI thread copies the same
// surface, through the same memory DC, into its video layer, and sets that DC's drawing state
// between its copies (to the values it has, so every copy's pixels are known). Under
// ThreadSanitizer each copy's read of the shared DC's state must be ordered against those writes,
// whichever thread runs first.
TEST_F(GdiThreadsTest, TwoThreadsCopyFromOneMemoryDc) {
  void* layerPixels = nullptr;
  HBITMAP layer = MakeDib(kPictureWidth, kPictureHeight, 32, &layerPixels);
  ASSERT_NE(nullptr, layer);
  VideoArgs args{hwnd, pictureDc, 200, false};
  HANDLE video = CreateThread(nullptr, 0, VideoThread, &args, 0, nullptr);
  ASSERT_NE(nullptr, video);
  bool drawn = true;
  for (int i = 0; i < 200; ++i) {
    drawn = SetViewportOrgEx(pictureDc, 0, 0, nullptr) != FALSE && drawn;
    drawn = SetStretchBltMode(pictureDc, BLACKONWHITE) != 0 && drawn;
    drawn = DrawVideoLayer(layer, pictureDc) && drawn;
  }
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(video, 60000));
  CloseHandle(video);
  EXPECT_TRUE(drawn);
  EXPECT_TRUE(args.ok);
  EXPECT_TRUE(SurfaceShowsThePicture());
  EXPECT_EQ(0, std::memcmp(layerPixels, picturePixels, Stride(kPictureWidth, 32) * kPictureHeight));
}

}  // namespace
