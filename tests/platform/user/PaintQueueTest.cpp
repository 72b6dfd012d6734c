// The queue's priorities (posted, input, quit, paint, timer), input ticks, the update region and
// painting, and waiting for messages and kernel objects together.
#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/UserHooks.h"
#include "tests/platform/user/UserTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace usertest;

namespace {

class PaintQueueTest : public UserTest {};

TEST_F(PaintQueueTest, MessagesComePostedThenInputThenQuitThenPaintThenTimer) {
  Recorder r;
  HWND hwnd =
      CreateWindowExW(0, kClass, u"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, &r);
  ValidateRect(hwnd, nullptr);
  // Everything is queued before anything is taken; the timer comes once nothing else is left.
  SetTimer(hwnd, 7, USER_TIMER_MINIMUM, nullptr);
  InvalidateRect(hwnd, nullptr, FALSE);
  PostQuitMessage(3);
  ASSERT_TRUE(wce::InjectMouse(WM_LBUTTONDOWN, 5, 6, 1234));
  PostMessageW(hwnd, WM_USER + 1, 0, 0);
  MSG msg;
  std::vector<UINT> order;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    order.push_back(msg.message);
  }
  EXPECT_EQ((std::vector<UINT>{WM_USER + 1, WM_LBUTTONDOWN, WM_QUIT}), order);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_PAINT), msg.message);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_PAINT), msg.message) << "WM_PAINT stays until the window is validated";
  DispatchMessageW(&msg);  // DefWindowProcW validates
  ASSERT_TRUE(PumpUntil([&] { return !r.Of(WM_TIMER).empty(); }));
}

TEST_F(PaintQueueTest, InputCarriesTheTickOfItsEventAndItsPointInClientCoordinates) {
  DWORD tick = 100;
  wce::SetTickSource([&] { return tick; });
  Recorder r;
  HWND parent =
      CreateWindowExW(0, kClass, u"", WS_POPUP | WS_VISIBLE, 40, 30, 200, 100, nullptr, nullptr, nullptr, &r);
  HWND child =
      CreateWindowExW(0, kClass, u"", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, parent, nullptr, nullptr, &r);
  SetFocus(child);
  struct Case {
    UINT msg;
    int x, y;
    DWORD tick;
    HWND target;
    int cx, cy;
  };
  const Case cases[] = {
      {WM_LBUTTONDOWN, 55, 45, 90, child, 5, 5},
      {WM_MOUSEMOVE, 45, 35, 95, parent, 5, 5},
      {WM_LBUTTONUP, 239, 129, 97, parent, 199, 99},
  };
  for (const Case& k : cases) ASSERT_TRUE(wce::InjectMouse(k.msg, k.x, k.y, k.tick));
  ASSERT_TRUE(wce::InjectKey(WM_KEYDOWN, VK_RETURN, 98));
  EXPECT_FALSE(wce::InjectMouse(WM_LBUTTONDOWN, 500, 400, 99)) << "no window under the point";
  tick = 5000;  // taking them later does not restamp them
  MSG msg;
  for (const Case& k : cases) {
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, PM_REMOVE));
    EXPECT_EQ(k.msg, msg.message);
    EXPECT_EQ(k.target, msg.hwnd);
    EXPECT_EQ(k.cx, GET_X_LPARAM(msg.lParam));
    EXPECT_EQ(k.cy, GET_Y_LPARAM(msg.lParam));
    EXPECT_EQ(k.x, msg.pt.x);
    EXPECT_EQ(static_cast<LONG>(k.tick), GetMessageTime());
  }
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
  EXPECT_EQ(child, msg.hwnd) << "keys go to the focus";
  EXPECT_EQ(static_cast<WPARAM>(VK_RETURN), msg.wParam);
  EXPECT_EQ(98, GetMessageTime());

  // Capture takes the mouse wherever it is.
  SetCapture(child);
  ASSERT_TRUE(wce::InjectMouse(WM_MOUSEMOVE, 500, 400, 101));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
  EXPECT_EQ(child, msg.hwnd);
  EXPECT_EQ(500 - 50, GET_X_LPARAM(msg.lParam));
}

