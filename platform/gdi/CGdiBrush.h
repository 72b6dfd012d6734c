// A solid brush: only its colour, fixed for its life.
#pragma once

#include "platform/gdi/CGdiObject.h"
#include "platform/gdi/gdi.h"

class CGdiBrush : public CGdiObject {
 public:
  explicit CGdiBrush(COLORREF color) : CGdiObject(Type::Brush), m_crColor(color) {}
  COLORREF Color() const { return m_crColor; }

 private:
  const COLORREF m_crColor;
};
