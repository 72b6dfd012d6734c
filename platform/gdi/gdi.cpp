#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"

#include "platform/gdi/CFontEngine.h"
#include "platform/gdi/CGdiBrush.h"
#include "platform/gdi/CGdiRegion.h"
#include "platform/gdi/CWindowSurfaces.h"
#include "platform/gdi/GdiContext.h"
#include "platform/gdi/GdiRaster.h"
#include "platform/kernel/kernel.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

using gdictx::BitmapLocks;
using gdictx::Drawable;
using gdictx::DrawableArea;
using gdictx::FindDc;
using gdictx::Handles;
using gdictx::VisibleBlock;

namespace {

const DWORD kMask565[3] = {0xF800, 0x07E0, 0x001F};
const DWORD kMask888[3] = {0xFF0000, 0x00FF00, 0x0000FF};
const DWORD kInfoHeaderSize = 40;

std::shared_ptr<CGdiBitmap> FindBitmap(HGDIOBJ obj) {
  std::shared_ptr<CGdiBitmap> bitmap = Handles().LookupAs<CGdiBitmap>(obj, CGdiObject::Type::Bitmap);
  if (!bitmap) SetLastError(ERROR_INVALID_HANDLE);
  return bitmap;
}

HDC AddDc(const std::shared_ptr<CGdiDc>& dc) {
  return static_cast<HDC>(Handles().Insert(dc));
}

// The window DC last released, kept for the next one: the video thread takes and releases one for
// every picture it paints, and that costs no allocation.
struct SpareWindowDc {
  std::mutex m_Lock;
  std::shared_ptr<CGdiDc> m_pDc;
};

SpareWindowDc& Spare() {
  static SpareWindowDc* spare = new SpareWindowDc();  // never destroyed, as the handle table
  return *spare;
}

HDC NewWindowDc(HWND hwnd) {
  if (hwnd == nullptr) return AddDc(std::make_shared<CGdiDc>(CGdiDc::Kind::Screen, nullptr));
  std::shared_ptr<CGdiBitmap> surface = CWindowSurfaces::GetInstance().Surface(hwnd);
  if (!surface) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  std::shared_ptr<CGdiDc> dc;
  {
    std::lock_guard<std::mutex> lock(Spare().m_Lock);
    dc.swap(Spare().m_pDc);
  }
  if (dc) {
    dc->Reuse(hwnd);
  } else {
    dc = std::make_shared<CGdiDc>(CGdiDc::Kind::Window, hwnd);
  }
  dc->State().m_pBitmap = surface;
  return AddDc(dc);
}

// A bitmap leaves the DC holding it; with the DC's lock held.
void Unselect(CGdiDc& dc, HDC hdc) {
  const std::shared_ptr<CGdiBitmap>& bitmap = dc.State().m_pBitmap;
  if (dc.GetKind() != CGdiDc::Kind::Memory || !bitmap) return;
  std::lock_guard<std::mutex> lock(bitmap->Lock());
  if (bitmap->m_hSelectedInto == hdc) bitmap->m_hSelectedInto = nullptr;
}

HGDIOBJ SelectBitmap(HDC hdc, CGdiDc& dc, HGDIOBJ obj, const std::shared_ptr<CGdiBitmap>& bitmap) {
  if (dc.GetKind() != CGdiDc::Kind::Memory) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const bool placeholder = obj == gdictx::PlaceholderHandle();
  std::lock_guard<std::mutex> dcLock(dc.Lock());
  GdiDcState& state = dc.State();
  if (state.m_pBitmap != bitmap) {
    {
      std::lock_guard<std::mutex> lock(bitmap->Lock());
      if (bitmap->m_bDeleted || (!placeholder && bitmap->m_hSelectedInto != nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);  // one DC at a time
        return nullptr;
      }
      if (!placeholder) bitmap->m_hSelectedInto = hdc;
    }
    Unselect(dc, hdc);
  }
  HGDIOBJ previous = state.m_hSelected;
  state.m_hSelected = static_cast<HBITMAP>(obj);
  state.m_pBitmap = bitmap;
  return previous;
}

HGDIOBJ SelectFont(CGdiDc& dc, HGDIOBJ obj, const std::shared_ptr<CGdiFont>& font) {
  HFONT stock = gdictx::StockFontHandle();
  std::lock_guard<std::mutex> lock(dc.Lock());
  GdiDcState& state = dc.State();
  HGDIOBJ previous = state.m_hFontHandle != nullptr ? state.m_hFontHandle : stock;
  state.m_hFontHandle = static_cast<HFONT>(obj);
  state.m_pFont = font;
  return previous;
}

void PutLe(std::vector<BYTE>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<BYTE>(value >> (8 * i)));
}

