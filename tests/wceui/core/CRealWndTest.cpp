// Real windows: the framework's window class, the handle map, the dispatch of messages to the
// object's virtual handlers, the create and destroy order, and the guarded wrappers.
#include "platform/kernel/wcestr.h"
#include "platform/user/UserHooks.h"
#include "tests/wceui/core/RealWndProbe.h"
#include "wceui/core/CXiWndHelper.h"

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const RECT kRect = {10, 20, 110, 100};

class CRealWndTest : public RealWndTestRoot {
 protected:
  CXiWndHelper* Helper() { return WceUiGetGlobals()->GetWndHelper(); }
};

TEST_F(CRealWndTest, CreateAndDestroyReachTheObjectInOrderAndTheMapHoldsItOnlyBetween) {
  CRecordingRealWnd wnd;
  EXPECT_EQ(wnd.Hwnd(), nullptr);
  ASSERT_TRUE(wnd.Create(WS_POPUP | WS_VISIBLE, &kRect, nullptr));
  HWND hWnd = wnd.Hwnd();
  ASSERT_NE(hWnd, nullptr);
  EXPECT_EQ(wnd.m_pCreateParam, static_cast<const void*>(&wnd));
  EXPECT_EQ(Helper()->FromHandle(hWnd), &wnd);
  EXPECT_EQ(Helper()->GetWndCount(), 1);
  RECT rc = {};
  ASSERT_TRUE(::GetWindowRect(hWnd, &rc));
  EXPECT_TRUE(::EqualRect(&rc, &kRect));
  EXPECT_EQ(::FindWindowW(u"WceUiWnd", nullptr), hWnd);

  ASSERT_TRUE(::DestroyWindow(hWnd));
  // OnDestroy still sees its handle and a live window; afterwards both are gone.
  EXPECT_EQ(wnd.m_OwnLines, (Lines{"wnd: Create 100x80", "wnd: Destroy alive shown"}));
  EXPECT_EQ(wnd.m_hWndSeenAtDestroy, hWnd);
  EXPECT_EQ(wnd.Hwnd(), nullptr);
  EXPECT_EQ(Helper()->FromHandle(hWnd), nullptr);
  EXPECT_EQ(Helper()->GetWndCount(), 0);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CRealWndTest, RefusedCreationLogsTheErrorAndLeavesNoWindow) {
  CRecordingRealWnd wnd;
  wnd.m_nCreateResult = -1;
  EXPECT_FALSE(wnd.Create(WS_POPUP | WS_VISIBLE, &kRect, nullptr));
  EXPECT_EQ(wnd.Hwnd(), nullptr);
  EXPECT_EQ(Helper()->GetWndCount(), 0);
  EXPECT_EQ(::FindWindowW(u"WceUiWnd", nullptr), nullptr);
  EXPECT_EQ(Messages(), (Lines{"error: CreateWindow failed, GetLastError is 31"}));
}

TEST_F(CRealWndTest, WindowClassIsRegisteredOnceUnderTheConfiguredName) {
  EXPECT_EQ(std::u16string(WceUiSetWndClassName(u"CorvaneRootWnd")), u"CorvaneRootWnd");
  EXPECT_FALSE(Helper()->IsRegistered());
  CRealWnd first;
  CRealWnd second;
  ASSERT_TRUE(first.Create(WS_POPUP, &kRect, nullptr));
  EXPECT_TRUE(Helper()->IsRegistered());
  ASSERT_TRUE(second.Create(WS_POPUP, &kRect, nullptr));
  EXPECT_EQ(::FindWindowW(u"CorvaneRootWnd", nullptr), first.GetSafeHwnd());
  EXPECT_EQ(::FindWindowW(u"WceUiWnd", nullptr), nullptr);
  // A name longer than USER keeps is cut, with a line, and still names the class everywhere.
  ::DestroyWindow(first.GetSafeHwnd());
  ::DestroyWindow(second.GetSafeHwnd());
  WceUiGetGlobals()->Reset();
  wce::ResetUser();
  WceUiGetGlobals()->GetGlobalData()->SetInstance(kInstance);
  std::u16string longName(300, u'W');
  EXPECT_EQ(wcslen(WceUiSetWndClassName(longName.c_str())), 255u);
  CRealWnd third;
  ASSERT_TRUE(third.Create(WS_POPUP, &kRect, nullptr));
  EXPECT_EQ(::FindWindowW(longName.substr(0, 255).c_str(), nullptr), third.GetSafeHwnd());
  EXPECT_EQ(Messages(),
            (Lines{"warning:   ::WceUiSetWndClassName, the class name is cut to 255 characters"}));
}

