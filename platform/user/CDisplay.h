// The one owner of the screen: the framebuffer at the configured size and depth, the areas damaged
// since the last present step, and the driver that shows the framebuffer. A present step composes
// the damaged areas from the shown windows' surfaces, bottom of the z-order first, each clipped to
// what its ancestors leave visible. Lock order: the display's lock, then USER's table lock, then
// GDI's; damage is reported with no USER lock held.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/user/DisplayDriver.h"

#include <mutex>
#include <string>
#include <vector>

class CDisplay {
 public:
  static CDisplay& GetInstance();

  // "headless" or "sdl"; false (and the driver kept) for another name or one that cannot open.
  bool SetDriver(const std::string& name);
  std::string DriverName();

  // Any thread. The window's area on the screen (what it was drawn on) must be composed again.
  void DamageWindow(HWND hwnd);
  void DamageScreen(const RECT& rect);

  void Present();
  bool Flush(DWORD ms);
  BOOL Save(const std::string& path);
  BOOL Pixels(BITMAP* out);
  // Tests only: back to the default driver, no framebuffer.
  void Reset();

 private:
  CDisplay();
  // With m_Lock held.
  void OpenDefaultLocked();
  bool FrameLocked();
  void AddDamageLocked(const RECT& rect);
  void ComposeLocked(const RECT& area);

  // The most separate damaged rectangles kept; past it they merge into their bounds. Held in
  // place so that reporting damage (the video thread's every picture) allocates nothing.
  static const size_t kMaxDamage = 16;

  std::mutex m_Lock;
  const DisplayDriver* m_pDriver = nullptr;
  HBITMAP m_hFrame = nullptr;
  HDC m_hFrameDc = nullptr;
  BITMAP m_Frame = {};
  std::vector<RECT> m_Damage;
};