// With the bitmap's lock held.
BOOL WriteBmp(const CGdiBitmap& bitmap, const std::string& path) {
  if (bitmap.BitsPerPixel() != 16 && bitmap.BitsPerPixel() != 32) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool is565 = bitmap.BitsPerPixel() == 16;
  const uint32_t stride = static_cast<uint32_t>(bitmap.Stride());
  const uint32_t imageSize = stride * static_cast<uint32_t>(bitmap.Height());
  const uint32_t offset = 14 + kInfoHeaderSize + (is565 ? 12 : 0);
  std::vector<BYTE> file;
  file.reserve(offset + imageSize);
  // BITMAPFILEHEADER
  file.push_back('B');
  file.push_back('M');
  PutLe(&file, offset + imageSize, 4);
  PutLe(&file, 0, 4);
  PutLe(&file, offset, 4);
  // BITMAPINFOHEADER: positive height, rows bottom-up as every reader expects
  PutLe(&file, kInfoHeaderSize, 4);
  PutLe(&file, static_cast<uint32_t>(bitmap.Width()), 4);
  PutLe(&file, static_cast<uint32_t>(bitmap.Height()), 4);
  PutLe(&file, 1, 2);
  PutLe(&file, static_cast<uint32_t>(bitmap.BitsPerPixel()), 2);
  PutLe(&file, is565 ? BI_BITFIELDS : BI_RGB, 4);
  PutLe(&file, imageSize, 4);
  PutLe(&file, 0, 4);
  PutLe(&file, 0, 4);
  PutLe(&file, 0, 4);
  PutLe(&file, 0, 4);
  if (is565) {
    for (DWORD mask : kMask565) PutLe(&file, mask, 4);
  }
  for (int y = bitmap.Height() - 1; y >= 0; --y) {
    const BYTE* row = bitmap.Row(y);
    file.insert(file.end(), row, row + stride);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  return TRUE;
}

// The source of a blit: a DC's state (the bitmap and the origin its coordinates are taken in).
struct BlitSource {
  std::shared_ptr<CGdiBitmap> m_pBitmap;
  POINT m_ptOrigin{0, 0};
};

// Draws src's block (sx, sy, srcCx, srcCy: source device coordinates) onto the destination block
// (dx, dy, cx, cy: destination device coordinates), scaling when the sizes differ.
BOOL Draw(const GdiDcState& to, int64_t dx, int64_t dy, int64_t cx, int64_t cy, const BlitSource* from,
          int64_t sx, int64_t sy, int64_t srcCx, int64_t srcCy, DWORD rop, bool keyed, COLORREF key) {
  if (!Drawable(to.m_pBitmap) || (from != nullptr && !Drawable(from->m_pBitmap))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  CGdiBitmap& dst = *to.m_pBitmap;
  const CGdiBitmap* src = from != nullptr ? from->m_pBitmap.get() : nullptr;
  RECT visible;
  if (!VisibleBlock(dx, dy, dx + cx, dy + cy, DrawableArea(to), &visible)) return TRUE;
  BitmapLocks locks(dst, src);
  if (src == nullptr) {
    gdiraster::Blt(dst, visible, nullptr, 0, 0, rop);
    return TRUE;
  }
  if (cx == srcCx && cy == srcCy && !keyed) {
    // A plain copy: source pixels outside the source bitmap are neither read nor written.
    int64_t srcLeft = sx + (visible.left - dx);
    int64_t srcTop = sy + (visible.top - dy);
    RECT block;
    if (!VisibleBlock(srcLeft, srcTop, srcLeft + (visible.right - visible.left),
                      srcTop + (visible.bottom - visible.top), RECT{0, 0, src->Width(), src->Height()},
                      &block)) {
      return TRUE;
    }
    const RECT target{static_cast<LONG>(visible.left + (block.left - srcLeft)),
                      static_cast<LONG>(visible.top + (block.top - srcTop)),
                      static_cast<LONG>(visible.left + (block.right - srcLeft)),
                      static_cast<LONG>(visible.top + (block.bottom - srcTop))};
    gdiraster::Blt(dst, target, src, block.left, block.top, rop);
    return TRUE;
  }
  const RECT toRect{static_cast<LONG>(dx), static_cast<LONG>(dy), static_cast<LONG>(dx + cx),
                    static_cast<LONG>(dy + cy)};
  const RECT fromRect{static_cast<LONG>(sx), static_cast<LONG>(sy), static_cast<LONG>(sx + srcCx),
                      static_cast<LONG>(sy + srcCy)};
  gdiraster::Stretch(dst, toRect, visible, *src, fromRect, rop, keyed,
                     gdiraster::FromColor(key, src->BitsPerPixel()));
  return TRUE;
}

bool FitsLong(int64_t value) {
  return value >= INT32_MIN && value <= INT32_MAX;
}

}  // namespace

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section,
                         DWORD /*offset*/) {
  if (bits != nullptr) *bits = nullptr;
  if (bmi == nullptr || usage != DIB_RGB_COLORS || section != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  const int64_t height = h.biHeight;
  bool valid = h.biSize >= kInfoHeaderSize && h.biPlanes == 1 && h.biWidth > 0 && height != 0;
  if (valid && h.biCompression == BI_BITFIELDS) {
    DWORD masks[3];
    // The masks follow the 40-byte header (also where the larger headers keep them).
    std::memcpy(masks, reinterpret_cast<const BYTE*>(bmi) + kInfoHeaderSize, sizeof(masks));
    const DWORD* expected = h.biBitCount == 16 ? kMask565 : kMask888;
    valid = (h.biBitCount == 16 || h.biBitCount == 32) && std::memcmp(masks, expected, sizeof(masks)) == 0;
  } else if (valid) {
    valid = h.biCompression == BI_RGB && h.biBitCount == 32;
  }
  if (!valid) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (hdc != nullptr && !FindDc(hdc)) return nullptr;
  const int64_t rows = height < 0 ? -height : height;
  std::shared_ptr<CGdiBitmap> bitmap =
      rows > INT32_MAX ? nullptr
                       : CGdiBitmap::Create(h.biWidth, static_cast<int>(rows), h.biBitCount, height < 0);
  if (!bitmap) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (bits != nullptr) *bits = bitmap->Bits();
  return static_cast<HBITMAP>(Handles().Insert(bitmap));
}

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc != nullptr && !FindDc(hdc)) return nullptr;
  auto dc = std::make_shared<CGdiDc>(CGdiDc::Kind::Memory, nullptr);
  dc->State().m_hSelected = gdictx::PlaceholderHandle();
  dc->State().m_pBitmap = gdictx::Placeholder();
  return AddDc(dc);
}

