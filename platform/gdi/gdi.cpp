#include "gdi/gdi.h"

#include "gdi/CGdiObjects.h"
#include "kernel/kernel.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

typedef std::lock_guard<std::mutex> Guard;

CGdiObjects& Objects() {
  return CGdiObjects::GetInstance();
}

const DWORD kMask565[3] = {0xF800, 0x07E0, 0x001F};
const DWORD kMask888[3] = {0xFF0000, 0x00FF00, 0x0000FF};
const DWORD kInfoHeaderSize = 40;

bool Drawable(const std::shared_ptr<CGdiBitmap>& bitmap) {
  return bitmap && (bitmap->BitsPerPixel() == 16 || bitmap->BitsPerPixel() == 32);
}

HDC NewWindowDc(HWND hwnd) {
  Guard lock(Objects().Lock());
  GdiDc dc;
  if (hwnd == nullptr) {
    dc.kind = GdiDc::kScreen;
  } else {
    dc.kind = GdiDc::kWindow;
    dc.hwnd = hwnd;
    dc.bitmap = Objects().WindowSurface(hwnd);
    if (!dc.bitmap) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
  }
  return Objects().AddDc(dc);
}

void PutLe(std::vector<BYTE>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<BYTE>(value >> (8 * i)));
}

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

// Clips one axis of a copy: [dst, dst + len) must lie in [0, dstLimit) and [src, src + len) in
// [0, srcLimit). Returns false when nothing is left.
bool ClipAxis(int64_t* dst, int64_t* src, int64_t* len, int64_t dstLimit, int64_t srcLimit) {
  const int64_t shift = std::max<int64_t>({0, -*dst, -*src});
  *dst += shift;
  *src += shift;
  *len -= shift;
  *len = std::min({*len, dstLimit - *dst, srcLimit - *src});
  return *len > 0;
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
  Guard lock(Objects().Lock());
  if (hdc != nullptr && Objects().FindDc(hdc) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const int64_t rows = height < 0 ? -height : height;
  std::shared_ptr<CGdiBitmap> bitmap =
      rows > INT32_MAX ? nullptr
                       : CGdiBitmap::Create(h.biWidth, static_cast<int>(rows), h.biBitCount, height < 0);
  if (!bitmap) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (bits != nullptr) *bits = bitmap->Bits();
  return Objects().AddBitmap(bitmap);
}

HDC CreateCompatibleDC(HDC hdc) {
  Guard lock(Objects().Lock());
  if (hdc != nullptr && Objects().FindDc(hdc) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  GdiDc dc;
  dc.kind = GdiDc::kMemory;
  dc.selected = Objects().Placeholder();
  dc.bitmap = Objects().FindBitmap(dc.selected);
  return Objects().AddDc(dc);
}

HDC CreateDCW(LPCWSTR driver, LPCWSTR /*device*/, LPCWSTR /*output*/, const void* /*initData*/) {
  if (driver == nullptr || _wcsicmp(driver, u"DISPLAY") != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return NewWindowDc(nullptr);
}

BOOL DeleteDC(HDC hdc) {
  Guard lock(Objects().Lock());
  GdiDc* dc = Objects().FindDc(hdc);
  if (dc == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The bitmap survives its DC and may be selected elsewhere afterwards.
  if (dc->kind == GdiDc::kMemory && dc->bitmap && dc->bitmap->selectedInto == hdc) {
    dc->bitmap->selectedInto = nullptr;
  }
  Objects().RemoveDc(hdc);
  return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  Guard lock(Objects().Lock());
  GdiDc* dc = Objects().FindDc(hdc);
  std::shared_ptr<CGdiBitmap> bitmap = Objects().FindBitmap(obj);
  if (dc == nullptr || dc->kind != GdiDc::kMemory || !bitmap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const bool placeholder = obj == Objects().Placeholder();
  if (!placeholder && bitmap->selectedInto != nullptr && bitmap->selectedInto != hdc) {
    SetLastError(ERROR_INVALID_PARAMETER);  // one DC at a time
    return nullptr;
  }
  HGDIOBJ previous = dc->selected;
  if (dc->bitmap && dc->bitmap->selectedInto == hdc) dc->bitmap->selectedInto = nullptr;
  dc->selected = static_cast<HBITMAP>(obj);
  dc->bitmap = bitmap;
  if (!placeholder) bitmap->selectedInto = hdc;
  return previous;
}

BOOL DeleteObject(HGDIOBJ obj) {
  Guard lock(Objects().Lock());
  std::shared_ptr<CGdiBitmap> bitmap = Objects().FindBitmap(obj);
  if (!bitmap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (obj == Objects().Placeholder()) return TRUE;
  if (bitmap->selectedInto != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Objects().RemoveBitmap(obj);
  return TRUE;
}

int GetObjectW(HGDIOBJ obj, int cb, LPVOID out) {
  Guard lock(Objects().Lock());
  std::shared_ptr<CGdiBitmap> bitmap = Objects().FindBitmap(obj);
  if (!bitmap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (out == nullptr) return static_cast<int>(sizeof(BITMAP));
  if (cb < static_cast<int>(sizeof(BITMAP))) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  BITMAP bm = bitmap->Describe();
  if (obj == Objects().Placeholder()) bm.bmBits = nullptr;
  std::memcpy(out, &bm, sizeof(bm));
  return static_cast<int>(sizeof(BITMAP));
}

BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int srcX, int srcY, DWORD rop) {
  if (rop != SRCCOPY || cx < 0 || cy < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Guard lock(Objects().Lock());
  GdiDc* to = Objects().FindDc(dst);
  GdiDc* from = Objects().FindDc(src);
  if (to == nullptr || from == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!Drawable(to->bitmap) || !Drawable(from->bitmap)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  CGdiBitmap& d = *to->bitmap;
  const CGdiBitmap& s = *from->bitmap;
  int64_t dx = x, dy = y, sx = srcX, sy = srcY, w = cx, h = cy;
  // Pixels outside either bitmap are neither read nor written.
  if (!ClipAxis(&dx, &sx, &w, d.Width(), s.Width()) || !ClipAxis(&dy, &sy, &h, d.Height(), s.Height())) {
    return TRUE;
  }
  CGdiBitmap::Copy(d, static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(w), static_cast<int>(h), s,
                   static_cast<int>(sx), static_cast<int>(sy));
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  return NewWindowDc(hwnd);
}

// Windows have no frame here, so the whole-window DC is the client DC.
HDC GetWindowDC(HWND hwnd) {
  return NewWindowDc(hwnd);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
  Guard lock(Objects().Lock());
  GdiDc* dc = Objects().FindDc(hdc);
  if (dc == nullptr || dc->kind == GdiDc::kMemory || dc->hwnd != hwnd) return 0;
  Objects().RemoveDc(hdc);
  return 1;
}

int GetDeviceCaps(HDC hdc, int index) {
  {
    Guard lock(Objects().Lock());
    if (Objects().FindDc(hdc) == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
  }
  const wce::ScreenConfig screen = wce::GetScreen();
  switch (index) {
    case HORZRES:
      return screen.width;
    case VERTRES:
      return screen.height;
    case BITSPIXEL:
      return screen.bitsPerPixel;
    case PLANES:
      return 1;
    default:
      return 0;
  }
}

namespace wce {

BOOL SaveBitmapFile(HBITMAP bitmap, const std::string& path) {
  Guard lock(Objects().Lock());
  std::shared_ptr<CGdiBitmap> b = Objects().FindBitmap(bitmap);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return WriteBmp(*b, path);
}

BOOL SaveBitmapFile(HDC hdc, const std::string& path) {
  Guard lock(Objects().Lock());
  GdiDc* dc = Objects().FindDc(hdc);
  if (dc == nullptr || !dc->bitmap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return WriteBmp(*dc->bitmap, path);
}

BOOL GetWindowSurface(HWND hwnd, BITMAP* out) {
  if (out == nullptr) return FALSE;
  Guard lock(Objects().Lock());
  std::shared_ptr<CGdiBitmap> surface = Objects().WindowSurface(hwnd);
  if (!surface) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *out = surface->Describe();
  return TRUE;
}

void SetGdiWindowSource(const GdiWindowSource& source) {
  Guard lock(Objects().Lock());
  Objects().SetWindowSource(source);
}

void ResetGdi() {
  Guard lock(Objects().Lock());
  Objects().Reset();
}

}  // namespace wce
