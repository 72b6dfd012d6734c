// The GDI the head unit draws with: DIB sections, memory device contexts, window device contexts,
// blits, brushes, rectangular clip regions and text through FreeType fonts. Screens here are 32-bit
// (bytes B, G, R, X) or 16-bit RGB565. A window's device context draws into an off-screen surface
// kept per window, so what the program shows can be inspected and saved without a display.
//
// GDI sits under USER and knows nothing of it: window DCs learn a window's existence and size
// through the table of functions that USER installs (wce::SetGdiWindowSource).
#pragma once

#include "platform/kernel/wcetypes.h"

struct HDC__;
typedef HDC__* HDC;
struct HBITMAP__;
typedef HBITMAP__* HBITMAP;
struct HBRUSH__;
typedef HBRUSH__* HBRUSH;
struct HFONT__;
typedef HFONT__* HFONT;
struct HRGN__;
typedef HRGN__* HRGN;
// Any of the GDI object handles above; each converts to it as on CE.
typedef void* HGDIOBJ;

typedef DWORD COLORREF;
typedef int* LPINT;

struct POINT {
  LONG x;
  LONG y;
};
typedef POINT* LPPOINT;

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;

struct SIZE {
  LONG cx;
  LONG cy;
};
typedef SIZE* LPSIZE;

// Red in the low byte.
#define RGB(r, g, b)                                                                               \
  (static_cast<COLORREF>((static_cast<BYTE>(r)) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                         (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(rgb) (static_cast<BYTE>(rgb))
#define GetGValue(rgb) (static_cast<BYTE>(static_cast<WORD>(rgb) >> 8))
#define GetBValue(rgb) (static_cast<BYTE>((rgb) >> 16))
#define CLR_INVALID 0xFFFFFFFFu

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

#define LF_FACESIZE 32
struct LOGFONTW {
  LONG lfHeight;  // < 0: the em size in pixels; > 0: the cell height (ascent + descent); 0: default
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;  // FW_SEMIBOLD and above draw bold
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONTW* LPLOGFONTW;
// The framework compares fonts as these bytes: 28 of fields, then the face name.
static_assert(sizeof(LOGFONTW) == 92, "LOGFONTW is 92 bytes");

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define DEFAULT_CHARSET 1

#define BI_RGB 0L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0

// Raster operations of BitBlt and StretchBlt.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// SetStretchBltMode; every mode picks the nearest source pixel (no averaging) here.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

// SetBkMode
#define TRANSPARENT 1
#define OPAQUE 2

// GetStockObject
#define WHITE_BRUSH 0
#define SYSTEM_FONT 13

// Region kinds answered by SelectClipRgn.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

// DrawTextW formats. Without DT_WORDBREAK or DT_SINGLELINE lines break only at line feeds.
#define DT_TOP 0x00000000u
#define DT_LEFT 0x00000000u
#define DT_CENTER 0x00000001u
#define DT_RIGHT 0x00000002u
#define DT_VCENTER 0x00000004u  // with DT_SINGLELINE only, as on CE
#define DT_BOTTOM 0x00000008u   // with DT_SINGLELINE only, as on CE
#define DT_WORDBREAK 0x00000010u
#define DT_SINGLELINE 0x00000020u
#define DT_NOCLIP 0x00000100u
#define DT_CALCRECT 0x00000400u
#define DT_NOPREFIX 0x00000800u
#define DT_END_ELLIPSIS 0x00008000u

// GetDeviceCaps
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14

// ---- bitmaps and device contexts
// 32 bits BI_RGB (or BI_BITFIELDS with the masks 0xFF0000, 0xFF00, 0xFF), or 16 bits BI_BITFIELDS
// with the RGB565 masks 0xF800, 0x07E0, 0x001F. The pixels start zeroed; rows are padded to 4 bytes.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
// A memory DC holding a 1x1 monochrome placeholder until a bitmap is selected into it; its font
// is the stock SYSTEM_FONT, its text colour black, its background mode OPAQUE (white), no clip
// region and the origin at 0, 0.
HDC CreateCompatibleDC(HDC hdc);
// Only "DISPLAY": a device context of the screen (for its capabilities; it holds no pixels).
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const void* initData);
BOOL DeleteDC(HDC hdc);
// Bitmaps into memory DCs only (a bitmap sits in one DC at a time), fonts into any DC; brushes are
// not selected (FillRect takes its brush). Returns the object of that kind selected before; a
// region is selected as SelectClipRgn does and answers its region kind. nullptr (HGDI_ERROR for
// regions) on failure.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
// A bitmap still selected into a DC is not deleted (FALSE); stock objects stay (TRUE).
BOOL DeleteObject(HGDIOBJ obj);
// BITMAP of a bitmap (bmHeight positive whichever way the rows run), LOGFONTW of a font. With no
// buffer: the size needed.
int GetObjectW(HGDIOBJ obj, int cb, LPVOID out);
// Only SYSTEM_FONT.
HGDIOBJ GetStockObject(int object);

// ---- device context state
int SetBkMode(HDC hdc, int mode);                // previous mode, 0 on failure
COLORREF SetTextColor(HDC hdc, COLORREF color);  // previous colour, CLR_INVALID on failure
int SetStretchBltMode(HDC hdc, int mode);        // previous mode, 0 on failure
// The logical point that lands on device point (0, 0) is (-x, -y): every drawing call adds (x, y)
// to its destination (and a blit's source DC adds its own to the source). Clip regions stay in
// device coordinates.
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous);
// A rectangle in device coordinates; the DC keeps its own copy, so the region may be deleted
// afterwards. nullptr removes the clip. Answers the kind of the clip now in force or ERROR.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
int SelectClipRgn(HDC hdc, HRGN rgn);

// ---- drawing: every call draws only inside the destination bitmap and the DC's clip region.
// 16 and 32 bits in any combination; 32 -> 16 keeps the top bits of each channel, 16 -> 32 repeats
// them into the low bits (so 0xFFFF becomes 0x00FFFFFF). SRCCOPY, SRCPAINT (or), SRCAND (and),
// SRCINVERT (xor) combine the source converted to the destination's depth with the destination;
// BLACKNESS and WHITENESS need no source (it may be NULL).
BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int srcX, int srcY, DWORD rop);
// The source block scaled onto the destination block by the nearest source pixel; negative sizes
// are refused. Same operations as BitBlt.
BOOL StretchBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int srcX, int srcY, int srcCx, int srcCy,
                DWORD rop);
