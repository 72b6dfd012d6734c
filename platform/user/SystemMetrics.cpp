// The screen's size as USER reports it; GDI keeps the screen's configuration.
#include "platform/user/user.h"
#include "platform/gdi/GdiHooks.h"

int GetSystemMetrics(int index) {
  const wce::ScreenConfig screen = wce::GetScreen();
  switch (index) {
    case SM_CXSCREEN:
      return screen.m_nWidth;
    case SM_CYSCREEN:
      return screen.m_nHeight;
    default:
      return 0;
  }
}