TEST_F(CRealWndTest, WithoutTheInstanceTheRegistrationLogsOnceAndGoesOn) {
  WceUiGetGlobals()->GetGlobalData()->SetInstance(nullptr);
  CRealWnd first;
  CRealWnd second;
  EXPECT_TRUE(first.Create(WS_POPUP, &kRect, nullptr));
  EXPECT_TRUE(second.Create(WS_POPUP, &kRect, nullptr));
  EXPECT_EQ(Messages(),
            (Lines{"error: CXiWndHelper::RegisterClassOnce, WceUiGetInstanceHandle() return NULL, "
                   "call WceUiInit first"}));
}

struct DispatchCase {
  const char* m_pszWhat;
  UINT m_nMsg;
  WPARAM m_wParam;
  LPARAM m_lParam;
  std::string m_strLine;  // empty: no handler line
  LRESULT m_nResult;
};

TEST_F(CRealWndTest, EachMessageReachesItsVirtualHandlerWithItsArgumentsUnpacked) {
  CRecordingRealWnd wnd;
  ASSERT_TRUE(wnd.Create(WS_POPUP | WS_VISIBLE, &kRect, nullptr));
  HWND hWnd = wnd.Hwnd();
  const DispatchCase cases[] = {
      {"press", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 7), "LButtonDown 1 5 7", 0},
      {"release with negative coordinates", WM_LBUTTONUP, 0, MAKELPARAM(-3, -40000 + 65536),
       "LButtonUp 0 -3 25536", 0},
      {"move", WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-1, 2), "MouseMove 1 -1 2", 0},
      {"double click", WM_LBUTTONDBLCLK, 0, MAKELPARAM(9, 8), "LButtonDblClk 0 9 8", 0},
      {"key down", WM_KEYDOWN, VK_LEFT, MAKELPARAM(3, 0x1234), "KeyDown 37 3 4660", 0},
      {"key up", WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001u), "KeyUp 13 1 49152", 0},
      {"timer", WM_TIMER, 42, 0, "Timer 42", 0},
      {"capture to another window", WM_CAPTURECHANGED, 0, 0x5670, "CaptureChanged 22128", 0},
      {"the framework's cancel-capture message", kWceUiCancelCaptureMsg, 1, 2, "CaptureChanged 0", 0},
      {"erase", WM_ERASEBKGND, 0, 0, "EraseBkgnd", TRUE},
      {"anything else goes to DefWindowProc", WM_USER + 5, 6, 0, "Def 5 6", 0},
      {"a message the table ignores", WM_MOVE, 0, 0, "", 0},
  };
  for (const DispatchCase& c : cases) {
    wnd.m_OwnLines.clear();
    EXPECT_EQ(::SendMessageW(hWnd, c.m_nMsg, c.m_wParam, c.m_lParam), c.m_nResult) << c.m_pszWhat;
    Lines expected;
    if (!c.m_strLine.empty()) expected.push_back("wnd: " + c.m_strLine);
    EXPECT_EQ(wnd.m_OwnLines, expected) << c.m_pszWhat;
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CRealWndTest, PaintGetsTheUpdateRectangleAndCloseDestroysTheWindow) {
  CRecordingRealWnd wnd;
  ASSERT_TRUE(wnd.Create(WS_POPUP | WS_VISIBLE, &kRect, nullptr));
  HWND hWnd = wnd.Hwnd();
  ASSERT_TRUE(::ValidateRect(hWnd, nullptr));
  const RECT dirty = {4, 5, 20, 30};
  ASSERT_TRUE(::InvalidateRect(hWnd, &dirty, FALSE));
  wnd.m_OwnLines.clear();
  ASSERT_TRUE(wnd.UpdateWindow());
  EXPECT_EQ(wnd.m_OwnLines, (Lines{"wnd: Paint dc 4,5,20,30"}));
  RECT left = {};
  EXPECT_FALSE(::GetUpdateRect(hWnd, &left, FALSE));

  wnd.m_OwnLines.clear();
  EXPECT_EQ(::SendMessageW(hWnd, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(wnd.m_OwnLines, (Lines{"wnd: Close", "wnd: Destroy alive shown"}));
  EXPECT_FALSE(::IsWindow(hWnd));
  EXPECT_EQ(wnd.Hwnd(), nullptr);
}

TEST_F(CRealWndTest, WindowOfTheClassWithoutAnObjectGetsDefWindowProc) {
  CRealWnd owner;  // registers the class
  ASSERT_TRUE(owner.Create(WS_POPUP, &kRect, nullptr));
  HWND bare = ::CreateWindowExW(0, Helper()->GetClassName(), u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                kInstance, nullptr);
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(Helper()->FromHandle(bare), nullptr);
  EXPECT_EQ(Helper()->GetWndCount(), 1);
  EXPECT_EQ(::SendMessageW(bare, WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(::SendMessageW(bare, WM_CLOSE, 0, 0), 0);  // DefWindowProcW destroys it
  EXPECT_FALSE(::IsWindow(bare));
  EXPECT_TRUE(::IsWindow(owner.GetSafeHwnd()));
  EXPECT_EQ(CXiWndHelper::WndProc(reinterpret_cast<HWND>(0x7770), WM_ERASEBKGND, 0, 0), 1);
}

TEST_F(CRealWndTest, DestructorDestroysAWindowThatStillExists) {
  HWND hWnd = nullptr;
  {
    CRecordingRealWnd wnd;
    ASSERT_TRUE(wnd.Create(WS_POPUP, &kRect, nullptr));
    hWnd = wnd.Hwnd();
  }
  EXPECT_FALSE(::IsWindow(hWnd));
  EXPECT_EQ(Helper()->GetWndCount(), 0);
  EXPECT_EQ(Messages(), (Lines{"warning: warning: call destroy window in destruct"}));
}

TEST_F(CRealWndTest, WrappersActOnTheWindow) {
  CRecordingRealWnd wnd;
  ASSERT_TRUE(wnd.Create(WS_POPUP, &kRect, nullptr));
  HWND hWnd = wnd.Hwnd();
  EXPECT_FALSE(::IsWindowVisible(hWnd));
  EXPECT_FALSE(wnd.ShowWindow(SW_SHOW));  // previously hidden
  EXPECT_TRUE(::IsWindowVisible(hWnd));
  const RECT moved = {1, 2, 31, 42};
  ASSERT_TRUE(wnd.MoveWindow(&moved, FALSE));
  RECT rc = {};
  ASSERT_TRUE(wnd.GetClientRect(&rc));
  EXPECT_EQ(rc.right, 30);
  EXPECT_EQ(rc.bottom, 40);
  ASSERT_TRUE(wnd.MoveWindow(5, 6, 7, 8, FALSE));
  ASSERT_TRUE(::GetWindowRect(hWnd, &rc));
  const RECT expected = {5, 6, 12, 14};
  EXPECT_TRUE(::EqualRect(&rc, &expected));

  wnd.SetWindowText(u"title");
  WCHAR szText[16] = {};
  ::GetWindowTextW(hWnd, szText, 16);
  EXPECT_EQ(std::u16string(szText), u"title");

  // USER's timers fall due on the real clock, not the manual tick: only the calls are checked here;
  // WM_TIMER's way to OnTimer is in the dispatch table.
  EXPECT_EQ(wnd.SetTimer(7, 100000, nullptr), 7u);
  MSG msg = {};
  EXPECT_TRUE(wnd.KillTimer(7));
  EXPECT_FALSE(wnd.KillTimer(7));

  ASSERT_TRUE(wnd.PostMessage(WM_USER + 1, 2, 3));
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, hWnd);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(wnd.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW),
            TRUE);
  EXPECT_FALSE(::IsWindowVisible(hWnd));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CRealWndTest, InvalidationIsNothingWhileItIsTurnedOff) {
  CRealWnd wnd;
  ASSERT_TRUE(wnd.Create(WS_POPUP | WS_VISIBLE, &kRect, nullptr));
  ::ValidateRect(wnd.GetSafeHwnd(), nullptr);
  const RECT dirty = {1, 1, 5, 5};
  RECT rc = {};
  wnd.EnableInvalidate(FALSE);
  EXPECT_FALSE(wnd.InvalidateRect(&dirty, FALSE));
  EXPECT_FALSE(::GetUpdateRect(wnd.GetSafeHwnd(), &rc, FALSE));
  wnd.EnableInvalidate(TRUE);
  EXPECT_TRUE(wnd.InvalidateRect(&dirty, FALSE));
  ASSERT_TRUE(::GetUpdateRect(wnd.GetSafeHwnd(), &rc, FALSE));
  EXPECT_TRUE(::EqualRect(&rc, &dirty));
}

TEST_F(CRealWndTest, WrappersOnADeadWindowLogTheCheckAndAnswerUsersFailure) {
  CRealWnd wnd;  // never created
  RECT rc = {0, 0, 4, 4};
  struct WrapperCase {
    const char* m_pszMethod;
    std::function<LRESULT()> m_fnCall;
    LRESULT m_nExpected;  // USER's own answer for a NULL window
  };
  const WrapperCase cases[] = {
      {"UpdateWindow", [&] { return wnd.UpdateWindow(); }, FALSE},
      // A NULL window posts to the thread, as on CE.
      {"PostMessage", [&] { return wnd.PostMessage(WM_USER, 0, 0); }, TRUE},
      {"MoveWindow", [&] { return wnd.MoveWindow(0, 0, 1, 1, FALSE); }, FALSE},
      {"MoveWindow", [&] { return wnd.MoveWindow(&rc, FALSE); }, FALSE},
      {"SetWindowPos", [&] { return wnd.SetWindowPos(nullptr, 0, 0, 1, 1, SWP_NOZORDER); }, FALSE},
      {"InvalidateRect", [&] { return wnd.InvalidateRect(nullptr, FALSE); }, FALSE},
      {"SetTimer", [&] { return static_cast<LRESULT>(wnd.SetTimer(1, 10, nullptr)); }, 0},
      {"KillTimer", [&] { return wnd.KillTimer(1); }, FALSE},
      {"GetClientRect", [&] { return wnd.GetClientRect(&rc); }, FALSE},
      {"ShowWindow", [&] { return wnd.ShowWindow(SW_SHOW); }, FALSE},
  };
  for (const WrapperCase& c : cases) {
    ClearLog();
    EXPECT_EQ(c.m_fnCall(), c.m_nExpected) << c.m_pszMethod;
    EXPECT_EQ(Messages(), (Lines{std::string("error: CRealGenericWnd::") + c.m_pszMethod +
                                 ",check(::IsWindow(m_hWnd))fail"}))
        << c.m_pszMethod;
  }
  ClearLog();
  wnd.SetWindowText(u"x");
  EXPECT_EQ(Messages(), (Lines{"error: CRealGenericWnd::SetWindowText,check(::IsWindow(m_hWnd))fail",
                               "error: WceUiSetWindowText,check(NULL != hWndCtrl)fail"}));
}

TEST_F(CRealWndTest, NullRectanglesAreCheckedBeforeUse) {
  CRealWnd wnd;
  ASSERT_TRUE(wnd.Create(WS_POPUP, &kRect, nullptr));
  EXPECT_FALSE(wnd.MoveWindow(nullptr, FALSE));
  EXPECT_FALSE(wnd.GetClientRect(nullptr));
  EXPECT_EQ(Messages(), (Lines{"error: CRealGenericWnd::MoveWindow,check(NULL != lpRect)fail",
                               "error: CRealGenericWnd::GetClientRect,check(NULL != lpRect)fail"}));
}

TEST_F(CRealWndTest, SetWindowTextKeepsAnEqualTextAndSetsAnyOther) {
  CRealWnd wnd;
  ASSERT_TRUE(wnd.Create(WS_POPUP, &kRect, nullptr));
  HWND hWnd = wnd.GetSafeHwnd();
  const std::u16string longText(300, u'a');
  std::u16string longOther = longText;
  longOther[299] = u'b';
  struct TextCase {
    const char* m_pszWhat;
    std::u16string m_strText;
  };
  const TextCase cases[] = {
      {"a new text", u"one"},
      {"the same text", u"one"},
      {"a text of the same length", u"two"},
      {"an empty text", u""},
      {"a text past the compared 255 characters", longText},
      {"one that differs only past them", longOther},
  };
  for (const TextCase& c : cases) {
    EXPECT_TRUE(WceUiSetWindowText(hWnd, c.m_strText.c_str())) << c.m_pszWhat;
    std::u16string shown(400, u'\0');
    shown.resize(::GetWindowTextW(hWnd, shown.data(), 400));
    EXPECT_EQ(shown, c.m_strText) << c.m_pszWhat;
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CRealWndTest, SetWindowTextOnAWindowThatIsGoneFailsWhateverTheText) {
  CRealWnd gone;
  ASSERT_TRUE(gone.Create(WS_POPUP, &kRect, nullptr));
  HWND hGone = gone.GetSafeHwnd();
  ASSERT_TRUE(::DestroyWindow(hGone));
  CRealWnd never;  // no window ever
  struct GoneCase {
    const char* m_pszWhat;
    std::function<BOOL()> m_fnCall;
  };
  const GoneCase cases[] = {
      // An empty text has the length of the nothing a dead window shows: it must not pass for equal.
      {"empty, destroyed", [&] { return WceUiSetWindowText(hGone, u""); }},
      {"empty, through the object", [&] { return gone.SetWindowText(u""); }},
      {"empty, never created", [&] { return never.SetWindowText(u""); }},
      {"a text, destroyed", [&] { return WceUiSetWindowText(hGone, u"x"); }},
  };
  for (const GoneCase& c : cases) {
    ::SetLastError(0);
    EXPECT_FALSE(c.m_fnCall()) << c.m_pszWhat;
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE)) << c.m_pszWhat;
  }
}

}  // namespace