// A stretched copy that leaves out the source pixels of the transparent colour (compared in the
// source's depth: for RGB565 sources the colour is reduced to 565 first). The source is a DC or
// a bitmap handle, as on CE.
BOOL TransparentImage(HDC dst, LONG x, LONG y, LONG cx, LONG cy, HANDLE src, LONG srcX, LONG srcY, LONG srcCx,
                      LONG srcCy, COLORREF transparent);
HBRUSH CreateSolidBrush(COLORREF color);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);  // nonzero on success

// ---- fonts and text
// lfHeight < 0 is the em size in pixels, > 0 the cell height, 0 the system font's size. A face
// that is not installed falls back to fontconfig's choice for the name (the system font's face
// when fontconfig has none). Weight FW_SEMIBOLD and up, and lfItalic, take the face's own style or
// a synthetic one. lfWidth, lfEscapement, lfOrientation, lfUnderline and lfStrikeOut are kept
// (GetObjectW gives the LOGFONTW back as given) but change nothing drawn.
HFONT CreateFontIndirectW(const LOGFONTW* font);
// Antialiased in the DC's text colour; OPAQUE mode first fills each line's box white. Returns the
// height of the text drawn; with DT_VCENTER or DT_BOTTOM the offset from the rectangle's top to the
// text's bottom. DT_CALCRECT draws nothing and sets the rectangle's right and bottom to the text's
// box. count -1: up to the terminating zero. "&" is drawn as it is, as with DT_NOPREFIX.
int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format);
// The width and height of the first count characters; with fit, how many fit in maxExtent; with
// dx, the extent up to the end of each character (of the fitting ones when fit is asked).
BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size);
// Makes the faces of a TrueType/OpenType file available to CreateFontIndirectW by their family name.
// Returns the number of faces added (0 on failure).
int AddFontResourceW(LPCWSTR path);
BOOL RemoveFontResourceW(LPCWSTR path);

// ---- window device contexts
// NULL: the screen. A window: its client area (the whole window here). Release with ReleaseDC.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
// The configured screen (wce::SetScreen) for every device context.
int GetDeviceCaps(HDC hdc, int index);

#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(-1)))
