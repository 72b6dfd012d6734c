#include "gdi/CGdiObjects.h"

namespace {
uintptr_t Key(const void* handle) {
  return reinterpret_cast<uintptr_t>(handle);
}
}  // namespace

CGdiObjects& CGdiObjects::GetInstance() {
  // Never destroyed: threads may still paint while the process winds down.
  static CGdiObjects* instance = new CGdiObjects();
  return *instance;
}

CGdiObjects::CGdiObjects() {
  MakePlaceholder();
}

uintptr_t CGdiObjects::NextHandle() {
  const uintptr_t key = m_nextHandle;
  m_nextHandle += 4;
  return key;
}

void CGdiObjects::MakePlaceholder() {
  // A fresh memory DC holds a 1x1 monochrome bitmap, as on CE; it is shared and never deleted.
  m_placeholder = AddBitmap(CGdiBitmap::Create(1, 1, 1, false));
}

HBITMAP CGdiObjects::AddBitmap(const std::shared_ptr<CGdiBitmap>& bitmap) {
  const uintptr_t key = NextHandle();
  m_bitmaps[key] = bitmap;
  return reinterpret_cast<HBITMAP>(key);
}

std::shared_ptr<CGdiBitmap> CGdiObjects::FindBitmap(HGDIOBJ obj) {
  auto it = m_bitmaps.find(Key(obj));
  return it == m_bitmaps.end() ? nullptr : it->second;
}

void CGdiObjects::RemoveBitmap(HGDIOBJ obj) {
  m_bitmaps.erase(Key(obj));
}

HDC CGdiObjects::AddDc(const GdiDc& dc) {
  const uintptr_t key = NextHandle();
  if (m_spareDc.empty()) {
    m_dcs[key] = dc;
  } else {
    m_spareDc.key() = key;
    m_spareDc.mapped() = dc;
    m_dcs.insert(std::move(m_spareDc));
    m_spareDc = DcTable::node_type();
  }
  return reinterpret_cast<HDC>(key);
}

GdiDc* CGdiObjects::FindDc(HDC hdc) {
  auto it = m_dcs.find(Key(hdc));
  return it == m_dcs.end() ? nullptr : &it->second;
}

void CGdiObjects::RemoveDc(HDC hdc) {
  DcTable::node_type node = m_dcs.extract(Key(hdc));
  if (node.empty()) return;
  node.mapped() = GdiDc();  // the bitmap goes now, as with the DC
  if (m_spareDc.empty()) m_spareDc = std::move(node);
}

std::shared_ptr<CGdiBitmap> CGdiObjects::WindowSurface(HWND hwnd) {
  // Surfaces of windows that are gone are dropped here; DCs still open on them keep their pixels.
  for (auto it = m_surfaces.begin(); it != m_surfaces.end();) {
    it =
        m_windows.isWindow != nullptr && m_windows.isWindow(it->first) ? std::next(it) : m_surfaces.erase(it);
  }
  RECT rc;
  if (m_windows.getClientRect == nullptr || !m_windows.getClientRect(hwnd, &rc)) return nullptr;
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  const int bits = wce::GetScreen().bitsPerPixel;
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

void CGdiObjects::Reset() {
  m_bitmaps.clear();
  m_dcs.clear();
  m_spareDc = DcTable::node_type();
  m_surfaces.clear();
  MakePlaceholder();
}
