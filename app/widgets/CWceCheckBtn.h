// A button that clicks on release inside it and keeps its look while pressed.
#pragma once

#include "wceui/widgets/CWceUiButton.h"

class CWceCheckBtn : public CWceUiButton {
 public:
  CWceCheckBtn();
  ~CWceCheckBtn() override;

  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT /*nFlags*/, int /*x*/, int /*y*/) override {}

 protected:
  // The look follows the press only while m_bChangeLook is set, and m_bKeepDown keeps the down look
  // after the release. Nothing sets them: both buttons of the program keep one look.
  int m_bKeepDown = 0;
  int m_bChangeLook = 0;
};

WCEUI_DYNCREATE_BEGIN(CWceCheckBtn, CWceUiButton)
WCEUI_DYNCREATE_END(CWceCheckBtn)
