// Window classes, creation, geometry, visibility, window longs, destruction and screen metrics.
#include "tests/platform/user/UserTestSupport.h"
#include "platform/gdi/GdiHooks.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace usertest;

namespace {

class WindowTest : public UserTest {};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(WindowTest, ClassesAreRegisteredOncePerName) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = u"testwnd";  // the same class in another case
  EXPECT_EQ(0, RegisterClassW(&wc));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
  EXPECT_EQ(nullptr,
            CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(WindowTest, CreationHandsTheParameterToWmCreateAndKeepsTheRectangle) {
  Recorder recorder;
  HWND hwnd = CreateWindowExW(0, kClass, u"Corvane", WS_POPUP, 10, 20, 800, 480, nullptr, nullptr, nullptr,
                              &recorder);
  ASSERT_NE(nullptr, hwnd);
  EXPECT_TRUE(IsWindow(hwnd));
  ASSERT_EQ(1u, recorder.Of(WM_CREATE).size());  // the procedure found the recorder in lpCreateParams
  RECT rc;
  ASSERT_TRUE(GetWindowRect(hwnd, &rc));
  EXPECT_TRUE(SameRect(RECT{10, 20, 810, 500}, rc));
  ASSERT_TRUE(GetClientRect(hwnd, &rc));
  EXPECT_TRUE(SameRect(RECT{0, 0, 800, 480}, rc));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(RecordingProc), GetWindowLongW(hwnd, GWL_WNDPROC));
}

TEST_F(WindowTest, FindWindowMatchesClassAndTitleWithoutCase) {
  Recorder recorder;
  HWND first = MakeWindow(&recorder, u"Corvane");
  HWND second = MakeWindow(&recorder, u"Other");
  struct Case {
    const char16_t* className;
    const char16_t* title;
    HWND expected;
  } cases[] = {
      {nullptr, u"Corvane", first}, {nullptr, u"CORVANE", first},   {u"testwnd", u"Other", second},
      {u"TestWnd", nullptr, first}, {nullptr, u"Missing", nullptr}, {u"HHTaskBar", nullptr, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, FindWindowW(c.className, c.title));
  ASSERT_TRUE(SetWindowTextW(second, u"Renamed"));
  EXPECT_EQ(second, FindWindowW(nullptr, u"Renamed"));
  WCHAR text[4];
  EXPECT_EQ(3, GetWindowTextW(second, text, 4));  // cut to the buffer, terminated
  EXPECT_EQ(std::u16string(u"Ren"), std::u16string(text));
}

TEST_F(WindowTest, ShowWindowReportsThePreviousStateAndTellsTheWindow) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  struct Step {
    int cmd;
    BOOL previous;
    BOOL visible;
  } steps[] = {
      {SW_SHOW, FALSE, TRUE}, {SW_SHOW, TRUE, TRUE}, {SW_HIDE, TRUE, FALSE}, {SW_HIDE, FALSE, FALSE}};
  for (const Step& s : steps) {
    EXPECT_EQ(s.previous, ShowWindow(hwnd, s.cmd));
    EXPECT_EQ(s.visible, IsWindowVisible(hwnd));
  }
  // WM_SHOWWINDOW only when the state changed: shown once, hidden once.
  const std::vector<Seen> shows = recorder.Of(WM_SHOWWINDOW);
  ASSERT_EQ(2u, shows.size());
  EXPECT_EQ(static_cast<WPARAM>(TRUE), shows[0].wParam);
  EXPECT_EQ(static_cast<WPARAM>(FALSE), shows[1].wParam);
  HWND visible =
      CreateWindowExW(0, kClass, u"", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(IsWindowVisible(visible));
}

TEST_F(WindowTest, SetWindowPosHonoursItsFlags) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);  // 0,0 100x50
  struct Step {
    HWND after;
    int x, y, cx, cy;
    UINT flags;
    RECT expected;
    bool topmost;
    bool visible;
  } steps[] = {
      {HWND_TOPMOST, 5, 5, 9, 9, SWP_NOSIZE | SWP_NOMOVE, {0, 0, 100, 50}, true, false},
      {HWND_NOTOPMOST, 5, 5, 9, 9, SWP_NOSIZE | SWP_NOMOVE, {0, 0, 100, 50}, false, false},
      {nullptr, 5, 6, 9, 9, SWP_NOSIZE | SWP_NOZORDER, {5, 6, 105, 56}, false, false},
      {nullptr, 0, 0, 30, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW, {5, 6, 35, 46}, false, true},
      // The modal loop's hide: 0x97.
      {nullptr,
       0,
       0,
       0,
       0,
       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW | SWP_NOACTIVATE,
       {5, 6, 35, 46},
       false,
       false},
  };
  for (const Step& s : steps) {
    ASSERT_TRUE(SetWindowPos(hwnd, s.after, s.x, s.y, s.cx, s.cy, s.flags));
    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_TRUE(SameRect(s.expected, rc));
    EXPECT_EQ(s.topmost, (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    EXPECT_EQ(s.visible, IsWindowVisible(hwnd) != FALSE);
  }
  ASSERT_TRUE(MoveWindow(hwnd, 1, 2, 3, 4, TRUE));
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_TRUE(SameRect(RECT{1, 2, 4, 6}, rc));
}

LRESULT ReplacementProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kAnswer) return 1000;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(WindowTest, WindowLongsKeepPointersAndReplaceTheProcedure) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&recorder), GetWindowLongW(hwnd, GWL_USERDATA));
  Recorder other;  // the procedure keeps using whatever GWL_USERDATA holds
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&recorder),
            SetWindowLongW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&other)));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&other), GetWindowLongW(hwnd, GWL_USERDATA));

  EXPECT_EQ(5, SendMessageW(hwnd, kAnswer, 2, 3));
  EXPECT_EQ(1u, other.Of(kAnswer).size());
  EXPECT_TRUE(recorder.Of(kAnswer).empty());
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(RecordingProc),
            SetWindowLongW(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(ReplacementProc)));
  EXPECT_EQ(1000, SendMessageW(hwnd, kAnswer, 2, 3));
  EXPECT_EQ(0, SetWindowLongW(hwnd, GWL_WNDPROC, 0));  // refused: the window keeps a procedure
  EXPECT_EQ(1000, SendMessageW(hwnd, kAnswer, 2, 3));
}

