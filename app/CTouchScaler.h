// The touch road of the root window: a press, its moves and its release in window coordinates,
// scaled to the phone's announced video size over the client size and sent as touch frames while
// the phone is in the foreground. UI thread only.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

class CTouchScaler {
 public:
  // The window whose client rectangle is the divisor of the scaling.
  void Attach(HWND hwnd);

  // Each returns whether the layers get the event too.
  bool OnLButtonDown(int x, int y);
  bool OnMouseMove(int x, int y);
  bool OnLButtonUp(int x, int y);

  // The point in phone video coordinates, clamped to the phone's picture; false while the client
  // area is empty or the phone has announced no video size.
  bool ScalePoint(int x, int y, int* outX, int* outY) const;
  bool IsPressed() const { return m_bPressed != 0; }

 private:
  void SendTouch(int action, int x, int y);

  RECT m_rcClient = {};
  int m_nRawX = 0;
  int m_nRawY = 0;
  int m_nScaledX = 0;
  int m_nScaledY = 0;
  int m_bPressed = 0;
};
