// The integer pixel kernels the bitmap classes blend, mix, darken, copy, stretch, rotate and
// hue-shift with, in RGB565 (R bits 11-15, G 5-10, B 0-4) and 32 bits (0xAARRGGBB, B in the low
// byte). All arithmetic is unsigned and truncating: the exact results are part of the system's look.
// The 32-bit kernels of blending, mixing and darkening keep the destination's top byte and never
// copy the source's.
//
// Pixel memory is a DIB's: rows bottom-up, so image row y lies in memory row height - 1 - y. A 565
// row holds the width rounded up to even (rows are padded to 4 bytes); a 32-bit row the width. The
// 565 alpha plane has one byte a pixel (0 transparent .. 63 opaque) in the same row layout.
//
// Rectangle forms take rectangles their caller has clipped to both bitmaps. Whole-bitmap forms run
// over the whole memory, the 565 row padding included.
#pragma once

#include "platform/kernel/wcetypes.h"

// A constant alpha is sorted into a class first; all but the general class take a fast path.
enum WceUiAlphaClass {
  WCEUI_ALPHA_NONE = 0,            // below 9: nothing changes
  WCEUI_ALPHA_QUARTER = 1,         // 56..72
  WCEUI_ALPHA_HALF = 2,            // 120..136
  WCEUI_ALPHA_THREE_QUARTERS = 3,  // 184..200
  WCEUI_ALPHA_FULL = 4,            // 247 and above: replacement
  WCEUI_ALPHA_GENERAL = 5,         // any other value
};
WceUiAlphaClass WceUiGetAlphaClass(int nAlpha);

// COLORREF (red in the low byte) to a pixel value. The 32-bit kernels take a converted colour too,
// so that one colour text looks the same at both depths.
WORD WceUiColorTo565(DWORD crColor);
DWORD WceUiColorTo32(DWORD crColor);

// One bitmap's pixel memory.
struct WceUiPixels {
  void* m_pBits;
  BYTE* m_pAlpha;  // 565 only, or NULL
  int m_nWidth;
  int m_nHeight;
};
// Pixels in one 565 memory row: the width rounded up to even.
inline int WceUiGetRowPixels565(int nWidth) {
  return (nWidth + 1) & ~1;
}
WORD* WceUiGetRow565(const WceUiPixels& pixels, int y);
DWORD* WceUiGetRow32(const WceUiPixels& pixels, int y);
BYTE* WceUiGetAlphaRow565(const WceUiPixels& pixels, int y);

// The SSE2 forms give exactly the scalar forms' pixels; tests switch between them.
void WceUiSetSimdKernels(BOOL bUse);
BOOL WceUiGetSimdKernels();

// ---- rows of nCount pixels
// Constant alpha: source over destination.
void WceUiBlendRow565(WORD* pDst, const WORD* pSrc, int nCount, int nAlpha);
void WceUiBlendRow32(DWORD* pDst, const DWORD* pSrc, int nCount, int nAlpha);
// Per-pixel alpha over a premultiplied source: 565 alpha from the plane, 32-bit from the top byte.
void WceUiBlendPerPixelRow565(WORD* pDst, const WORD* pSrc, const BYTE* pSrcAlpha, int nCount);
void WceUiBlendPerPixelRow32(DWORD* pDst, const DWORD* pSrc, int nCount);
// A colour (already a pixel value) mixed over the destination; black darkens instead.
void WceUiMixColorRow565(WORD* pDst, int nCount, WORD wColor, int nAlpha);
void WceUiMixColorRow32(DWORD* pDst, int nCount, DWORD dwColor, int nAlpha);
void WceUiDarkenRow565(WORD* pDst, int nCount, int nAlpha);
void WceUiDarkenRow32(DWORD* pDst, int nCount, int nAlpha);
// Source pixels other than the key are copied (32 bits: the key is compared on the colour bytes).
void WceUiTransCopyRow565(WORD* pDst, const WORD* pSrc, int nCount, WORD wKey);
void WceUiTransCopyRow32(DWORD* pDst, const DWORD* pSrc, int nCount, DWORD dwKey);
// Nearest pixel: destination pixel i takes source pixel i * nSrcCount / nDstCount.
void WceUiStretchRow565(WORD* pDst, int nDstCount, const WORD* pSrc, int nSrcCount);
void WceUiStretchRow32(DWORD* pDst, int nDstCount, const DWORD* pSrc, int nSrcCount);
void WceUiHueShiftRow565(WORD* pPixels, int nCount, int nOffsetHue);
void WceUiHueShiftRow32(DWORD* pPixels, int nCount, int nOffsetHue);

