// The off-screen surface of every window that has been drawn on, and what GDI knows of windows:
// the functions USER installs. Those functions are called with no GDI lock held; the surfaces'
// own lock covers only the map, never pixels.
#pragma once

#include "platform/gdi/CGdiBitmap.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"

#include <map>
#include <memory>
#include <mutex>

class CWindowSurfaces {
 public:
  static CWindowSurfaces& GetInstance();

  void SetSource(const wce::GdiWindowSource& source);
  // The window's surface at its current client size and the screen's depth, made or remade when
  // either changed; nullptr when the window does not exist (or no source is installed).
  std::shared_ptr<CGdiBitmap> Surface(HWND hwnd);
  bool IsWindow(HWND hwnd);
  void Drawn(HWND hwnd);
  void Reset();

 private:
  CWindowSurfaces() = default;
  void DropClosed(HWND keep);

  std::mutex m_Lock;
  wce::GdiWindowSource m_Source{nullptr, nullptr, nullptr};
  std::map<HWND, std::shared_ptr<CGdiBitmap>> m_Surfaces;
};
