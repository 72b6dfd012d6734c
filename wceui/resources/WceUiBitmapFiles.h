// Reading 16- and 32-bit BMP files.
#pragma once

#include "gdi/gdi.h"
#include "kernel/wcetypes.h"

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
