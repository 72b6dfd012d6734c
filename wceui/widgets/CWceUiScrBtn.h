// An arrow button of a scroll bar, its role taken from its layer name ("up", "down", "left",
// "right"). A held arrow steps at once, again after 500 ms and then every 60 ms.
//   <up type="CWceUiScrBtn" name="up" step="page" style="arrow" down.style="arrow_down"/>
#pragma once

#include "wceui/core/CWceUiLayer.h"
#include "wceui/widgets/WceUiStyleName.h"

class CWceUiScroll;

class CWceUiScrBtn : public CWceUiLayer {
 public:
  static constexpr WORD kRepeatTimer = 1;
  static constexpr UINT kFirstRepeatMs = 500;
  static constexpr UINT kRepeatMs = 60;

  CWceUiScrBtn();
  ~CWceUiScrBtn() override;

  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnTimer(WORD nTimerId) override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnLoseCapture() override;

  int GetStep() const { return m_nStep; }
  int GetRole() const { return m_nRole; }
  BOOL IsPressed() const { return m_bPressed; }
  // With it set, a press paints the window at once instead of at its next paint.
  void SetRedrawAtOnce(BOOL bRedrawAtOnce) { m_bRedrawAtOnce = bRedrawAtOnce; }

 private:
  CWceUiScroll* GetBar();
  void Step();
  void Release();

  WCHAR m_szNormalStyle[kWceUiStyleNameChars] = {};
  WCHAR m_szDownStyle[kWceUiStyleNameChars] = {};
  int m_nStep = 1;
  BOOL m_bPressed = 0;
  int m_nRole = 5;
  BOOL m_bFirstRepeat = 0;
  BOOL m_bRepeating = 0;
  CWceUiScroll* m_pBar = nullptr;
  BOOL m_bRedrawAtOnce = 0;
};

WCEUI_DYNCREATE_BEGIN(CWceUiScrBtn, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceUiScrBtn)
