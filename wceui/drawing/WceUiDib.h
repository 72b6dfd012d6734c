// The framework's device-independent bitmaps: bottom-up DIB sections of 16 bits (RGB565, with an
// optional 6-bit alpha plane) or 32 bits, their sizes, BMP files and deep copies.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

// The data of one pixel buffer, shared between bitmap objects that hold the same picture.
struct CFhBmpData {
  LONG m_nRef;        // bitmaps sharing it; -1: locked, its pixels handed out, never shared again
  HBITMAP m_hBitmap;  // the DIB section, none while empty
  void* m_pBits;      // the DIB's pixels
  BITMAP m_Bmp;       // the DIB's description
  BYTE* m_pAlpha;     // 565 only, owned: 0 (transparent) ... 63 (opaque) a pixel, rows as the DIB's
  DWORD m_dwTransColor;
  LONG m_nConstAlpha;
};

HBITMAP CreateEmptyDIB565(int nWidth, int nHeight, void** ppBits);
HBITMAP CreateEmptyDIB32(int nWidth, int nHeight, void** ppBits);

// Bytes of a 565 bitmap's alpha plane: the width rounded down to even after adding one, times the
// height.
DWORD FhGetDIB565PixelCount(int nWidth, int nHeight);
// Bytes of a DIB's pixels: rows padded to 4 bytes.
DWORD FhGetDIBDataSize(int nWidth, int nHeight, int nBitCount);
DWORD FhGetBitmapDataLen(int nWidth, int nHeight, int nBitCount);

// Bottom-up BMP files of the given pixel rows (as FhGetDIBDataSize counts them).
constexpr DWORD kFh565BmpHeaderSize = 70;  // file header 14, info 40, masks 12, 4 zero bytes
constexpr DWORD kFh32BmpHeaderSize = 58;   // file header 14, info 40, 4 zero bytes
BOOL Save565BmpFile(LPCWSTR pSaveFileName, const void* pData, int nWidth, int nHeight);
BOOL Save32BmpFile(LPCWSTR pSaveFileName, const void* pData, int nWidth, int nHeight);

// Any bitmap into a new framework DIB of 16 or 32 bits, described in the record; on failure the
// record is cleared.
BOOL CopyHBitmap(CFhBmpData* pData, int nDstBitsPixel, HBITMAP hBitmap);
// Deep copies: a new DIB with the source's pixels (and, for 565, its alpha plane), the transparent
// colour and the constant alpha. The destination record is overwritten, not released.
BOOL CopyBmpData565(CFhBmpData* pDst, const CFhBmpData* pSrc);
BOOL CopyBmpData32(CFhBmpData* pDst, const CFhBmpData* pSrc);
