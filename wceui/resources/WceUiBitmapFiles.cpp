#include "resources/WceUiBitmapFiles.h"

#include "core/WceUiLog.h"

#include <cstring>

namespace {
const WORD kBmpMagic = 0x4D42;  // "BM"
const DWORD kFileHeaderSize = 14;
const DWORD kPixelOffsetAt = 10;

DWORD ReadLe32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
         (static_cast<DWORD>(p[3]) << 24);
}
}  // namespace

ULONGLONG WceUiGetDibDataSize64(LONG nWidth, LONG nHeight, int nBitCount) {
  if (nWidth <= 0 || nHeight <= 0 || nBitCount <= 0) return 0;
  const ULONGLONG nRowBytes =
      (static_cast<ULONGLONG>(nWidth) * static_cast<ULONGLONG>(nBitCount) + 31) / 32 * 4;
  return nRowBytes * static_cast<ULONGLONG>(nHeight);
}

ULONGLONG WceUiGetAlphaPlaneSize64(LONG nWidth, LONG nHeight) {
  if (nWidth <= 0 || nHeight <= 0) return 0;
  return ((static_cast<ULONGLONG>(nWidth) + 1) & ~1ULL) * static_cast<ULONGLONG>(nHeight);
}

BOOL GetBitmapInfoFromBuffer(const BYTE* lpBuffer, DWORD nBuffLen, BITMAPINFO* pHeader,
                             const BYTE** ppBmpBits) {
  WCEUI_CHECK(NULL != lpBuffer);
  WCEUI_CHECK((nBuffLen > MIN_BITMAP_BUF_LEN));
  WCEUI_CHECK(NULL != ppBmpBits);
  if (pHeader != nullptr) std::memset(pHeader, 0, sizeof(BITMAPINFO));
  if (ppBmpBits != nullptr) *ppBmpBits = nullptr;
  if (lpBuffer == nullptr || nBuffLen <= MIN_BITMAP_BUF_LEN || ppBmpBits == nullptr || pHeader == nullptr) {
    return 0;
  }
  if ((lpBuffer[0] | (lpBuffer[1] << 8)) != kBmpMagic) return 0;
  const DWORD nPixelOffset = ReadLe32(lpBuffer + kPixelOffsetAt);
  if (nPixelOffset < kFileHeaderSize || nPixelOffset > nBuffLen) return 0;

  // A file of 54 to 57 bytes ends inside the 4 bytes behind the info header: those stay 0.
  DWORD nCopy = nBuffLen - kFileHeaderSize;
  if (nCopy > sizeof(BITMAPINFO)) nCopy = sizeof(BITMAPINFO);
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  std::memcpy(&info, lpBuffer + kFileHeaderSize, nCopy);
  const BITMAPINFOHEADER& bmih = info.bmiHeader;
  WCEUI_CHECK(bmih.biWidth > 0);
  WCEUI_CHECK(bmih.biHeight > 0);
  WCEUI_CHECK(bmih.biBitCount > 0);
  if (bmih.biWidth <= 0 || bmih.biHeight <= 0 || bmih.biBitCount == 0) return 0;
  if (nBuffLen - nPixelOffset < WceUiGetDibDataSize64(bmih.biWidth, bmih.biHeight, bmih.biBitCount)) return 0;

  *pHeader = info;
  *ppBmpBits = lpBuffer + nPixelOffset;
  return 1;
}