// ---- bitmaps: rectangle (x, y, w, h) and whole-bitmap forms
void WceUiBlendRect565(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src, int xSrc,
                       int ySrc, int nAlpha);
void WceUiBlendRect32(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src, int xSrc,
                      int ySrc, int nAlpha);
void WceUiBlendWhole565(const WceUiPixels& dst, const WceUiPixels& src, int nAlpha);
void WceUiBlendWhole32(const WceUiPixels& dst, const WceUiPixels& src, int nAlpha);

void WceUiBlendPerPixelRect565(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src,
                               int xSrc, int ySrc);
void WceUiBlendPerPixelRect32(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src,
                              int xSrc, int ySrc);
void WceUiBlendPerPixelWhole565(const WceUiPixels& dst, const WceUiPixels& src);
void WceUiBlendPerPixelWhole32(const WceUiPixels& dst, const WceUiPixels& src);

// The 565 whole-bitmap colour mix of the half, three-quarter and full classes works on two pixels a
// 32-bit word: D/2 + M/2 and D/4 + (3M)/4 per channel, which differ by one from the rectangle form's
// (D + M)/2 and (D + 3M)/4 on odd values.
void WceUiMixColorRect565(const WceUiPixels& dst, int x, int y, int w, int h, WORD wColor, int nAlpha);
void WceUiMixColorRect32(const WceUiPixels& dst, int x, int y, int w, int h, DWORD dwColor, int nAlpha);
void WceUiMixColorWhole565(const WceUiPixels& dst, WORD wColor, int nAlpha);
void WceUiMixColorWhole32(const WceUiPixels& dst, DWORD dwColor, int nAlpha);
void WceUiDarkenRect565(const WceUiPixels& dst, int x, int y, int w, int h, int nAlpha);
void WceUiDarkenRect32(const WceUiPixels& dst, int x, int y, int w, int h, int nAlpha);
void WceUiDarkenWhole565(const WceUiPixels& dst, int nAlpha);
void WceUiDarkenWhole32(const WceUiPixels& dst, int nAlpha);

void WceUiTransCopyRect565(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src,
                           int xSrc, int ySrc, WORD wKey);
void WceUiTransCopyRect32(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src,
                          int xSrc, int ySrc, DWORD dwKey);
// Nearest pixel both ways: destination (x + i, y + j) takes source
// (xSrc + i * wSrc / w, ySrc + j * hSrc / h).
void WceUiStretchRect565(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src, int xSrc,
                         int ySrc, int wSrc, int hSrc);
void WceUiStretchRect32(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src, int xSrc,
                        int ySrc, int wSrc, int hSrc);

// Quarter turns clockwise (1 = 90, 2 = 180, 3 = 270) into a destination of the turned size; only
// pixel values move (32 bits: the whole word).
enum WceUiRotateAngle { WCEUI_ROTATE_90 = 1, WCEUI_ROTATE_180 = 2, WCEUI_ROTATE_270 = 3 };
void WceUiRotate565(const WceUiPixels& dst, const WceUiPixels& src, int nAngle);
void WceUiRotate32(const WceUiPixels& dst, const WceUiPixels& src, int nAngle);

// Every pixel, padding included; the offset lies in -180..180.
void WceUiHueShiftWhole565(const WceUiPixels& pixels, int nOffsetHue);
void WceUiHueShiftWhole32(const WceUiPixels& pixels, int nOffsetHue);
