// A device context: what it draws on and the state that drawing reads. Memory DCs draw on the
// bitmap selected into them, window DCs on their window's surface, the screen DC on nothing.
// The state is guarded by the DC's own lock; a drawing call copies it out (GetState) and draws
// with no DC lock held. Lock order: a DC's lock before a bitmap's, never the other way.
#pragma once

#include "platform/gdi/CGdiBitmap.h"
#include "platform/gdi/CGdiObject.h"
#include "platform/gdi/gdi.h"

#include <memory>
#include <mutex>

class CGdiFont;

struct GdiDcState {
  HBITMAP selected = nullptr;          // memory DCs: the bitmap handle selected
  std::shared_ptr<CGdiBitmap> bitmap;  // the pixels drawn on: selected bitmap or window surface
  HFONT fontHandle = nullptr;
  std::shared_ptr<CGdiFont> font;
  COLORREF textColor = RGB(0, 0, 0);
  int bkMode = OPAQUE;
  int stretchMode = BLACKONWHITE;
  bool clipped = false;  // clip: device coordinates, meaningful when clipped
  RECT clip = {0, 0, 0, 0};
  POINT origin = {0, 0};  // added to every logical coordinate
};

class CGdiDc : public CGdiObject {
 public:
  enum class Kind { Memory, Window, Screen };

  CGdiDc(Kind kind, HWND hwnd) : CGdiObject(Type::Dc), m_kind(kind), m_hwnd(hwnd) {}

  Kind GetKind() const { return m_kind; }
  HWND Window() const { return m_hwnd; }
  // A released window DC taken again for another window: its state starts afresh. Only while
  // nothing else holds the DC.
  void Reuse(HWND hwnd) {
    m_hwnd = hwnd;
    m_state = GdiDcState();
  }

  std::mutex& Lock() { return m_lock; }
  GdiDcState& State() { return m_state; }  // with Lock() held
  GdiDcState GetState() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_state;
  }

 private:
  const Kind m_kind;
  HWND m_hwnd;
  std::mutex m_lock;
  GdiDcState m_state;
};
