// A rectangular region in device coordinates, fixed for its life (a DC keeps a copy of the
// rectangle, not the region).
#pragma once

#include "platform/gdi/CGdiObject.h"
#include "platform/gdi/gdi.h"

class CGdiRegion : public CGdiObject {
 public:
  explicit CGdiRegion(const RECT& rect) : CGdiObject(Type::Region), m_rcRect(rect) {}
  const RECT& Rect() const { return m_rcRect; }

 private:
  const RECT m_rcRect;
};
