// A grouping layer: what it is given by the finger goes on to its parent, and the clicks of its
// children go on to its owner, so a group of buttons behaves as if it were not there.
#pragma once

#include "wceui/core/CWceUiLayer.h"

class CWceUiContainer : public CWceUiLayer {
 public:
  CWceUiContainer();
  ~CWceUiContainer() override;

  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;
  void OnChildClick(CWceUiLayer* pChild) override;
};

WCEUI_DYNCREATE_BEGIN(CWceUiContainer, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceUiContainer)