HDC CreateDCW(LPCWSTR driver, LPCWSTR /*device*/, LPCWSTR /*output*/, const void* /*initData*/) {
  if (driver == nullptr || _wcsicmp(driver, u"DISPLAY") != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return NewWindowDc(nullptr);
}

BOOL DeleteDC(HDC hdc) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  if (!dc) return FALSE;
  {
    // The bitmap survives its DC and may be selected elsewhere afterwards.
    std::lock_guard<std::mutex> lock(dc->Lock());
    Unselect(*dc, hdc);
  }
  Handles().Remove(hdc);
  return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  std::shared_ptr<CGdiObject> object = Handles().Lookup(obj);
  if (!dc || !object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  switch (object->GetType()) {
    case CGdiObject::Type::Bitmap:
      return SelectBitmap(hdc, *dc, obj, std::static_pointer_cast<CGdiBitmap>(object));
    case CGdiObject::Type::Font:
      return SelectFont(*dc, obj, std::static_pointer_cast<CGdiFont>(object));
    case CGdiObject::Type::Region: {
      const int kind = SelectClipRgn(hdc, static_cast<HRGN>(obj));
      return kind == ERROR ? HGDI_ERROR : reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(kind));
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ obj) {
  std::shared_ptr<CGdiObject> object = Handles().Lookup(obj);
  if (!object || object->GetType() == CGdiObject::Type::Dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (Handles().IsStock(obj)) return TRUE;
  if (object->GetType() == CGdiObject::Type::Bitmap) {
    CGdiBitmap& bitmap = static_cast<CGdiBitmap&>(*object);
    std::lock_guard<std::mutex> lock(bitmap.Lock());
    if (bitmap.m_hSelectedInto != nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    bitmap.m_bDeleted = true;
  }
  // A font still selected into a DC stays drawn with there until replaced.
  Handles().Remove(obj);
  return TRUE;
}

int GetObjectW(HGDIOBJ obj, int cb, LPVOID out) {
  std::shared_ptr<CGdiObject> object = Handles().Lookup(obj);
  int size = 0;
  if (object && object->GetType() == CGdiObject::Type::Bitmap) size = sizeof(BITMAP);
  if (object && object->GetType() == CGdiObject::Type::Font) size = sizeof(LOGFONTW);
  if (size == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (out == nullptr) return size;
  if (cb < size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (object->GetType() == CGdiObject::Type::Font) {
    std::memcpy(out, &static_cast<CGdiFont&>(*object).LogFont(), sizeof(LOGFONTW));
    return size;
  }
  CGdiBitmap& bitmap = static_cast<CGdiBitmap&>(*object);
  BITMAP bm = bitmap.Describe();
  if (obj == gdictx::PlaceholderHandle()) bm.bmBits = nullptr;
  std::memcpy(out, &bm, sizeof(bm));
  return size;
}

int SetBkMode(HDC hdc, int mode) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  if (!dc) return 0;
  if (mode != TRANSPARENT && mode != OPAQUE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> lock(dc->Lock());
  std::swap(dc->State().m_nBkMode, mode);
  return mode;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  if (!dc) return CLR_INVALID;
  std::lock_guard<std::mutex> lock(dc->Lock());
  std::swap(dc->State().m_crTextColor, color);
  return color;
}

int SetStretchBltMode(HDC hdc, int mode) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  if (!dc) return 0;
  if (mode < BLACKONWHITE || mode > HALFTONE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> lock(dc->Lock());
  std::swap(dc->State().m_nStretchMode, mode);
  return mode;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  if (!dc) return FALSE;
  std::lock_guard<std::mutex> lock(dc->Lock());
  if (previous != nullptr) *previous = dc->State().m_ptOrigin;
  dc->State().m_ptOrigin = POINT{x, y};
  return TRUE;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  const RECT rect{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  return static_cast<HRGN>(Handles().Insert(std::make_shared<CGdiRegion>(rect)));
}

int SelectClipRgn(HDC hdc, HRGN rgn) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  if (!dc) return ERROR;
  std::shared_ptr<CGdiRegion> region;
  if (rgn != nullptr) {
    region = Handles().LookupAs<CGdiRegion>(rgn, CGdiObject::Type::Region);
    if (!region) {
      SetLastError(ERROR_INVALID_HANDLE);
      return ERROR;
    }
  }
  std::lock_guard<std::mutex> lock(dc->Lock());
  GdiDcState& state = dc->State();
  state.m_bClipped = region != nullptr;
  state.m_rcClip = region ? region->Rect() : RECT{0, 0, 0, 0};
  return state.m_bClipped && gdiraster::IsEmpty(state.m_rcClip) ? NULLREGION : SIMPLEREGION;
}

BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int srcX, int srcY, DWORD rop) {
  return StretchBlt(dst, x, y, cx, cy, src, srcX, srcY, cx, cy, rop);
}

BOOL StretchBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int srcX, int srcY, int srcCx, int srcCy,
                DWORD rop) {
  if (!gdiraster::IsKnownRop(rop) || cx < 0 || cy < 0 || srcCx < 0 || srcCy < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<CGdiDc> to = FindDc(dst);
  if (!to) return FALSE;
  const GdiDcState toState = to->GetState();
  const int64_t dx = int64_t(x) + toState.m_ptOrigin.x;
  const int64_t dy = int64_t(y) + toState.m_ptOrigin.y;
  if (!gdiraster::RopReadsSource(rop)) {
    return Draw(toState, dx, dy, cx, cy, nullptr, 0, 0, cx, cy, rop, false, 0);
  }
  std::shared_ptr<CGdiDc> from = FindDc(src);
  if (!from) return FALSE;
  const GdiDcState fromState = from->GetState();
  const BlitSource source{fromState.m_pBitmap, fromState.m_ptOrigin};
  const int64_t sx = int64_t(srcX) + fromState.m_ptOrigin.x;
  const int64_t sy = int64_t(srcY) + fromState.m_ptOrigin.y;
  if (!FitsLong(dx + cx) || !FitsLong(dy + cy) || !FitsLong(sx + srcCx) || !FitsLong(sy + srcCy)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Draw(toState, dx, dy, cx, cy, &source, sx, sy, srcCx, srcCy, rop, false, 0);
}

BOOL TransparentImage(HDC dst, LONG x, LONG y, LONG cx, LONG cy, HANDLE src, LONG srcX, LONG srcY, LONG srcCx,
                      LONG srcCy, COLORREF transparent) {
  if (cx < 0 || cy < 0 || srcCx < 0 || srcCy < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<CGdiDc> to = FindDc(dst);
  if (!to) return FALSE;
  BlitSource source;
  std::shared_ptr<CGdiObject> object = Handles().Lookup(src);
  if (object && object->GetType() == CGdiObject::Type::Dc) {
    const GdiDcState state = static_cast<CGdiDc&>(*object).GetState();
    source = BlitSource{state.m_pBitmap, state.m_ptOrigin};
  } else if (object && object->GetType() == CGdiObject::Type::Bitmap) {
    source.m_pBitmap = std::static_pointer_cast<CGdiBitmap>(object);
  } else {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const GdiDcState toState = to->GetState();
  const int64_t dx = int64_t(x) + toState.m_ptOrigin.x;
  const int64_t dy = int64_t(y) + toState.m_ptOrigin.y;
  const int64_t sx = int64_t(srcX) + source.m_ptOrigin.x;
  const int64_t sy = int64_t(srcY) + source.m_ptOrigin.y;
  if (!FitsLong(dx + cx) || !FitsLong(dy + cy) || !FitsLong(sx + srcCx) || !FitsLong(sy + srcCy)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Draw(toState, dx, dy, cx, cy, &source, sx, sy, srcCx, srcCy, SRCCOPY, true, transparent);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return static_cast<HBRUSH>(Handles().Insert(std::make_shared<CGdiBrush>(color & 0x00FFFFFF)));
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  std::shared_ptr<CGdiBrush> b = Handles().LookupAs<CGdiBrush>(brush, CGdiObject::Type::Brush);
  if (!dc || !b || rect == nullptr) {
    SetLastError(rect == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return 0;
  }
  const GdiDcState state = dc->GetState();
  if (!Drawable(state.m_pBitmap)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  RECT visible;
  if (!VisibleBlock(int64_t(rect->left) + state.m_ptOrigin.x, int64_t(rect->top) + state.m_ptOrigin.y,
                    int64_t(rect->right) + state.m_ptOrigin.x, int64_t(rect->bottom) + state.m_ptOrigin.y,
                    DrawableArea(state), &visible)) {
    return 1;
  }
  std::lock_guard<std::mutex> lock(state.m_pBitmap->Lock());
  gdiraster::Fill(*state.m_pBitmap, visible,
                  gdiraster::FromColor(b->Color(), state.m_pBitmap->BitsPerPixel()));
  return 1;
}

HDC GetDC(HWND hwnd) {
  return NewWindowDc(hwnd);
}

// Windows have no frame here, so the whole-window DC is the client DC.
HDC GetWindowDC(HWND hwnd) {
  return NewWindowDc(hwnd);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
  std::shared_ptr<CGdiDc> dc = Handles().LookupAs<CGdiDc>(hdc, CGdiObject::Type::Dc);
  if (!dc || dc->GetKind() == CGdiDc::Kind::Memory || dc->Window() != hwnd) return 0;
  Handles().Remove(hdc);
  if (hwnd != nullptr) CWindowSurfaces::GetInstance().Drawn(hwnd);
  if (dc->GetKind() == CGdiDc::Kind::Window && dc.use_count() == 1) {
    // Out of the table and held by no call: nothing can reach it any more.
    dc->Reuse(nullptr);
    std::lock_guard<std::mutex> lock(Spare().m_Lock);
    if (!Spare().m_pDc) Spare().m_pDc = std::move(dc);
  }
  return 1;
}

int GetDeviceCaps(HDC hdc, int index) {
  if (!FindDc(hdc)) return 0;
  const wce::ScreenConfig screen = wce::GetScreen();
  switch (index) {
    case HORZRES:
      return screen.m_nWidth;
    case VERTRES:
      return screen.m_nHeight;
    case BITSPIXEL:
      return screen.m_nBitsPerPixel;
    case PLANES:
      return 1;
    default:
      return 0;
  }
}

namespace wce {

void SetGdiWindowSource(const GdiWindowSource& source) {
  CWindowSurfaces::GetInstance().SetSource(source);
}

BOOL SaveBitmapFile(HBITMAP bitmap, const std::string& path) {
  std::shared_ptr<CGdiBitmap> b = FindBitmap(bitmap);
  if (!b) return FALSE;
  std::lock_guard<std::mutex> lock(b->Lock());
  return WriteBmp(*b, path);
}

BOOL SaveBitmapFile(HDC hdc, const std::string& path) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  if (!dc) return FALSE;
  const GdiDcState state = dc->GetState();
  if (!state.m_pBitmap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(state.m_pBitmap->Lock());
  return WriteBmp(*state.m_pBitmap, path);
}

BOOL GetWindowSurface(HWND hwnd, BITMAP* out) {
  if (out == nullptr) return FALSE;
  std::shared_ptr<CGdiBitmap> surface = CWindowSurfaces::GetInstance().Surface(hwnd);
  if (!surface) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *out = surface->Describe();
  return TRUE;
}

void ResetGdi() {
  Handles().Reset();
  CWindowSurfaces::GetInstance().Reset();
  CFontEngine::GetInstance().Reset();
}

}  // namespace wce
