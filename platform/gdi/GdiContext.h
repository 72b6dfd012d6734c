// What the GDI calls share: handle lookups that set the last error, the stock objects, the part
// of a DC's bitmap that drawing may touch, and the locking of two bitmaps at once.
#pragma once

#include "platform/gdi/CGdiBitmap.h"
#include "platform/gdi/CGdiBrush.h"
#include "platform/gdi/CGdiDc.h"
#include "platform/gdi/CGdiFont.h"
#include "platform/gdi/CGdiHandleTable.h"
#include "platform/gdi/gdi.h"

#include <memory>
#include <mutex>

namespace gdictx {

inline CGdiHandleTable& Handles() {
  return CGdiHandleTable::GetInstance();
}

// nullptr (and ERROR_INVALID_HANDLE) when hdc is not a DC.
std::shared_ptr<CGdiDc> FindDc(HDC hdc);

// The 1x1 monochrome bitmap a fresh memory DC holds; shared, never deleted.
HBITMAP PlaceholderHandle();
std::shared_ptr<CGdiBitmap> Placeholder();

// WHITE_BRUSH, made on first use.
HBRUSH StockWhiteBrushHandle();
// SYSTEM_FONT; nullptr when no face can be opened.
HFONT StockFontHandle();
std::shared_ptr<CGdiFont> StockFont();
// The DC's font: the selected one or SYSTEM_FONT.
std::shared_ptr<CGdiFont> FontOf(const GdiDcState& state);

// 16 or 32 bits: what drawing can draw on.
bool Drawable(const std::shared_ptr<CGdiBitmap>& bitmap);
// The device rectangle drawing may touch: the bitmap's bounds within the clip region.
RECT DrawableArea(const GdiDcState& state);
// A block in device coordinates (any size a LONG sum can reach) within area; false when none.
bool VisibleBlock(int64_t left, int64_t top, int64_t right, int64_t bottom, const RECT& area, RECT* out);

// Holds one bitmap's lock, or two without risk of deadlock (src may be dst, or nullptr).
class BitmapLocks {
 public:
  BitmapLocks(CGdiBitmap& dst, const CGdiBitmap* src);
  ~BitmapLocks();
  BitmapLocks(const BitmapLocks&) = delete;
  BitmapLocks& operator=(const BitmapLocks&) = delete;

 private:
  std::mutex& m_First;
  std::mutex* m_pSecond;
};

}  // namespace gdictx
