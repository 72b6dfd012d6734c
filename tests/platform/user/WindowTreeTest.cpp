// The window tree: z-order among siblings, parent-relative rectangles, hit testing, FindWindowW,
// enabled windows, the active window, focus and capture.
#include "tests/platform/user/UserTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace usertest;

namespace {

class WindowTreeTest : public UserTest {
 protected:
  HWND Make(Recorder* recorder, int x, int y, int w, int h, HWND parent = nullptr, DWORD style = WS_VISIBLE,
            LPCWSTR title = u"") {
    const DWORD kind = parent != nullptr ? WS_CHILD : WS_POPUP;
    return CreateWindowExW(0, kClass, title, kind | style, x, y, w, h, parent, nullptr, nullptr, recorder);
  }

  // Siblings from the top, through GW_HWNDFIRST and GW_HWNDNEXT; checked against GW_HWNDLAST and
  // GW_HWNDPREV from the bottom.
  std::vector<HWND> ZOrder(HWND any) {
    std::vector<HWND> down;
    for (HWND h = GetWindow(any, GW_HWNDFIRST); h != nullptr; h = GetWindow(h, GW_HWNDNEXT))
      down.push_back(h);
    std::vector<HWND> up;
    for (HWND h = GetWindow(any, GW_HWNDLAST); h != nullptr; h = GetWindow(h, GW_HWNDPREV))
      up.insert(up.begin(), h);
    EXPECT_EQ(down, up);
    return down;
  }
};

TEST_F(WindowTreeTest, SetWindowPosMovesWindowsInTheZOrderAndKeepsTopmostOnesAbove) {
  Recorder r;
  HWND a = Make(&r, 0, 0, 10, 10);
  HWND b = Make(&r, 0, 0, 10, 10);
  HWND c = Make(&r, 0, 0, 10, 10);
  EXPECT_EQ((std::vector<HWND>{c, b, a}), ZOrder(a));  // each new window goes on top

  struct Case {
    const char* what;
    HWND hwnd;
    HWND after;  // 0..2: a, b, c; or a special handle
    std::vector<int> expected;
  };
  const HWND w[] = {a, b, c};
  const Case cases[] = {
      {"to the bottom", c, HWND_BOTTOM, {1, 0, 2}},
      {"to the top", a, HWND_TOP, {0, 1, 2}},
      {"right under a sibling", c, b, {0, 1, 2}},
      {"under the top one", c, a, {0, 2, 1}},
      {"topmost stays above a later top", b, HWND_TOPMOST, {1, 0, 2}},
      {"a plain window cannot go above a topmost one", c, HWND_TOP, {1, 2, 0}},
      {"no longer topmost goes under the topmost ones", b, HWND_NOTOPMOST, {1, 2, 0}},
  };
  for (const Case& k : cases) {
    ASSERT_TRUE(SetWindowPos(k.hwnd, k.after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE)) << k.what;
    std::vector<HWND> expected;
    for (int i : k.expected) expected.push_back(w[i]);
    EXPECT_EQ(expected, ZOrder(a)) << k.what;
  }
  SetWindowPos(a, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(a, ZOrder(a).front());
}

TEST_F(WindowTreeTest, ChildRectanglesAreRelativeToTheParentsClientArea) {
  Recorder r;
  HWND top = Make(&r, 100, 50, 300, 200);
  HWND child = Make(&r, 10, 20, 100, 80, top);
  HWND grandchild = Make(&r, 5, 6, 30, 40, child);
  EXPECT_EQ(top, GetParent(child));
  EXPECT_EQ(child, GetWindow(top, GW_CHILD));
  struct Case {
    HWND hwnd;
    RECT screen;
  };
  const Case cases[] = {
      {top, {100, 50, 400, 250}}, {child, {110, 70, 210, 150}}, {grandchild, {115, 76, 145, 116}}};
  for (const Case& k : cases) {
    RECT rc;
    ASSERT_TRUE(GetWindowRect(k.hwnd, &rc));
    EXPECT_TRUE(EqualRect(&k.screen, &rc)) << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
    POINT pt{1, 2};
    ASSERT_TRUE(ClientToScreen(k.hwnd, &pt));
    EXPECT_EQ(k.screen.left + 1, pt.x);
    EXPECT_EQ(k.screen.top + 2, pt.y);
    ASSERT_TRUE(ScreenToClient(k.hwnd, &pt));
    EXPECT_EQ(1, pt.x);
    EXPECT_EQ(2, pt.y);
  }
  // Moving the parent carries its children along.
  MoveWindow(top, 0, 0, 300, 200, TRUE);
  RECT rc;
  GetWindowRect(grandchild, &rc);
  EXPECT_EQ(15, rc.left);
  EXPECT_EQ(26, rc.top);
}

TEST_F(WindowTreeTest, WindowFromPointFindsTheDeepestShownEnabledWindowOnTop) {
  Recorder r;
  HWND under = Make(&r, 0, 0, 200, 200);
  HWND over = Make(&r, 100, 100, 200, 200);
  HWND child = Make(&r, 10, 10, 50, 50, over);
  HWND hidden = Make(&r, 70, 10, 20, 20, over, 0);
  struct Case {
    const char* what;
    POINT pt;
    HWND expected;
  };
  const Case cases[] = {
      {"only the lower window", {50, 50}, under},
      {"the upper window covers the lower", {150, 150}, child},
      {"the upper window outside its child", {190, 190}, over},
      {"a hidden child is not there", {175, 115}, over},
      {"nothing", {350, 10}, nullptr},
  };
  for (const Case& k : cases) EXPECT_EQ(k.expected, WindowFromPoint(k.pt)) << k.what;
  (void)hidden;
  EnableWindow(over, FALSE);
  EXPECT_EQ(nullptr, WindowFromPoint(POINT{150, 150})) << "a disabled window takes the point";
  ShowWindow(over, SW_HIDE);
  EXPECT_EQ(under, WindowFromPoint(POINT{150, 150}));
  EXPECT_FALSE(IsWindowVisible(child)) << "a child of a hidden window is not visible";
}

TEST_F(WindowTreeTest, FindWindowLooksAtTopLevelWindowsByClassAndTitle) {
  Recorder r;
  HWND first = Make(&r, 0, 0, 1, 1, nullptr, WS_VISIBLE, u"Alpha");
  HWND second = Make(&r, 0, 0, 1, 1, nullptr, WS_VISIBLE, u"Beta");
  Make(&r, 0, 0, 1, 1, first, WS_VISIBLE, u"Gamma");
  struct Case {
    LPCWSTR cls;
    LPCWSTR title;
    HWND expected;
  };
  const Case cases[] = {{kClass, nullptr, first},
                        {nullptr, u"beta", second},
                        {u"testwnd", u"ALPHA", first},
                        {nullptr, u"Gamma", nullptr},
                        {u"Other", nullptr, nullptr}};
  for (const Case& k : cases) EXPECT_EQ(k.expected, FindWindowW(k.cls, k.title));
  DWORD pid = 0;
  EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(second, &pid));
  EXPECT_NE(0u, pid);
}

TEST_F(WindowTreeTest, ActiveFocusAndCaptureTellTheWindowThatLosesThemAndTheOneThatGains) {
  Recorder ra, rb;
  HWND a = Make(&ra, 0, 0, 10, 10);
  HWND b = Make(&rb, 0, 0, 10, 10);
  HWND bChild = Make(&rb, 0, 0, 5, 5, b);

  EXPECT_EQ(nullptr, SetActiveWindow(a));
  EXPECT_EQ(a, SetActiveWindow(bChild)) << "the child's top-level window becomes active";
  EXPECT_EQ(b, GetActiveWindow());
  ASSERT_EQ(2u, ra.Of(WM_ACTIVATE).size());
  EXPECT_EQ(static_cast<WPARAM>(WA_ACTIVE), ra.Of(WM_ACTIVATE)[0].wParam);
  EXPECT_EQ(static_cast<WPARAM>(WA_INACTIVE), ra.Of(WM_ACTIVATE)[1].wParam);
  EXPECT_EQ(static_cast<WPARAM>(WA_ACTIVE), rb.Of(WM_ACTIVATE).at(0).wParam);

  SetFocus(a);
  EXPECT_EQ(a, SetFocus(bChild));
  EXPECT_EQ(bChild, GetFocus());
  ASSERT_EQ(1u, ra.Of(WM_KILLFOCUS).size());
  EXPECT_EQ(reinterpret_cast<WPARAM>(bChild), ra.Of(WM_KILLFOCUS)[0].wParam);
  EXPECT_EQ(1u, rb.Of(WM_SETFOCUS).size());

  SetCapture(a);
  EXPECT_EQ(a, SetCapture(b));
  ASSERT_EQ(1u, ra.Of(WM_CAPTURECHANGED).size());
  EXPECT_EQ(reinterpret_cast<LPARAM>(b), ra.Of(WM_CAPTURECHANGED)[0].lParam);
  ReleaseCapture();
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_EQ(1u, rb.Of(WM_CAPTURECHANGED).size());

  // Disabling takes focus and capture away and is told; a disabled window cannot take focus.
  SetCapture(bChild);
  EXPECT_FALSE(EnableWindow(bChild, FALSE));
  EXPECT_FALSE(IsWindowEnabled(bChild));
  EXPECT_EQ(nullptr, GetFocus());
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_EQ(nullptr, SetFocus(bChild));
  EXPECT_EQ(nullptr, GetFocus());
  EXPECT_TRUE(EnableWindow(bChild, TRUE)) << "it was disabled";
  ASSERT_EQ(2u, rb.Of(WM_ENABLE).size());

  DestroyWindow(b);
  EXPECT_EQ(nullptr, GetActiveWindow()) << "a destroyed window is active no more";
  EXPECT_FALSE(IsWindow(bChild)) << "its children went with it";
}

TEST_F(WindowTreeTest, DestroyWindowTellsTheParentBeforeItsChildren) {
  std::vector<HWND> order;
  static std::vector<HWND>* s_order;
  s_order = &order;
  WNDCLASSW wc = {};
  wc.lpszClassName = u"DestroyOrder";
  wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_DESTROY) s_order->push_back(hwnd);
    return DefWindowProcW(hwnd, msg, w, l);
  };
  RegisterClassW(&wc);
  HWND parent =
      CreateWindowExW(0, u"DestroyOrder", u"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
  HWND child =
      CreateWindowExW(0, u"DestroyOrder", u"", WS_CHILD, 0, 0, 9, 9, parent, nullptr, nullptr, nullptr);
  HWND grandchild =
      CreateWindowExW(0, u"DestroyOrder", u"", WS_CHILD, 0, 0, 9, 9, child, nullptr, nullptr, nullptr);
  ASSERT_TRUE(DestroyWindow(parent));
  EXPECT_EQ((std::vector<HWND>{parent, child, grandchild}), order);
  for (HWND h : order) EXPECT_FALSE(IsWindow(h));
}

}  // namespace
