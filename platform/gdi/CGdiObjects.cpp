#include "gdi/CGdiObjects.h"

namespace {
uintptr_t Key(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }
}  // namespace

CGdiObjects& CGdiObjects::GetInstance() {
  // Never destroyed: threads may still paint while the process winds down.
  static CGdiObjects* instance = new CGdiObjects();
  return *instance;
}

CGdiObjects::CGdiObjects() { MakePlaceholder(); }

uintptr_t CGdiObjects::NextHandle() {
  const uintptr_t key = nextHandle_;
  nextHandle_ += 4;
  return key;
}

void CGdiObjects::MakePlaceholder() {
  // A fresh memory DC holds a 1x1 monochrome bitmap, as on CE; it is shared and never deleted.
  placeholder_ = AddBitmap(CGdiBitmap::Create(1, 1, 1, false));
}

HBITMAP CGdiObjects::AddBitmap(const std::shared_ptr<CGdiBitmap>& bitmap) {
  const uintptr_t key = NextHandle();
  bitmaps_[key] = bitmap;
  return reinterpret_cast<HBITMAP>(key);
}

std::shared_ptr<CGdiBitmap> CGdiObjects::FindBitmap(HGDIOBJ obj) {
  auto it = bitmaps_.find(Key(obj));
  return it == bitmaps_.end() ? nullptr : it->second;
}

void CGdiObjects::RemoveBitmap(HGDIOBJ obj) { bitmaps_.erase(Key(obj)); }

HDC CGdiObjects::AddDc(const GdiDc& dc) {
  const uintptr_t key = NextHandle();
  if (spareDc_.empty()) {
    dcs_[key] = dc;
  } else {
    spareDc_.key() = key;
    spareDc_.mapped() = dc;
    dcs_.insert(std::move(spareDc_));
    spareDc_ = DcTable::node_type();
  }
  return reinterpret_cast<HDC>(key);
}

GdiDc* CGdiObjects::FindDc(HDC hdc) {
  auto it = dcs_.find(Key(hdc));
  return it == dcs_.end() ? nullptr : &it->second;
}

void CGdiObjects::RemoveDc(HDC hdc) {
  DcTable::node_type node = dcs_.extract(Key(hdc));
  if (node.empty()) return;
  node.mapped() = GdiDc();   // the bitmap goes now, as with the DC
  if (spareDc_.empty()) spareDc_ = std::move(node);
}

std::shared_ptr<CGdiBitmap> CGdiObjects::WindowSurface(HWND hwnd) {
  // Surfaces of windows that are gone are dropped here; DCs still open on them keep their pixels.
  for (auto it = surfaces_.begin(); it != surfaces_.end();) {
    it = IsWindow(it->first) ? std::next(it) : surfaces_.erase(it);
  }
  RECT rc;
  if (!GetClientRect(hwnd, &rc)) return nullptr;
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  const int bits = wce::GetScreen().bitsPerPixel;
  auto it = surfaces_.find(hwnd);
  if (it != surfaces_.end() && it->second->Width() == width && it->second->Height() == height &&
      it->second->BitsPerPixel() == bits) {
    return it->second;
  }
  std::shared_ptr<CGdiBitmap> surface = CGdiBitmap::Create(width, height, bits, true);
  if (!surface) {
    surfaces_.erase(hwnd);
    return nullptr;
  }
  surfaces_[hwnd] = surface;
  return surface;
}

void CGdiObjects::Reset() {
  bitmaps_.clear();
  dcs_.clear();
  spareDc_ = DcTable::node_type();
  surfaces_.clear();
  MakePlaceholder();
}
