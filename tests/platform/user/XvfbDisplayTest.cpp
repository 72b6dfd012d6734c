// The desktop display under a virtual X server started by the test: the SDL window's pixels, read
// back from the X server, equal the framebuffer's picture, and a mouse press sent to the X window
// arrives as WM_LBUTTONDOWN at the window under the point, at the right client point.
#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/user/UserHooks.h"
#include "tests/platform/user/CXvfb.h"
#include "tests/platform/user/UserTestSupport.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace usertest;

// SDL's video start keeps an allocation of D-Bus, which it opens for the desktop's input
// methods, past SDL_Quit: it is theirs, not ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}

namespace {

class XvfbDisplayTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    wce::ResetUser();
    wce::ResetGdi();
    RegisterTestClass();
    std::string why;
    m_display = m_xvfb.Start(&why);
    if (m_display.empty()) GTEST_SKIP() << "skipped: " << why;
    setenv("DISPLAY", m_display.c_str(), 1);
    ASSERT_TRUE(wce::SetScreen(kWidth, kHeight, GetParam()));
    ASSERT_TRUE(wce::SetDisplayDriver("sdl"));
  }
  void TearDown() override {
    wce::SetDisplayDriver("headless");
    wce::ResetUser();
    wce::ResetGdi();
    m_xvfb.Stop();
  }

  static constexpr int kWidth = 160;
  static constexpr int kHeight = 96;

  CXvfb m_xvfb;
  std::string m_display;
};

// Every column differs: x in blue, y in green, and red marks which window it is.
void Paint(HWND hwnd, int red) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  struct {
    BITMAPINFOHEADER header;
    DWORD masks[3];
  } info = {};
  info.header =
      BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP picture =
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int y = 0; y < rc.bottom; ++y) {
    for (int x = 0; x < rc.right; ++x) {
      static_cast<uint32_t*>(bits)[y * rc.right + x] = red << 16 | (y * 2 & 0xFF) << 8 | (x * 3 & 0xFF);
    }
  }
  HDC mem = CreateCompatibleDC(nullptr);
  SelectObject(mem, picture);
  HDC hdc = GetWindowDC(hwnd);
  BitBlt(hdc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
  ReleaseDC(hwnd, hdc);
  DeleteDC(mem);
  DeleteObject(picture);
}

TEST_P(XvfbDisplayTest, TheXWindowShowsTheFramebufferAndItsMousePressReachesTheWindowUnderIt) {
  HWND back = CreateWindowExW(0, kClass, u"", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr,
                              nullptr, nullptr);
  Recorder recorder;
  HWND button = CreateWindowExW(0, kClass, u"", WS_CHILD | WS_VISIBLE, 40, 30, 50, 20, back, nullptr, nullptr,
                                &recorder);
  Paint(back, 0x20);
  Paint(button, 0xE0);
  ASSERT_TRUE(wce::FlushScreen(10000));

  BITMAP frame;
  ASSERT_TRUE(wce::GetScreenPixels(&frame));
  Display* x = XOpenDisplay(m_display.c_str());
  ASSERT_NE(nullptr, x);
  XImage* image = XGetImage(x, DefaultRootWindow(x), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  ASSERT_NE(nullptr, image);
  int wrong = 0;
  for (int py = 0; py < kHeight; ++py) {
    const BYTE* row = static_cast<const BYTE*>(frame.bmBits) + static_cast<size_t>(py) * frame.bmWidthBytes;
    for (int px = 0; px < kWidth; ++px) {
      const unsigned long shown = XGetPixel(image, px, py) & 0xFFFFFF;
      uint32_t expected = 0;
      uint32_t seen = 0;
      if (GetParam() == 32) {
        expected = reinterpret_cast<const uint32_t*>(row)[px] & 0xFFFFFF;
        seen = static_cast<uint32_t>(shown);
      } else {
        // The X server's 24 bits hold the 565 pixel in their top bits.
        expected = reinterpret_cast<const uint16_t*>(row)[px];
        seen = static_cast<uint32_t>(((shown >> 19) & 0x1F) << 11 | ((shown >> 10) & 0x3F) << 5 |
                                     ((shown >> 3) & 0x1F));
      }
      if (seen != expected && wrong++ < 5) {
        ADD_FAILURE() << "at " << px << "," << py << ": X shows " << std::hex << seen << ", framebuffer "
                      << expected;
      }
    }
  }
  EXPECT_EQ(0, wrong);
  XDestroyImage(image);

  // A press on the child window, as a person's click comes to the X server.
  XTestFakeMotionEvent(x, -1, 47, 35, CurrentTime);
  XTestFakeButtonEvent(x, 1, True, CurrentTime);
  XTestFakeButtonEvent(x, 1, False, CurrentTime);
  XSync(x, False);
  XCloseDisplay(x);
  ASSERT_TRUE(PumpUntil([&] { return !recorder.Of(WM_LBUTTONUP).empty(); }, 10000));
  const std::vector<Seen> downs = recorder.Of(WM_LBUTTONDOWN);
  ASSERT_EQ(1u, downs.size());
  EXPECT_EQ(button, downs[0].hwnd);
  EXPECT_EQ(7, GET_X_LPARAM(downs[0].lParam));
  EXPECT_EQ(5, GET_Y_LPARAM(downs[0].lParam));
}

// The window manager's close request, as a person's click on the title bar's close button sends it
// to every top-level X window there is (the test's server has only the display's own).
TEST_P(XvfbDisplayTest, TheXWindowsCloseButtonClosesTheForegroundWindow) {
  Recorder recorder;
  HWND main = CreateWindowExW(0, kClass, u"", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr,
                              nullptr, &recorder);
  SetForegroundWindow(main);
  ASSERT_TRUE(wce::FlushScreen(10000));

  Display* x = XOpenDisplay(m_display.c_str());
  ASSERT_NE(nullptr, x);
  const Atom protocols = XInternAtom(x, "WM_PROTOCOLS", False);
  const Atom deleteWindow = XInternAtom(x, "WM_DELETE_WINDOW", False);
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  ASSERT_NE(0, XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count));
  ASSERT_LT(0u, count);
  for (unsigned i = 0; i < count; ++i) {
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = children[i];
    ev.xclient.message_type = protocols;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(deleteWindow);
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, children[i], False, NoEventMask, &ev);
  }
  XFree(children);
  XSync(x, False);
  XCloseDisplay(x);
  ASSERT_TRUE(PumpUntil([&] { return !recorder.Of(WM_CLOSE).empty(); }, 10000));
  EXPECT_EQ(main, recorder.Of(WM_CLOSE)[0].hwnd);
}

INSTANTIATE_TEST_SUITE_P(Depths, XvfbDisplayTest, ::testing::Values(32, 16));

}  // namespace
