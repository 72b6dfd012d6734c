#include "platform/gdi/GdiContext.h"

#include "platform/kernel/kernel.h"

#include <algorithm>

namespace gdictx {

std::shared_ptr<CGdiDc> FindDc(HDC hdc) {
  std::shared_ptr<CGdiDc> dc = Handles().LookupAs<CGdiDc>(hdc, CGdiObject::Type::Dc);
  if (!dc) SetLastError(ERROR_INVALID_HANDLE);
  return dc;
}

namespace {
struct Stock {
  std::once_flag m_PlaceholderOnce;
  HBITMAP m_hPlaceholderHandle = nullptr;
  std::shared_ptr<CGdiBitmap> m_pPlaceholder;
  std::once_flag m_WhiteBrushOnce;
  HBRUSH m_hWhiteBrushHandle = nullptr;
  std::mutex m_FontLock;  // the font is made on first use: it opens FreeType and fontconfig
  HFONT m_hFontHandle = nullptr;
  std::shared_ptr<CGdiFont> m_pFont;
};

Stock& Stocks() {
  static Stock* stock = new Stock();  // never destroyed, as the handle table
  return *stock;
}

void MakePlaceholder() {
  Stock& s = Stocks();
  std::call_once(s.m_PlaceholderOnce, [&s] {
    s.m_pPlaceholder = CGdiBitmap::Create(1, 1, 1, false);
    s.m_hPlaceholderHandle = static_cast<HBITMAP>(Handles().InsertStock(s.m_pPlaceholder));
  });
}

void MakeStockFont() {
  Stock& s = Stocks();
  std::lock_guard<std::mutex> lock(s.m_FontLock);
  if (s.m_pFont) return;
  s.m_pFont = CGdiFont::Create(CGdiFont::SystemLogFont());
  if (s.m_pFont) s.m_hFontHandle = static_cast<HFONT>(Handles().InsertStock(s.m_pFont));
}
}  // namespace

HBITMAP PlaceholderHandle() {
  MakePlaceholder();
  return Stocks().m_hPlaceholderHandle;
}

std::shared_ptr<CGdiBitmap> Placeholder() {
  MakePlaceholder();
  return Stocks().m_pPlaceholder;
}

HBRUSH StockWhiteBrushHandle() {
  Stock& s = Stocks();
  std::call_once(s.m_WhiteBrushOnce, [&s] {
    s.m_hWhiteBrushHandle =
        static_cast<HBRUSH>(Handles().InsertStock(std::make_shared<CGdiBrush>(RGB(255, 255, 255))));
  });
  return s.m_hWhiteBrushHandle;
}

HFONT StockFontHandle() {
  MakeStockFont();
  std::lock_guard<std::mutex> lock(Stocks().m_FontLock);
  return Stocks().m_hFontHandle;
}

std::shared_ptr<CGdiFont> StockFont() {
  MakeStockFont();
  std::lock_guard<std::mutex> lock(Stocks().m_FontLock);
  return Stocks().m_pFont;
}

std::shared_ptr<CGdiFont> FontOf(const GdiDcState& state) {
  return state.m_pFont ? state.m_pFont : StockFont();
}

bool Drawable(const std::shared_ptr<CGdiBitmap>& bitmap) {
  return bitmap && (bitmap->BitsPerPixel() == 16 || bitmap->BitsPerPixel() == 32);
}

RECT DrawableArea(const GdiDcState& state) {
  RECT area{0, 0, 0, 0};
  if (!state.m_pBitmap) return area;
  area = RECT{0, 0, state.m_pBitmap->Width(), state.m_pBitmap->Height()};
  if (state.m_bClipped) {
    area = RECT{std::max(area.left, state.m_rcClip.left), std::max(area.top, state.m_rcClip.top),
                std::min(area.right, state.m_rcClip.right), std::min(area.bottom, state.m_rcClip.bottom)};
    if (area.right <= area.left || area.bottom <= area.top) area = RECT{0, 0, 0, 0};
  }
  return area;
}

bool VisibleBlock(int64_t left, int64_t top, int64_t right, int64_t bottom, const RECT& area, RECT* out) {
  const int64_t l = std::max<int64_t>(left, area.left);
  const int64_t t = std::max<int64_t>(top, area.top);
  const int64_t r = std::min<int64_t>(right, area.right);
  const int64_t b = std::min<int64_t>(bottom, area.bottom);
  if (r <= l || b <= t) {
    *out = RECT{0, 0, 0, 0};
    return false;
  }
  *out = RECT{static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r), static_cast<LONG>(b)};
  return true;
}

BitmapLocks::BitmapLocks(CGdiBitmap& dst, const CGdiBitmap* src)
    : m_First(dst.Lock()), m_pSecond(src != nullptr && src != &dst ? &src->Lock() : nullptr) {
  if (m_pSecond != nullptr) {
    std::lock(m_First, *m_pSecond);
  } else {
    m_First.lock();
  }
}

BitmapLocks::~BitmapLocks() {
  m_First.unlock();
  if (m_pSecond != nullptr) m_pSecond->unlock();
}

}  // namespace gdictx
