#include "app/widgets/CWceCheckBtn.h"

CWceCheckBtn::CWceCheckBtn() {
  SetClassName(WCEUI_CLASS_NAME(CWceCheckBtn));
}

CWceCheckBtn::~CWceCheckBtn() = default;

void CWceCheckBtn::OnLButtonDown(UINT /*nFlags*/, int /*x*/, int /*y*/) {
  BeginPress();
  if (m_bChangeLook) SetButtonState(kWceUiButtonDown);
}

void CWceCheckBtn::OnLButtonUp(UINT /*nFlags*/, int x, int y) {
  if (!EndPress()) return;
  if (m_bChangeLook && !m_bKeepDown) SetButtonState(kWceUiButtonNormal);
  if (IsPointInside(x, y)) Click();
}
