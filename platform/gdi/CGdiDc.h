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
  HBITMAP m_hSelected = nullptr;          // memory DCs: the bitmap handle selected
  std::shared_ptr<CGdiBitmap> m_pBitmap;  // the pixels drawn on: selected bitmap or window surface
  HFONT m_hFontHandle = nullptr;
  std::shared_ptr<CGdiFont> m_pFont;
  COLORREF m_crTextColor = RGB(0, 0, 0);
  int m_nBkMode = OPAQUE;
  int m_nStretchMode = BLACKONWHITE;
  bool m_bClipped = false;  // clip: device coordinates, meaningful when clipped
  RECT m_rcClip = {0, 0, 0, 0};
  POINT m_ptOrigin = {0, 0};  // added to every logical coordinate
};

class CGdiDc : public CGdiObject {
 public:
  enum class Kind { Memory, Window, Screen };

  CGdiDc(Kind kind, HWND hwnd) : CGdiObject(Type::Dc), m_Kind(kind), m_hWnd(hwnd) {}

  Kind GetKind() const { return m_Kind; }
  HWND Window() const { return m_hWnd; }
  // A released window DC taken again for another window: its state starts afresh. Only while
  // nothing else holds the DC.
  void Reuse(HWND hwnd) {
    m_hWnd = hwnd;
    m_State = GdiDcState();
  }

  std::mutex& Lock() { return m_Lock; }
  GdiDcState& State() { return m_State; }  // with Lock() held
  GdiDcState GetState() {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_State;
  }

 private:
  const Kind m_Kind;
  HWND m_hWnd;
  std::mutex m_Lock;
  GdiDcState m_State;
};
