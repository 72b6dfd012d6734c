#include "wceui/resfiles/WceUiBitmapFiles.h"

#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/drawing/CWceUi32Bitmap.h"
#include "wceui/drawing/CWceUi565Bitmap.h"
#include "wceui/resfiles/WceUiReadFile.h"

#include <memory>
#include <new>

#include <cstring>

namespace {
const WORD kBmpMagic = 0x4D42;  // "BM"
const DWORD kFileHeaderSize = 14;
const DWORD kPixelOffsetAt = 10;
const DWORD kBitCountAt = 28;  // biBitCount behind the 14-byte file header

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

CWceUiGenericBitmap* WceUiCreateBitmapObject(int nBitsPixel) {
  CWceUiGenericBitmap* pBmp = nullptr;
  if (nBitsPixel == 16) {
    pBmp = new (std::nothrow) CWceUi565Bitmap;
    if (pBmp == nullptr) {
      WceUiLogA(WCEUI_LOG_ERROR, "%s,new fail,sizeof(CWceUi565Bitmap)=%u", "WceUiCreateBitmapObject",
                static_cast<unsigned>(sizeof(CWceUi565Bitmap)));
    }
  } else if (nBitsPixel == 32) {
    pBmp = new (std::nothrow) CWceUi32Bitmap;
    if (pBmp == nullptr) {
      WceUiLogA(WCEUI_LOG_ERROR, "%s,new fail,sizeof(CWceUi32Bitmap)=%u", "WceUiCreateBitmapObject",
                static_cast<unsigned>(sizeof(CWceUi32Bitmap)));
    }
  } else {
    WceUiLogA(WCEUI_LOG_ERROR, "%s,bmBitsPixel is invalid, neither 16 nor 32", "WceUiCreateBitmapObject");
  }
  return pBmp;
}

CWceUiGenericBitmap* WceUiLoadBmpFromBuffers(LPCWSTR pFilePath, const BYTE* pBmp, DWORD nBmpLen,
                                             BOOL bPerPixelAlpha, LPCWSTR pAlphaPath, const BYTE* pAlpha,
                                             DWORD nAlphaLen) {
  static const char16_t kName[] = u"WceUiLoadBmpFromFile";
  BITMAPINFO info;
  const BYTE* pBits = nullptr;
  if (!GetBitmapInfoFromBuffer(pBmp, nBmpLen, &info, &pBits)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s, %s is not a valid bitmap", kName, pFilePath);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info.bmiHeader;
  if (h.biBitCount == 16) {
    if (bPerPixelAlpha) {
      if (pAlphaPath == nullptr) {
        WceUiLogW(WCEUI_LOG_ERROR, u"%s, load %s , bPerPixelAlpha is TRUE but pAlphaPath is NULL", kName,
                  pFilePath);
        return nullptr;
      }
      if (pAlpha == nullptr) {
        WceUiLogW(WCEUI_LOG_ERROR, u"%s, read %s failed", kName, pAlphaPath);
        return nullptr;
      }
      if (nAlphaLen < WceUiGetAlphaPlaneSize64(h.biWidth, h.biHeight)) {
        WceUiLogW(WCEUI_LOG_ERROR, u"%s, read %s failed, the length is not enough", kName, pAlphaPath);
        return nullptr;
      }
    }
    std::unique_ptr<CWceUi565Bitmap> pNew(new (std::nothrow) CWceUi565Bitmap);
    if (pNew && pNew->CreateDIB565(h.biWidth, h.biHeight, pBits, bPerPixelAlpha ? pAlpha : nullptr)) {
      return pNew.release();
    }
  } else if (h.biBitCount == 32) {
    std::unique_ptr<CWceUi32Bitmap> pNew(new (std::nothrow) CWceUi32Bitmap);
    if (pNew && pNew->CreateDIB32(h.biWidth, h.biHeight, pBits, bPerPixelAlpha)) return pNew.release();
  } else {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s, %s is neither  16 nor 32 bitmap", kName, pFilePath);
    return nullptr;
  }
  WceUiLogW(WCEUI_LOG_ERROR, u"%s, CreateDIB %s failed", kName, pFilePath);
  return nullptr;
}

CWceUiGenericBitmap* WceUiLoadBmpFromFile(LPCWSTR pFilePath, BOOL bPerPixelAlpha, LPCWSTR pAlphaPath) {
  WCEUI_CHECK(NULL != pFilePath);
  if (pFilePath == nullptr) return nullptr;
  LPCWSTR pPassword = WceUiGetGlobals()->GetGlobalData()->GetPassword();
  DWORD nBmpLen = 0;
  std::unique_ptr<BYTE[]> pBmp(WceUiReadFile(pFilePath, &nBmpLen, pPassword));
  if (!pBmp) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s, WceUiReadFile %s failed", u"WceUiLoadBmpFromFile", pFilePath);
    return nullptr;
  }
  // The alpha plane is read only for a 16-bit picture that asks for it; the bit count is checked
  // again with the whole header.
  DWORD nAlphaLen = 0;
  std::unique_ptr<BYTE[]> pAlpha;
  const bool b16 = nBmpLen > kBitCountAt + 1 && pBmp[kBitCountAt] == 16 && pBmp[kBitCountAt + 1] == 0;
  if (bPerPixelAlpha && pAlphaPath != nullptr && b16)
    pAlpha.reset(WceUiReadFile(pAlphaPath, &nAlphaLen, pPassword));
  return WceUiLoadBmpFromBuffers(pFilePath, pBmp.get(), nBmpLen, bPerPixelAlpha, pAlphaPath, pAlpha.get(),
                                 nAlphaLen);
}
