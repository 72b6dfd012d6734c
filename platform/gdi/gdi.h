// The GDI the head unit draws with: DIB sections, memory device contexts, window device contexts and
// BitBlt. Screens here are 32-bit (bytes B, G, R, X) or 16-bit RGB565. A window's device context
// draws into an off-screen surface kept per window, so what the program shows can be inspected and
// saved without a display.
#pragma once

#include "kernel/wcetypes.h"
#include "user/user.h"

#include <string>

struct HDC__;
typedef HDC__* HDC;
struct HBITMAP__;
typedef HBITMAP__* HBITMAP;
typedef void* HGDIOBJ;

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // > 0: rows bottom-up; < 0: rows top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

// With BI_BITFIELDS the red, green and blue masks follow the header as three DWORDs.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

#define BI_RGB 0L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0
#define SRCCOPY 0x00CC0020u

// GetDeviceCaps
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14

// 32 bits BI_RGB (or BI_BITFIELDS with the masks 0xFF0000, 0xFF00, 0xFF), or 16 bits BI_BITFIELDS
// with the RGB565 masks 0xF800, 0x07E0, 0x001F. The pixels start zeroed; rows are padded to 4 bytes.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
// A memory DC holding a 1x1 monochrome placeholder until a bitmap is selected into it.
HDC CreateCompatibleDC(HDC hdc);
// Only "DISPLAY": a device context of the screen (for its capabilities; it holds no pixels).
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const void* initData);
BOOL DeleteDC(HDC hdc);
// Bitmaps into memory DCs only; a bitmap sits in one DC at a time. Returns the previous bitmap.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
// A bitmap still selected into a DC is not deleted (FALSE).
BOOL DeleteObject(HGDIOBJ obj);
// BITMAP of a bitmap; bmHeight is positive whichever way the rows run.
int GetObjectW(HGDIOBJ obj, int cb, LPVOID out);
// SRCCOPY only, 16 and 32 bits in any combination; 32 -> 16 keeps the top bits of each channel,
// 16 -> 32 repeats them into the low bits (so 0xFFFF becomes 0x00FFFFFF). Clipped to both bitmaps.
BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int srcX, int srcY, DWORD rop);
// NULL: the screen. A window: its client area (the whole window here). Release with ReleaseDC.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
// The configured screen (wce::SetScreen) for every device context.
int GetDeviceCaps(HDC hdc, int index);

// ---- our own hooks (no CE counterpart)
namespace wce {
// Writes a bottom-up BMP file: 32-bit BI_RGB, or 16-bit BI_BITFIELDS with the RGB565 masks.
// A DC is saved through the bitmap selected into it or its window's surface.
BOOL SaveBitmapFile(HBITMAP bitmap, const std::string& path);
BOOL SaveBitmapFile(HDC hdc, const std::string& path);
// The window's surface (made at the window's size and the screen's depth if it has none yet), rows
// top-down. The pointer stays valid until the window is resized and drawn again, destroyed, or
// ResetGdi.
BOOL GetWindowSurface(HWND hwnd, BITMAP* out);
// Tests only: every bitmap, DC and window surface is forgotten.
void ResetGdi();
}  // namespace wce
