// Our own additions to the GDI part, with no CE counterpart: the configured screen, what GDI is told
// of windows, BMP files and window surfaces, and the reset for tests.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

#include <string>

// ---- our own hooks (no CE counterpart)
namespace wce {
struct ScreenConfig {
  int m_nWidth;
  int m_nHeight;
  int m_nBitsPerPixel;
};
// The display that GetSystemMetrics and GetDeviceCaps report; 800x480x32 until set.
// Width and height must be positive and the depth 16 or 32; anything else is refused (false).
bool SetScreen(int width, int height, int bitsPerPixel);
ScreenConfig GetScreen();

// What GDI needs to know of windows, filled by USER before its first window exists. Both are
// called with no GDI lock held.
struct GdiWindowSource {
  BOOL (*m_pfnIsWindow)(HWND hwnd);
  BOOL (*m_pfnGetClientRect)(HWND hwnd, LPRECT rect);
  // A window DC was released: what was drawn through it is ready to be shown. On the releasing
  // thread, which may be any.
  void (*m_pfnWindowDrawn)(HWND hwnd);
};
void SetGdiWindowSource(const GdiWindowSource& source);

// Writes a bottom-up BMP file: 32-bit BI_RGB, or 16-bit BI_BITFIELDS with the RGB565 masks.
// A DC is saved through the bitmap selected into it or its window's surface.
BOOL SaveBitmapFile(HBITMAP bitmap, const std::string& path);
BOOL SaveBitmapFile(HDC hdc, const std::string& path);
// The window's surface (made at the window's size and the screen's depth if it has none yet), rows
// top-down. The pointer stays valid until the window is resized and drawn again, destroyed, or
// ResetGdi.
BOOL GetWindowSurface(HWND hwnd, BITMAP* out);
// Tests only: every bitmap, brush, region, font, DC, window surface and added font file is
// forgotten. The screen and the window source stay.
void ResetGdi();
}  // namespace wce
