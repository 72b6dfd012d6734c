// Shared pieces of the GDI tests: DIB sections of both depths and orientations, pixel access by
// memory row, and a window to draw on.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/user/user.h"

#include <cstdint>
#include <cstring>

namespace gditest {

// BITMAPINFOHEADER followed by the three BI_BITFIELDS masks.
struct DibInfo {
  BITMAPINFOHEADER header;
  DWORD masks[3];
};

// height > 0: bottom-up rows; height < 0: top-down rows.
inline HBITMAP MakeDib(int width, int height, int bits, void** pixels) {
  DibInfo info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bits);
  info.header.biCompression = bits == 16 ? BI_BITFIELDS : BI_RGB;
  if (bits == 16) {
    info.masks[0] = 0xF800;
    info.masks[1] = 0x07E0;
    info.masks[2] = 0x001F;
  }
  return CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, pixels,
                          nullptr, 0);
}

inline int Stride(int width, int bits) {
  return (width * bits + 31) / 32 * 4;
}

// Pixel (x, memory row r): r counts rows as they lie in memory, whatever the orientation.
inline uint32_t Read(const void* pixels, int width, int bits, int x, int r) {
  const uint8_t* p = static_cast<const uint8_t*>(pixels) + r * Stride(width, bits) + x * (bits / 8);
  return bits == 16 ? static_cast<uint32_t>(p[0] | (p[1] << 8))
                    : static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24));
}

inline void Write(void* pixels, int width, int bits, int x, int r, uint32_t value) {
  uint8_t* p = static_cast<uint8_t*>(pixels) + r * Stride(width, bits) + x * (bits / 8);
  for (int i = 0; i < bits / 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline LRESULT PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

inline HWND MakeWindow(int width, int height) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = u"GdiTestWnd";
  RegisterClassW(&wc);  // already there after the first call
  return CreateWindowExW(0, u"GdiTestWnd", u"", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr,
                         nullptr);
}

}  // namespace gditest
