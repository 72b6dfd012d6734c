// Top-level windows created with a parent but without WS_CHILD: owned popups such as a modal
// dialog. They answer GetParent and GW_OWNER with their owner, stay above it, take input while it
// is disabled, are not clipped into it, and go when it is destroyed.
#include "tests/platform/user/UserTestSupport.h"
#include "platform/user/UserHooks.h"

#include <gtest/gtest.h>

#include <vector>

using namespace usertest;

namespace {

class OwnedWindowTest : public UserTest {
 protected:
  HWND Make(DWORD style, int x, int y, int w, int h, HWND parent = nullptr) {
    return CreateWindowExW(0, kClass, u"", style | WS_VISIBLE, x, y, w, h, parent, nullptr, nullptr,
                           &m_recorder);
  }
  // Top-level windows from the top, as GW_HWNDFIRST/GW_HWNDNEXT walk them.
  std::vector<HWND> ZOrder(HWND any) {
    std::vector<HWND> down;
    for (HWND h = GetWindow(any, GW_HWNDFIRST); h != nullptr; h = GetWindow(h, GW_HWNDNEXT))
      down.push_back(h);
    return down;
  }

  Recorder m_recorder;
};

TEST_F(OwnedWindowTest, ParentAndOwnerAnswerAsOnCe) {
  HWND owner = Make(WS_POPUP, 0, 0, 200, 200);
  HWND child = Make(WS_CHILD, 10, 10, 50, 50, owner);
  HWND popup = Make(WS_POPUP, 300, 20, 80, 40, owner);
  HWND fromChild = Make(WS_POPUP, 0, 0, 10, 10, child);  // owned by the child's top-level window
  struct Case {
    const char* what;
    HWND hwnd;
    HWND parent;
    HWND owner;
    RECT screen;
  } cases[] = {
      {"a top-level window", owner, nullptr, nullptr, {0, 0, 200, 200}},
      {"a child", child, owner, nullptr, {10, 10, 60, 60}},
      {"a popup given a parent", popup, owner, owner, {300, 20, 380, 60}},
      {"a popup given a child", fromChild, owner, owner, {0, 0, 10, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.parent, GetParent(c.hwnd));
    EXPECT_EQ(c.owner, GetWindow(c.hwnd, GW_OWNER));
    RECT r;
    ASSERT_TRUE(GetWindowRect(c.hwnd, &r));
    EXPECT_TRUE(EqualRect(&c.screen, &r)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
  EXPECT_EQ(child, GetWindow(owner, GW_CHILD));
  EXPECT_EQ(nullptr, GetWindow(child, GW_HWNDNEXT)) << "the popups are not the owner's children";
  EXPECT_EQ((std::vector<HWND>{fromChild, popup, owner}), ZOrder(owner));
}

TEST_F(OwnedWindowTest, PopupOfADisabledOwnerTakesTheClickEvenOutsideTheOwner) {
  HWND owner = Make(WS_POPUP, 0, 0, 200, 200);
  HWND dialog = Make(WS_POPUP, 150, 50, 100, 100, owner);
  EnableWindow(owner, FALSE);  // as a modal run disables the window under its dialog
  EXPECT_TRUE(IsWindowEnabled(dialog));
  struct Case {
    const char* what;
    POINT pt;
    HWND expected;
  } cases[] = {
      {"inside the owner", {160, 60}, dialog},
      {"beyond the owner's edge: not clipped", {240, 140}, dialog},
      {"the disabled owner", {20, 20}, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, WindowFromPoint(c.pt)) << c.what;

  ASSERT_TRUE(wce::InjectMouse(WM_LBUTTONDOWN, 240, 140, 500));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(dialog, msg.hwnd);
  EXPECT_EQ(static_cast<UINT>(WM_LBUTTONDOWN), msg.message);
  EXPECT_EQ(MAKELPARAM(90, 90), msg.lParam);
  EXPECT_EQ(nullptr, SetActiveWindow(dialog));
  EXPECT_EQ(dialog, GetActiveWindow()) << "the popup is active itself, not its owner";
}

TEST_F(OwnedWindowTest, OwnedPopupsStayAboveTheirOwner) {
  HWND owner = Make(WS_POPUP, 0, 0, 100, 100);
  HWND dialog = Make(WS_POPUP, 0, 0, 50, 50, owner);
  HWND inner = Make(WS_POPUP, 0, 0, 20, 20, dialog);  // a modal dialog opened from a modal dialog
  HWND other = Make(WS_POPUP, 0, 0, 100, 100);
  ASSERT_EQ((std::vector<HWND>{other, inner, dialog, owner}), ZOrder(owner));
  const HWND w[] = {owner, dialog, inner, other};
  struct Case {
    const char* what;
    HWND hwnd;
    HWND after;
    std::vector<int> expected;  // 0..3: owner, dialog, inner, other; from the top
  } cases[] = {
      {"the owner to the top brings its popups along", owner, HWND_TOP, {2, 1, 0, 3}},
      {"a popup sent to the bottom stops above its owner", dialog, HWND_BOTTOM, {2, 1, 0, 3}},
      {"another window on top", other, HWND_TOP, {3, 2, 1, 0}},
      {"the owner under another window keeps its popups on it", owner, other, {3, 2, 1, 0}},
      {"the middle popup to the top brings its own popup, not its owner", dialog, HWND_TOP, {2, 1, 3, 0}},
      {"the owner to the bottom", owner, HWND_BOTTOM, {3, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SetWindowPos(c.hwnd, c.after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE)) << c.what;
    std::vector<HWND> expected;
    for (int i : c.expected) expected.push_back(w[i]);
    EXPECT_EQ(expected, ZOrder(owner)) << c.what;
  }
}

TEST_F(OwnedWindowTest, DestroyingTheOwnerDestroysItsPopupsFirst) {
  HWND owner = Make(WS_POPUP, 0, 0, 100, 100);
  HWND dialog = Make(WS_POPUP, 0, 0, 50, 50, owner);
  HWND inner = Make(WS_POPUP, 0, 0, 20, 20, dialog);
  ASSERT_TRUE(DestroyWindow(owner));
  std::vector<HWND> order;
  for (const Seen& s : m_recorder.Of(WM_DESTROY)) order.push_back(s.hwnd);
  EXPECT_EQ((std::vector<HWND>{inner, dialog, owner}), order);
  for (HWND h : {owner, dialog, inner}) EXPECT_FALSE(IsWindow(h));
}

}  // namespace
