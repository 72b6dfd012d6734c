// A long-press button: held for 1100 ms it clicks at that moment and the release adds nothing;
// released sooner inside it, it clicks on the release. Leaving it while held gives up the long
// press, not the click on a release inside. It keeps its look while pressed.
#pragma once

#include "wceui/widgets/CWceUiButton.h"

constexpr WORD kWceTimerChkBtnTimerId = 85;
constexpr UINT kWceTimerChkBtnHoldMs = 1100;

class CWceTimerChkBtn : public CWceUiButton {
 public:
  CWceTimerChkBtn();
  ~CWceTimerChkBtn() override;

  void OnTimer(WORD nTimerId) override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;

 protected:
  // As the check button's: nothing sets them.
  int m_bKeepDown = 0;
  int m_bChangeLook = 0;
};

WCEUI_DYNCREATE_BEGIN(CWceTimerChkBtn, CWceUiButton)
WCEUI_DYNCREATE_END(CWceTimerChkBtn)
