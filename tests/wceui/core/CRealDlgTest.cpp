// Modal runs: DoModal's order (parent disabled, create, init, loop through the input filter, hide,
// parent enabled, destroy), EndDialog and WM_QUIT as the ends of a run, runs nested two deep, and a
// run whose window cannot be created.
#include "tests/wceui/core/RealWndProbe.h"
#include "wceui/core/CXiWndHelper.h"
#include "platform/user/UserHooks.h"

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const RECT kDlgRect = {0, 0, 100, 80};
constexpr DWORD kShownPopup = WS_POPUP | WS_VISIBLE;

class CRealDlgTest : public RealWndTestRoot {
 protected:
  // A message the loop must leave alone: it is posted to the thread, not to a dialog.
  static bool ThreadMessageWaits(UINT msg) {
    MSG m = {};
    return ::PeekMessageW(&m, nullptr, msg, msg, PM_REMOVE) && m.message == msg;
  }
};

TEST_F(CRealDlgTest, EndDialogFromOnInitDialogEndsTheRunWithoutALoop) {
  CRecordingRealDlg dlg("dlg");
  dlg.m_fnOnInit = [&] { EXPECT_TRUE(dlg.EndDialog(5)); };
  ASSERT_TRUE(::PostMessageW(nullptr, WM_USER + 9, 0, 0));
  EXPECT_EQ(dlg.DoModal(kShownPopup, &kDlgRect, nullptr), 5);
  EXPECT_TRUE(ThreadMessageWaits(WM_USER + 9));
  EXPECT_EQ(dlg.m_OwnLines,
            (Lines{"dlg: Create 100x80", "dlg: InitDialog alive way 2", "dlg: Destroy alive hidden"}));
  EXPECT_EQ(dlg.Hwnd(), nullptr);
  EXPECT_EQ(dlg.GetRunWay(), DLG_RUN_NONE);
  EXPECT_EQ(WceUiGetGlobals()->GetWndHelper()->GetWndCount(), 0);

  // The end flag stays set after a run; the next run clears it and loops until its own end.
  dlg.m_OwnLines.clear();
  dlg.m_fnOnInit = [&] { EXPECT_TRUE(dlg.PostMessage(WM_USER + 1, 0, 0)); };
  dlg.m_fnOnOther = [&](UINT, WPARAM) { EXPECT_TRUE(dlg.EndDialog(6)); };
  EXPECT_EQ(dlg.DoModal(kShownPopup, &kDlgRect, nullptr), 6);
  EXPECT_EQ(dlg.m_OwnLines, (Lines{"dlg: Create 100x80", "dlg: InitDialog alive way 2", "dlg: Def 1 0",
                                   "dlg: Destroy alive hidden"}));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CRealDlgTest, QuitEndsTheRunWithTheCurrentResultAndGivesTheParentBack) {
  CRecordingRealWnd parent("parent");
  ASSERT_TRUE(parent.Create(kShownPopup, &kDlgRect, nullptr));
  struct QuitCase {
    const char* m_pszWhat;
    int m_nEarlierEnd;  // -1: no earlier run
    int m_nExpected;
  };
  const QuitCase cases[] = {
      {"a dialog never ended", -1, kRealDlgNoResult},
      {"a dialog ended by an earlier run", 4, 4},
  };
  for (const QuitCase& c : cases) {
    CRecordingRealDlg dlg("dlg");
    if (c.m_nEarlierEnd != -1) {
      dlg.m_fnOnInit = [&] { dlg.EndDialog(c.m_nEarlierEnd); };
      dlg.DoModal(kShownPopup, &kDlgRect, nullptr);
      dlg.m_OwnLines.clear();
    }
    dlg.m_fnOnInit = [&] {
      EXPECT_FALSE(::IsWindowEnabled(parent.Hwnd())) << c.m_pszWhat;
      ::PostQuitMessage(0);
    };
    EXPECT_EQ(dlg.DoModal(kShownPopup, &kDlgRect, parent.Hwnd()), c.m_nExpected) << c.m_pszWhat;
    EXPECT_EQ(dlg.m_OwnLines, (Lines{"dlg: Create 100x80", "dlg: InitDialog alive way 2",
                                     "dlg: Destroy alive hidden parent-enabled"}))
        << c.m_pszWhat;
    EXPECT_TRUE(::IsWindowEnabled(parent.Hwnd())) << c.m_pszWhat;
    EXPECT_EQ(dlg.Hwnd(), nullptr) << c.m_pszWhat;
  }
}