TEST_F(WindowTest, CloseThroughDefWindowProcDestroysTheWindow) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
  EXPECT_EQ(1u, recorder.Of(WM_CLOSE).size());
  EXPECT_EQ(1u, recorder.Of(WM_DESTROY).size());
  EXPECT_FALSE(DestroyWindow(hwnd));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

TEST_F(WindowTest, OnlyTheOwnerThreadDestroysOrDispatchesToAWindow) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  std::atomic<BOOL> destroyed{TRUE};
  Worker other([&] {
    destroyed = DestroyWindow(hwnd);
    MSG msg{hwnd, kAnswer, 1, 1, 0, {0, 0}};
    DispatchMessageW(&msg);
  });
  ASSERT_TRUE(other.JoinWithin());
  EXPECT_FALSE(destroyed.load());
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_TRUE(recorder.Of(kAnswer).empty());
}

TEST_F(WindowTest, WindowsOfAnEndedThreadAreGone) {
  std::atomic<HWND> hwnd{nullptr};
  Worker owner([&] { hwnd = MakeWindow(nullptr); });
  ASSERT_TRUE(owner.JoinWithin());
  EXPECT_FALSE(IsWindow(hwnd.load()));
  EXPECT_FALSE(PostMessageW(hwnd.load(), WM_USER, 0, 0));
}

TEST_F(WindowTest, SystemMetricsFollowTheConfiguredScreen) {
  EXPECT_EQ(800, GetSystemMetrics(SM_CXSCREEN));  // the default
  EXPECT_EQ(480, GetSystemMetrics(SM_CYSCREEN));
  struct Case {
    int width, height, bits;
    bool accepted;
  } cases[] = {{1024, 600, 16, true}, {800, 480, 32, true}, {0, 480, 32, false}, {800, 480, 24, false}};
  for (const Case& c : cases) {
    const wce::ScreenConfig before = wce::GetScreen();
    EXPECT_EQ(c.accepted, wce::SetScreen(c.width, c.height, c.bits));
    const int width = c.accepted ? c.width : before.m_nWidth;
    const int height = c.accepted ? c.height : before.m_nHeight;
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(c.accepted ? c.bits : before.m_nBitsPerPixel, wce::GetScreen().m_nBitsPerPixel);
  }
}

}  // namespace
