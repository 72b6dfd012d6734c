// A real window run modally: DoModal creates it, runs its own message loop through the input
// filter until EndDialog (or WM_QUIT), then hides and destroys the window and answers the result.
// Modal runs nest: a dialog that runs another from a handler waits in the inner loop, disabled when
// it is the inner one's parent.
#pragma once

#include "wceui/core/CRealWnd.h"

// m_DlgRunWay: inside DoModal's loop, or not running.
constexpr int DLG_RUN_IN_MODAL = 2;
constexpr int DLG_RUN_NONE = 3;

// The result of a run that EndDialog never ended.
constexpr int kRealDlgNoResult = -1;

// The UI thread's modal loop: every message through the framework's input filter, then dispatched,
// until *pbEnd is set (checked before each wait) or WM_QUIT arrives.
void WceUiRunModalLoop(const BOOL* pbEnd);

class CRealDlg : public CRealWnd {
 public:
  CRealDlg();
  ~CRealDlg() override;

  // The window is created with this style and rectangle under the parent, which stays disabled for
  // the run when it was enabled. Returns EndDialog's result, or the current one when WM_QUIT ends
  // the loop or the window cannot be created.
  virtual int DoModal(DWORD dwStyle, LPCRECT lpRect, HWND hWndParent);
  // Runs once the window exists, before the loop; an EndDialog here ends the run without a loop.
  virtual void OnInitDialog();

  // FALSE, changing nothing, outside a modal run or without a window.
  BOOL EndDialog(int nResult);

  int GetRunWay() const { return m_DlgRunWay; }
  int GetResult() const { return m_nResult; }

 private:
  int m_nResult = kRealDlgNoResult;
  BOOL m_bEnd = 0;
  int m_DlgRunWay = DLG_RUN_NONE;
};

WCEUI_DYNCREATE_BEGIN(CRealDlg, CRealWnd)
WCEUI_DYNCREATE_END(CRealDlg)