TEST_F(PaintQueueTest, TheUpdateRegionGrowsShrinksAndIsTakenByBeginPaint) {
  Recorder r;
  HWND hwnd = CreateWindowExW(0, kClass, u"", WS_POPUP, 0, 0, 100, 80, nullptr, nullptr, nullptr, &r);
  RECT rc;
  EXPECT_FALSE(GetUpdateRect(hwnd, &rc, FALSE)) << "a hidden window was not invalidated";
  struct Step {
    const char* what;
    bool invalidate;
    bool whole;
    RECT rect;
    bool has;
    RECT expected;
  };
  const Step steps[] = {
      {"one rectangle", true, false, {10, 10, 20, 20}, true, {10, 10, 20, 20}},
      {"a second one joins the bounds", true, false, {30, 5, 40, 15}, true, {10, 5, 40, 20}},
      {"clipped to the client area", true, false, {90, 70, 200, 200}, true, {10, 5, 100, 80}},
      {"a validated band across the top", false, false, {0, 0, 100, 10}, true, {10, 10, 100, 80}},
      {"a validated corner leaves the bounds", false, false, {0, 0, 20, 20}, true, {10, 10, 100, 80}},
      {"validating all", false, true, {0, 0, 0, 0}, false, {0, 0, 0, 0}},
      {"the whole window", true, true, {0, 0, 0, 0}, true, {0, 0, 100, 80}},
  };
  for (const Step& s : steps) {
    if (s.invalidate) {
      InvalidateRect(hwnd, s.whole ? nullptr : &s.rect, FALSE);
    } else {
      ValidateRect(hwnd, s.whole ? nullptr : &s.rect);
    }
    EXPECT_EQ(s.has, GetUpdateRect(hwnd, &rc, FALSE) != FALSE) << s.what;
    EXPECT_TRUE(EqualRect(&s.expected, &rc)) << s.what;
  }
  ValidateRect(hwnd, nullptr);
  const RECT part{5, 6, 25, 26};
  InvalidateRect(hwnd, &part, TRUE);
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  ASSERT_NE(nullptr, hdc);
  EXPECT_TRUE(EqualRect(&part, &ps.rcPaint));
  EXPECT_EQ(1u, r.Of(WM_ERASEBKGND).size()) << "erasing was asked";
  EXPECT_FALSE(ps.fErase) << "DefWindowProcW answered WM_ERASEBKGND";
  EXPECT_FALSE(GetUpdateRect(hwnd, &rc, FALSE)) << "BeginPaint took the region";
  // The DC is clipped to rcPaint: a fill of the whole window reaches only that rectangle.
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  const RECT all{0, 0, 100, 80};
  FillRect(hdc, &all, white);
  DeleteObject(white);
  EXPECT_TRUE(EndPaint(hwnd, &ps));
  BITMAP bm;
  ASSERT_TRUE(wce::GetWindowSurface(hwnd, &bm));
  auto px = [&](int x, int y) {
    return static_cast<const uint32_t*>(bm.bmBits)[y * bm.bmWidth + x] & 0xFFFFFF;
  };
  EXPECT_EQ(0xFFFFFFu, px(5, 6));
  EXPECT_EQ(0xFFFFFFu, px(24, 25));
  EXPECT_EQ(0u, px(25, 25));
  EXPECT_EQ(0u, px(4, 6));
}

TEST_F(PaintQueueTest, UpdateWindowPaintsAtOnceAndShowingAWindowInvalidatesIt) {
  Recorder r;
  HWND hwnd = CreateWindowExW(0, kClass, u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, &r);
  UpdateWindow(hwnd);
  EXPECT_TRUE(r.Of(WM_PAINT).empty()) << "nothing to paint";
  ShowWindow(hwnd, SW_SHOW);
  RECT rc;
  EXPECT_TRUE(GetUpdateRect(hwnd, &rc, FALSE));
  UpdateWindow(hwnd);
  EXPECT_EQ(1u, r.Of(WM_PAINT).size());
  EXPECT_FALSE(GetUpdateRect(hwnd, &rc, FALSE)) << "DefWindowProcW validated it";
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(PaintQueueTest, MsgWaitForMultipleObjectsWakesForAnObjectAMessageOrTheTime) {
  Recorder r;
  HWND hwnd = MakeWindow(&r);
  HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), MsgWaitForMultipleObjects(1, &ev, FALSE, 10, QS_ALLINPUT));
  SetEvent(ev);
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), MsgWaitForMultipleObjects(1, &ev, FALSE, 0, QS_ALLINPUT));
  ResetEvent(ev);
  // A message posted by another thread while this one waits.
  const DWORD self = GetCurrentThreadId();
  Worker poster([&] { PostThreadMessageW(self, WM_USER + 2, 0, 0); });
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0 + 1),
            MsgWaitForMultipleObjects(1, &ev, FALSE, 5000, QS_ALLINPUT));
  ASSERT_TRUE(poster.JoinWithin());
  // Input is not a posted message: a wait for posted messages only leaves it.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
  ShowWindow(hwnd, SW_SHOW);
  ValidateRect(hwnd, nullptr);
  ASSERT_TRUE(wce::InjectMouse(WM_LBUTTONDOWN, 1, 1, 0));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), MsgWaitForMultipleObjects(1, &ev, FALSE, 10, QS_POSTMESSAGE));
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0 + 1),
            MsgWaitForMultipleObjects(1, &ev, FALSE, 10, QS_MOUSEBUTTON));
  // A timer falling due ends the wait.
  PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
  SetTimer(hwnd, 3, USER_TIMER_MINIMUM, nullptr);
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_TIMER));
  CloseHandle(ev);
}

}  // namespace
