// A colour value and the solid brush its users make from it. The brush belongs to the value: a
// different colour or the value's end deletes it.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

class CWceUiColor {
 public:
  explicit CWceUiColor(COLORREF crColor = 0) : m_crColor(crColor) {}
  ~CWceUiColor();
  CWceUiColor(const CWceUiColor& rhs) : m_crColor(rhs.m_crColor) {}
  CWceUiColor& operator=(const CWceUiColor& rhs);

  // An equal value keeps the brush.
  void SetColor(COLORREF crColor);
  COLORREF GetColor() const { return m_crColor; }
  // Made on first use; none when GDI cannot make it.
  HBRUSH GetBrush();

 private:
  void DeleteBrush();

  COLORREF m_crColor;
  HBRUSH m_hBrush = nullptr;
};
