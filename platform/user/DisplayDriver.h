// The table of functions a display driver fills: the display (CDisplay) owns the framebuffer and
// the damaged areas and calls these; a driver shows the framebuffer somewhere and may turn what a
// person does into input (wce::InjectMouse, wce::InjectKey).
#pragma once

#include "platform/user/user.h"

struct DisplayDriver {
  const char* m_pName;
  // The output for a screen of this size and depth; false when it cannot be had.
  bool (*m_pfnOpen)(int width, int height, int bitsPerPixel);
  void (*m_pfnClose)();
  // Damage waits to be presented. A driver that shows the screen by itself has wce::PresentScreen
  // run soon on a thread of its own; called on the drawing thread, with no lock of USER held.
  void (*m_pfnDamaged)();
  // These screen rectangles of the framebuffer have new pixels. On the presenting thread, with the
  // display's lock held: the driver may read the pixels, never call back into the display.
  void (*m_pfnPresented)(const BITMAP& frame, const RECT* rects, size_t count);
  // Returns once everything presented so far is on the driver's output; false after ms.
  bool (*m_pfnFlush)(DWORD ms);
};

// The two drivers: nothing leaves the framebuffer; a desktop window through SDL2.
const DisplayDriver* HeadlessDisplayDriver();
const DisplayDriver* SdlDisplayDriver();
