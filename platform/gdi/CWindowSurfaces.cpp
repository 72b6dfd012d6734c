#include "platform/gdi/CWindowSurfaces.h"
#include "platform/gdi/GdiHooks.h"

#include <array>

CWindowSurfaces& CWindowSurfaces::GetInstance() {
  // Never destroyed: threads may still paint while the process winds down.
  static CWindowSurfaces* instance = new CWindowSurfaces();
  return *instance;
}

void CWindowSurfaces::SetSource(const wce::GdiWindowSource& source) {
  std::lock_guard<std::mutex> lock(m_Lock);
  m_Source = source;
}

bool CWindowSurfaces::IsWindow(HWND hwnd) {
  wce::GdiWindowSource source;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    source = m_Source;
  }
  return hwnd != nullptr && source.m_pfnIsWindow != nullptr && source.m_pfnIsWindow(hwnd);
}

void CWindowSurfaces::Drawn(HWND hwnd) {
  wce::GdiWindowSource source;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    source = m_Source;
  }
  if (source.m_pfnWindowDrawn != nullptr) source.m_pfnWindowDrawn(hwnd);
}

void CWindowSurfaces::DropClosed(HWND keep) {
  // Surfaces of windows that are gone go here; DCs still open on them keep their pixels. A few
  // at a time, checked with no lock held, and without allocating: the video thread comes here
  // for every picture.
  std::array<HWND, 8> others;
  size_t count = 0;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    for (const auto& entry : m_Surfaces) {
      if (count == others.size()) break;
      if (entry.first != keep) others[count++] = entry.first;
    }
  }
  for (size_t i = 0; i < count; ++i) {
    if (IsWindow(others[i])) continue;
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Surfaces.erase(others[i]);
  }
}

std::shared_ptr<CGdiBitmap> CWindowSurfaces::Surface(HWND hwnd) {
  DropClosed(hwnd);
  wce::GdiWindowSource source;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    source = m_Source;
  }
  RECT rc;
  if (hwnd == nullptr || source.m_pfnGetClientRect == nullptr || !source.m_pfnGetClientRect(hwnd, &rc)) {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Surfaces.erase(hwnd);
    return nullptr;
  }
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  const int bits = wce::GetScreen().m_nBitsPerPixel;
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Surfaces.find(hwnd);
  if (it != m_Surfaces.end() && it->second->Width() == width && it->second->Height() == height &&
      it->second->BitsPerPixel() == bits) {
    return it->second;
  }
  std::shared_ptr<CGdiBitmap> surface = CGdiBitmap::Create(width, height, bits, true);
  if (!surface) {
    m_Surfaces.erase(hwnd);
    return nullptr;
  }
  m_Surfaces[hwnd] = surface;
  return surface;
}

void CWindowSurfaces::Reset() {
  std::lock_guard<std::mutex> lock(m_Lock);
  m_Surfaces.clear();
}
