// The phone pop-up that the head unit's other programs open and close with registered messages.
// The root window runs it modally (one at a time); it ends on their hide request, on the quit
// request, or on its close button. UI thread only.
#pragma once

#include "app/CClickGuard.h"

#include "wceui/core/CWceUiDlg.h"

class CPhoneDlg : public CWceUiDlg {
 public:
  CPhoneDlg();
  ~CPhoneDlg() override;

  LRESULT OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
  void OnChildClick(CWceUiLayer* pChild) override;
  void OnInitDialog() override;

  // Tests: the next tap is accepted whenever it comes.
  static void ResetClickGuard() { s_clickGuard.Reset(); }

 private:
  // Kept across pop-ups: a double tap that closes one must not close the next one at once.
  static CClickGuard s_clickGuard;
};

WCEUI_DYNCREATE_BEGIN(CPhoneDlg, CWceUiDlg)
WCEUI_DYNCREATE_END(CPhoneDlg)
