#include "wceui/drawing/CWceUiColor.h"

CWceUiColor::~CWceUiColor() {
  DeleteBrush();
}

CWceUiColor& CWceUiColor::operator=(const CWceUiColor& rhs) {
  SetColor(rhs.m_crColor);
  return *this;
}

void CWceUiColor::SetColor(COLORREF crColor) {
  if (crColor == m_crColor) return;
  DeleteBrush();
  m_crColor = crColor;
}

HBRUSH CWceUiColor::GetBrush() {
  if (m_hBrush == nullptr) m_hBrush = CreateSolidBrush(m_crColor);
  return m_hBrush;
}

void CWceUiColor::DeleteBrush() {
  if (m_hBrush != nullptr) DeleteObject(m_hBrush);
  m_hBrush = nullptr;
}
