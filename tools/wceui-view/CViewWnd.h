// The real window of wceui-view: the framework's UI real window that, once its dialog runs, is told
// by a message of its own to show what the dialog drew, and that ends the dialog on Escape when it
// is shown in the desktop window.
#pragma once

#include "wceui/core/CWceUiRealWnd.h"

#include <functional>

class CViewWnd : public CWceUiRealWnd {
 public:
  // Posted before the dialog's modal run begins, so it arrives once the run is in its loop, after
  // the opening transition.
  static constexpr UINT kShownMsg = WM_USER + 0x301;

  // Runs inside the dialog's loop with the dialog drawn; the run ends when it returns FALSE.
  std::function<BOOL()> m_fnOnShown;

  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;

 private:
  void EndTopDlg();
};
