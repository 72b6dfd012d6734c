// Reading 16- and 32-bit BMP files (with a separate alpha plane for 16 bits) into bitmap objects.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

// A buffer of fewer bytes cannot hold the 14-byte file header and the 40-byte info header.
#define MIN_BITMAP_BUF_LEN 53

// Checks a BMP file held in memory: "BM", a pixel offset within the buffer, a width, height and bit
// count above 0, and as many pixel bytes behind the offset as the rows need (padded to 4 bytes).
// The info header and the 4 bytes behind it go to *pHeader (bytes the buffer lacks are 0), the
// pixels' address to *ppBmpBits. On failure both are cleared and 0 is returned.
BOOL GetBitmapInfoFromBuffer(const BYTE* lpBuffer, DWORD nBuffLen, BITMAPINFO* pHeader,
                             const BYTE** ppBmpBits);

// Bytes of pixel data (rows padded to 4 bytes) and of a 565 alpha plane (even-width rows), in 64
// bits, for sizes that come from a file.
ULONGLONG WceUiGetDibDataSize64(LONG nWidth, LONG nHeight, int nBitCount);
ULONGLONG WceUiGetAlphaPlaneSize64(LONG nWidth, LONG nHeight);

class CWceUiGenericBitmap;

// A new empty bitmap object of 16 or 32 bits, owned by the caller; none for any other depth.
CWceUiGenericBitmap* WceUiCreateBitmapObject(int nBitsPixel);

// A bitmap loaded from a BMP file read with WceUiReadFile (a plain path or a pack item) and the
// global pack password. A 16-bit picture with bPerPixelAlpha takes its alpha from pAlphaPath: one
// byte a pixel, even-width rows bottom-up, 0..63 (larger values load as 63). Height must be
// positive (bottom-up rows); 16-bit pixels are RGB565 and 32-bit ones are taken as stored whatever
// the compression field says. Owned by the caller; none, with one error line, on failure.
CWceUiGenericBitmap* WceUiLoadBmpFromFile(LPCWSTR pFilePath, BOOL bPerPixelAlpha, LPCWSTR pAlphaPath);
// The same over bytes already read; the paths only name them in the messages.
CWceUiGenericBitmap* WceUiLoadBmpFromBuffers(LPCWSTR pFilePath, const BYTE* pBmp, DWORD nBmpLen,
                                             BOOL bPerPixelAlpha, LPCWSTR pAlphaPath, const BYTE* pAlpha,
                                             DWORD nAlphaLen);
