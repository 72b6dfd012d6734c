#include "platform/gdi/CWindowSurfaces.h"
#include "platform/gdi/GdiHooks.h"

#include <array>

CWindowSurfaces& CWindowSurfaces::GetInstance() {
  // Never destroyed: threads may still paint while the process winds down.
  static CWindowSurfaces* instance = new CWindowSurfaces();
  return *instance;
}

void CWindowSurfaces::SetSource(const wce::GdiWindowSource& source) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_source = source;
}

bool CWindowSurfaces::IsWindow(HWND hwnd) {
  wce::GdiWindowSource source;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    source = m_source;
  }
  return hwnd != nullptr && source.isWindow != nullptr && source.isWindow(hwnd);
}

void CWindowSurfaces::Drawn(HWND hwnd) {
  wce::GdiWindowSource source;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    source = m_source;
  }
  if (source.windowDrawn != nullptr) source.windowDrawn(hwnd);
}

void CWindowSurfaces::DropClosed(HWND keep) {
  // Surfaces of windows that are gone go here; DCs still open on them keep their pixels. A few
  // at a time, checked with no lock held, and without allocating: the video thread comes here
  // for every picture.
  std::array<HWND, 8> others;
  size_t count = 0;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    for (const auto& entry : m_surfaces) {
      if (count == others.size()) break;
      if (entry.first != keep) others[count++] = entry.first;
    }
  }
  for (size_t i = 0; i < count; ++i) {
    if (IsWindow(others[i])) continue;
    std::lock_guard<std::mutex> lock(m_lock);
    m_surfaces.erase(others[i]);
  }
}

std::shared_ptr<CGdiBitmap> CWindowSurfaces::Surface(HWND hwnd) {
  DropClosed(hwnd);
  wce::GdiWindowSource source;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    source = m_source;
  }
  RECT rc;
  if (hwnd == nullptr || source.getClientRect == nullptr || !source.getClientRect(hwnd, &rc)) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_surfaces.erase(hwnd);
    return nullptr;
  }
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  const int bits = wce::GetScreen().bitsPerPixel;
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_surfaces.find(hwnd);
  if (it != m_surfaces.end() && it->second->Width() == width && it->second->Height() == height &&
      it->second->BitsPerPixel() == bits) {
    return it->second;
  }
  std::shared_ptr<CGdiBitmap> surface = CGdiBitmap::Create(width, height, bits, true);
  if (!surface) {
    m_surfaces.erase(hwnd);
    return nullptr;
  }
  m_surfaces[hwnd] = surface;
  return surface;
}

void CWindowSurfaces::Reset() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_surfaces.clear();
}