TEST_F(CRealDlgTest, FailedCreateEndsTheRunAtOnceWithTheParentEnabledAgain) {
  CRecordingRealWnd parent("parent");
  ASSERT_TRUE(parent.Create(kShownPopup, &kDlgRect, nullptr));
  struct FailCase {
    const char* m_pszWhat;
    HWND m_hParent;
    int m_nEarlierEnd;  // -1: no earlier run
    int m_nExpected;
    std::string m_strDestroyLine;
  };
  const FailCase cases[] = {
      {"no parent, never ended", nullptr, -1, kRealDlgNoResult, "dlg: Destroy alive shown"},
      {"a parent, never ended", parent.Hwnd(), -1, kRealDlgNoResult,
       "dlg: Destroy alive shown parent-disabled"},
      {"a parent, ended by an earlier run", parent.Hwnd(), 8, 8, "dlg: Destroy alive shown parent-disabled"},
  };
  for (const FailCase& c : cases) {
    CRecordingRealDlg dlg("dlg");
    if (c.m_nEarlierEnd != -1) {
      dlg.m_fnOnInit = [&] { dlg.EndDialog(c.m_nEarlierEnd); };
      dlg.DoModal(kShownPopup, &kDlgRect, nullptr);
    }
    dlg.m_OwnLines.clear();
    dlg.m_nCreateResult = -1;
    ClearLog();
    // Were the run to wait for messages, this would end it; it must still be queued afterwards.
    ::PostQuitMessage(0);
    EXPECT_EQ(dlg.DoModal(kShownPopup, &kDlgRect, c.m_hParent), c.m_nExpected) << c.m_pszWhat;
    MSG msg = {};
    EXPECT_TRUE(::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT) << c.m_pszWhat;
    // USER destroys the window its WM_CREATE refused; OnInitDialog never runs.
    EXPECT_EQ(dlg.m_OwnLines, (Lines{"dlg: Create 100x80", c.m_strDestroyLine})) << c.m_pszWhat;
    EXPECT_EQ(dlg.GetRunWay(), DLG_RUN_NONE) << c.m_pszWhat;
    EXPECT_TRUE(::IsWindowEnabled(parent.Hwnd())) << c.m_pszWhat;
    EXPECT_EQ(Messages(), (Lines{"error: CreateWindow failed, GetLastError is 31",
                                 "error: call CRealWnd::Create failed, GetLastError is 31"}))
        << c.m_pszWhat;
  }
}

TEST_F(CRealDlgTest, ADisabledParentStaysDisabledAfterTheRun) {
  CRecordingRealWnd parent("parent");
  ASSERT_TRUE(parent.Create(kShownPopup, &kDlgRect, nullptr));
  ::EnableWindow(parent.Hwnd(), FALSE);
  CRecordingRealDlg dlg("dlg");
  dlg.m_fnOnInit = [&] { dlg.EndDialog(1); };
  EXPECT_EQ(dlg.DoModal(kShownPopup, &kDlgRect, parent.Hwnd()), 1);
  EXPECT_FALSE(::IsWindowEnabled(parent.Hwnd()));
}

TEST_F(CRealDlgTest, RunsNestTwoDeepWithTheLowerDialogDisabled) {
  Lines lines;
  CRecordingRealDlg lower("lower");
  CRecordingRealDlg upper("upper");
  lower.m_pLines = upper.m_pLines = &lines;
  const RECT lowerRect = {0, 0, 200, 100};
  const RECT upperRect = {20, 20, 80, 60};
  // A point of the lower dialog that the upper one does not cover.
  const POINT onLower = {150, 50};
  lower.m_fnOnInit = [&] { lower.PostMessage(WM_USER + 1, 0, 0); };
  lower.m_fnOnOther = [&](UINT msg, WPARAM) {
    if (msg == WM_USER + 1) {
      int nResult = upper.DoModal(kShownPopup, &upperRect, lower.Hwnd());
      lower.Line("upper returned " + std::to_string(nResult) +
                 (::IsWindowEnabled(lower.Hwnd()) ? " lower enabled" : " lower disabled") +
                 (upper.Hwnd() == nullptr ? " upper gone" : " upper alive"));
      EXPECT_TRUE(wce::InjectMouse(WM_LBUTTONDOWN, onLower.x, onLower.y, ::GetTickCount()));
    } else if (msg == WM_USER + 2) {
      // Reached through the upper dialog's loop, which serves the whole thread.
      EXPECT_TRUE(upper.EndDialog(7));
    }
  };
  upper.m_fnOnInit = [&] {
    upper.Line(std::string(::IsWindowEnabled(lower.Hwnd()) ? "lower enabled" : "lower disabled") +
               (wce::InjectMouse(WM_LBUTTONDOWN, onLower.x, onLower.y, ::GetTickCount())
                    ? ", press taken"
                    : ", press refused"));
    lower.PostMessage(WM_USER + 2, 0, 0);
  };
  lower.m_fnOnLButtonDown = [&](int, int) { EXPECT_TRUE(lower.EndDialog(3)); };

  EXPECT_EQ(lower.DoModal(kShownPopup, &lowerRect, nullptr), 3);
  EXPECT_EQ(lines, (Lines{
                       "lower: Create 200x100",
                       "lower: InitDialog alive way 2",
                       "lower: Def 1 0",
                       "upper: Create 60x40",
                       "upper: InitDialog alive way 2",
                       "upper: lower disabled, press refused",
                       "lower: Def 2 0",
                       "upper: Destroy alive hidden parent-enabled",
                       "lower: upper returned 7 lower enabled upper gone",
                       "lower: LButtonDown 1 150 50",
                       "lower: Destroy alive hidden",
                   }));
  EXPECT_EQ(WceUiGetGlobals()->GetWndHelper()->GetWndCount(), 0);
}

