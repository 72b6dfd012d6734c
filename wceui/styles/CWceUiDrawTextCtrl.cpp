#include "wceui/styles/CWceUiDrawTextCtrl.h"

#include "wceui/base/WceUiGeometry.h"
#include "wceui/base/WceUiLog.h"

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
