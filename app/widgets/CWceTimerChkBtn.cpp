#include "app/widgets/CWceTimerChkBtn.h"

#include "engine/CorvaneEngine.h"

CWceTimerChkBtn::CWceTimerChkBtn() {
  SetClassName(WCEUI_CLASS_NAME(CWceTimerChkBtn));
}

CWceTimerChkBtn::~CWceTimerChkBtn() = default;

void CWceTimerChkBtn::OnLButtonDown(UINT /*nFlags*/, int /*x*/, int /*y*/) {
  BeginPress();
  if (m_bChangeLook) SetButtonState(kWceUiButtonDown);
  SetTimer(kWceTimerChkBtnTimerId, kWceTimerChkBtnHoldMs);
}

void CWceTimerChkBtn::OnMouseMove(UINT /*nFlags*/, int x, int y) {
  if (m_bMouseDown && !IsPointInside(x, y)) KillTimer(kWceTimerChkBtnTimerId);
}

void CWceTimerChkBtn::OnLButtonUp(UINT /*nFlags*/, int x, int y) {
  KillTimer(kWceTimerChkBtnTimerId);
  if (!EndPress()) return;
  if (m_bChangeLook && !m_bKeepDown) SetButtonState(kWceUiButtonNormal);
  if (IsPointInside(x, y)) Click();
}

void CWceTimerChkBtn::OnTimer(WORD nTimerId) {
  EngineLog("!!!!!!! CWceTimerChkBtn::OnTimer (m_bMouseDown= %d) \r\n", m_bMouseDown);
  if (nTimerId != kWceTimerChkBtnTimerId) return;
  KillTimer(kWceTimerChkBtnTimerId);
  // A button disabled while held has lost the capture: its press ends without a click.
  const BOOL bHeld = HoldsCapture();
  // The press ends here, so the release that follows clicks no more.
  if (EndPress() && bHeld) Click();
}
