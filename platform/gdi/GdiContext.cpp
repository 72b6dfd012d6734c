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
  std::once_flag placeholderOnce;
  HBITMAP placeholderHandle = nullptr;
  std::shared_ptr<CGdiBitmap> placeholder;
  std::once_flag whiteBrushOnce;
  HBRUSH whiteBrushHandle = nullptr;
  std::mutex fontLock;  // the font is made on first use: it opens FreeType and fontconfig
  HFONT fontHandle = nullptr;
  std::shared_ptr<CGdiFont> font;
};

Stock& Stocks() {
  static Stock* stock = new Stock();  // never destroyed, as the handle table
  return *stock;
}

void MakePlaceholder() {
  Stock& s = Stocks();
  std::call_once(s.placeholderOnce, [&s] {
    s.placeholder = CGdiBitmap::Create(1, 1, 1, false);
    s.placeholderHandle = static_cast<HBITMAP>(Handles().InsertStock(s.placeholder));
  });
}

void MakeStockFont() {
  Stock& s = Stocks();
  std::lock_guard<std::mutex> lock(s.fontLock);
  if (s.font) return;
  s.font = CGdiFont::Create(CGdiFont::SystemLogFont());
  if (s.font) s.fontHandle = static_cast<HFONT>(Handles().InsertStock(s.font));
}
}  // namespace

HBITMAP PlaceholderHandle() {
  MakePlaceholder();
  return Stocks().placeholderHandle;
}

std::shared_ptr<CGdiBitmap> Placeholder() {
  MakePlaceholder();
  return Stocks().placeholder;
}

HBRUSH StockWhiteBrushHandle() {
  Stock& s = Stocks();
  std::call_once(s.whiteBrushOnce, [&s] {
    s.whiteBrushHandle =
        static_cast<HBRUSH>(Handles().InsertStock(std::make_shared<CGdiBrush>(RGB(255, 255, 255))));
  });
  return s.whiteBrushHandle;
}

HFONT StockFontHandle() {
  MakeStockFont();
  std::lock_guard<std::mutex> lock(Stocks().fontLock);
  return Stocks().fontHandle;
}

std::shared_ptr<CGdiFont> StockFont() {
  MakeStockFont();
  std::lock_guard<std::mutex> lock(Stocks().fontLock);
  return Stocks().font;
}

std::shared_ptr<CGdiFont> FontOf(const GdiDcState& state) {
  return state.font ? state.font : StockFont();
}

bool Drawable(const std::shared_ptr<CGdiBitmap>& bitmap) {
  return bitmap && (bitmap->BitsPerPixel() == 16 || bitmap->BitsPerPixel() == 32);
}

RECT DrawableArea(const GdiDcState& state) {
  RECT area{0, 0, 0, 0};
  if (!state.bitmap) return area;
  area = RECT{0, 0, state.bitmap->Width(), state.bitmap->Height()};
  if (state.clipped) {
    area = RECT{std::max(area.left, state.clip.left), std::max(area.top, state.clip.top),
                std::min(area.right, state.clip.right), std::min(area.bottom, state.clip.bottom)};
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
    : m_first(dst.Lock()), m_second(src != nullptr && src != &dst ? &src->Lock() : nullptr) {
  if (m_second != nullptr) {
    std::lock(m_first, *m_second);
  } else {
    m_first.lock();
  }
}

BitmapLocks::~BitmapLocks() {
  m_first.unlock();
  if (m_second != nullptr) m_second->unlock();
}

}  // namespace gdictx