TEST_F(CRealDlgTest, TheLoopDropsInputStampedBeforeTheEndOfATransition) {
  CRecordingRealDlg dlg("dlg");
  constexpr DWORD kTransitionEnd = 5000;
  dlg.m_fnOnInit = [&] {
    WceUiGetGlobals()->GetIgnoreMsg()->AddHwndTime(dlg.Hwnd(), kTransitionEnd);
    // Touches that happened while the transition ran, then one after it.
    EXPECT_TRUE(wce::InjectMouse(WM_LBUTTONDOWN, 30, 30, kTransitionEnd - 10));
    EXPECT_TRUE(wce::InjectMouse(WM_MOUSEMOVE, 31, 31, kTransitionEnd - 5));
    EXPECT_TRUE(wce::InjectMouse(WM_LBUTTONUP, 31, 31, kTransitionEnd));
    EXPECT_TRUE(wce::InjectMouse(WM_LBUTTONDOWN, 32, 33, kTransitionEnd + 1));
  };
  dlg.m_fnOnLButtonDown = [&](int, int) { dlg.EndDialog(1); };
  EXPECT_EQ(dlg.DoModal(kShownPopup, &kDlgRect, nullptr), 1);
  EXPECT_EQ(dlg.m_OwnLines, (Lines{"dlg: Create 100x80", "dlg: InitDialog alive way 2",
                                   "dlg: LButtonDown 1 32 33", "dlg: Destroy alive hidden"}));
  EXPECT_EQ(dlg.m_DownTimes, (std::vector<DWORD>{kTransitionEnd + 1}));
}

TEST_F(CRealDlgTest, EndDialogOutsideARunChangesNothing) {
  struct EndCase {
    const char* m_pszWhat;
    bool m_bCreated;
    Lines m_Lines;
  };
  const EndCase cases[] = {
      {"no window",
       false,
       {"error: CRealDlg::EndDialog,check(DLG_RUN_IN_MODAL == m_DlgRunWay)fail",
        "error: CRealDlg::EndDialog,check(::IsWindow(m_hWnd))fail"}},
      {"a window outside DoModal",
       true,
       {"error: CRealDlg::EndDialog,check(DLG_RUN_IN_MODAL == m_DlgRunWay)fail"}},
  };
  for (const EndCase& c : cases) {
    CRealDlg dlg;
    if (c.m_bCreated) {
      ASSERT_TRUE(dlg.Create(kShownPopup, &kDlgRect, nullptr)) << c.m_pszWhat;
    }
    ClearLog();
    EXPECT_FALSE(dlg.EndDialog(2)) << c.m_pszWhat;
    EXPECT_EQ(dlg.GetResult(), kRealDlgNoResult) << c.m_pszWhat;
    EXPECT_EQ(dlg.GetRunWay(), DLG_RUN_NONE) << c.m_pszWhat;
    EXPECT_EQ(Messages(), c.m_Lines) << c.m_pszWhat;
    if (c.m_bCreated) ::DestroyWindow(dlg.GetSafeHwnd());
  }
}

TEST_F(CRealDlgTest, RunWithoutTheInstanceLogsAndGoesOn) {
  WceUiGetGlobals()->GetGlobalData()->SetInstance(nullptr);
  CRecordingRealDlg dlg("dlg");
  dlg.m_fnOnInit = [&] { dlg.EndDialog(9); };
  EXPECT_EQ(dlg.DoModal(kShownPopup, &kDlgRect, nullptr), 9);
  EXPECT_EQ(
      Messages(),
      (Lines{"error:   ::DoModal, WceUiGetInstanceHandle() return NULL, call WceUiInit first",
             "error: CXiWndHelper::RegisterClassOnce, WceUiGetInstanceHandle() return NULL, call WceUiInit "
             "first"}));
}

TEST_F(CRealDlgTest, ClassesAreKnownToTheRegistry) {
  struct KindCase {
    LPCWSTR m_pszName;
    bool m_bCreatable;
  };
  const KindCase cases[] = {{u"CRealGenericWnd", false}, {u"CRealWnd", true}, {u"CRealDlg", true}};
  for (const KindCase& c : cases) {
    CWceUiObject* pObject = WceUiCreateObject(c.m_pszName);
    EXPECT_EQ(pObject != nullptr, c.m_bCreatable);
    if (pObject != nullptr) {
      EXPECT_EQ(std::u16string(pObject->GetClassName()), std::u16string(c.m_pszName));
      EXPECT_TRUE(pObject->IsKindOf(u"CRealGenericWnd"));
      delete pObject;
    }
  }
  CRealDlg dlg;
  EXPECT_TRUE(dlg.IsKindOf(u"CRealWnd"));
  EXPECT_TRUE(dlg.IsKindOf(u"CWceUiObject"));
}

}  // namespace
