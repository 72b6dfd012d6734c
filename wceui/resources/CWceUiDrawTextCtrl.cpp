#include "wceui/resources/CWceUiDrawTextCtrl.h"

#include "wceui/core/WceUiGeometry.h"
#include "wceui/core/WceUiLog.h"

CWceUiDrawTextCtrl::CWceUiDrawTextCtrl() {
  SetRectLarge(&m_rcText);
}

void CWceUiDrawTextCtrl::SetRect(const RECT* lpRect) {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect != nullptr) m_rcText = *lpRect;
}

void CWceUiDrawTextCtrl::GetRect(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect != nullptr) *lpRect = m_rcText;
}
