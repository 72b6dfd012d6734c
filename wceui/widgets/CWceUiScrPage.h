// The track of a scroll bar: a press beside the thumb pages toward the press, or (click="pos")
// puts the thumb at the press.
//   <page type="CWceUiScrPage" click="pos" readonly="false"/>
#pragma once

#include "wceui/core/CWceUiLayer.h"

class CWceUiScroll;

// What a press on the track does.
enum WceUiScrPageClick : int {
  kWceUiScrPageStep = 1,  // one page toward the press
  kWceUiScrPageJump = 2,  // the thumb to the press
};

class CWceUiScrPage : public CWceUiLayer {
 public:
  CWceUiScrPage();
  ~CWceUiScrPage() override;

  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;

  int GetDirection() const { return m_nDirection; }
  int GetClickMode() const { return m_nClickMode; }
  BOOL IsReadOnly() const { return m_bReadOnly; }

 private:
  CWceUiScroll* GetBar();

  int m_nDirection = 3;
  int m_nClickMode = kWceUiScrPageStep;
  BOOL m_bReadOnly = 0;
  CWceUiScroll* m_pBar = nullptr;
};

WCEUI_DYNCREATE_BEGIN(CWceUiScrPage, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceUiScrPage)
