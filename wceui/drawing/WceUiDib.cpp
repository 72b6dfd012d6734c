#include "wceui/drawing/WceUiDib.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "wceui/base/WceUiLog.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr DWORD kMask565Red = 0xF800;
constexpr DWORD kMask565Green = 0x07E0;
constexpr DWORD kMask565Blue = 0x001F;
constexpr DWORD kFileHeaderSize = 14;
constexpr DWORD kInfoHeaderSize = 40;

// BITMAPINFO with room for the three colour masks of BI_BITFIELDS.
struct BitmapInfoWithMasks {
  BITMAPINFOHEADER bmiHeader;
  DWORD m_dwMasks[3];
};

HBITMAP CreateEmptyDib(int nWidth, int nHeight, int nBitCount, void** ppBits) {
  BitmapInfoWithMasks info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = nWidth;
  info.bmiHeader.biHeight = nHeight;  // bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(nBitCount);
  if (nBitCount == 16) {
    info.bmiHeader.biCompression = BI_BITFIELDS;
    info.m_dwMasks[0] = kMask565Red;
    info.m_dwMasks[1] = kMask565Green;
    info.m_dwMasks[2] = kMask565Blue;
  } else {
    info.bmiHeader.biCompression = BI_RGB;
  }
  void* pBits = nullptr;
  HBITMAP hBitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                     &pBits, nullptr, 0);
  if (ppBits != nullptr) *ppBits = hBitmap != nullptr ? pBits : nullptr;
  return hBitmap;
}

void Put16(std::vector<BYTE>& out, DWORD v) {
  out.push_back(static_cast<BYTE>(v));
  out.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& out, DWORD v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Headers of a bottom-up BMP file whose pixels follow at once.
std::vector<BYTE> BmpHeaders(int nWidth, int nHeight, int nBitCount, DWORD dwDataSize) {
  const bool b565 = nBitCount == 16;
  const DWORD dwOffset = b565 ? kFh565BmpHeaderSize : kFh32BmpHeaderSize;
  std::vector<BYTE> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, dwDataSize + dwOffset);
  Put16(out, 0);
  Put16(out, 0);
  Put32(out, dwOffset);
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<DWORD>(nWidth));
  Put32(out, static_cast<DWORD>(nHeight));
  Put16(out, 1);
  Put16(out, static_cast<DWORD>(nBitCount));
  Put32(out, b565 ? BI_BITFIELDS : BI_RGB);
  Put32(out, dwDataSize);
  for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolution and colour counts
  if (b565) {
    Put32(out, kMask565Red);
    Put32(out, kMask565Green);
    Put32(out, kMask565Blue);
  }
  Put32(out, 0);
  return out;
}

BOOL SaveBmpFile(const char16_t* pFuncName, LPCWSTR pSaveFileName, const void* pData, int nWidth, int nHeight,
                 int nBitCount) {
  const DWORD dwDataSize = FhGetDIBDataSize(nWidth, nHeight, nBitCount);
  std::vector<BYTE> headers = BmpHeaders(nWidth, nHeight, nBitCount, dwDataSize);
  HANDLE hFile =
      CreateFileW(pSaveFileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s, CreateFile (%s) fail, GetLastError is %d", pFuncName, pSaveFileName,
              static_cast<int>(GetLastError()));
    return FALSE;
  }
  DWORD dwWritten = 0;
  BOOL bOk = WriteFile(hFile, headers.data(), static_cast<DWORD>(headers.size()), &dwWritten, nullptr) &&
             dwWritten == headers.size();
  if (bOk) bOk = WriteFile(hFile, pData, dwDataSize, &dwWritten, nullptr) && dwWritten == dwDataSize;
  if (!bOk) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s, WriteFile (%s) fail, GetLastError is %d", pFuncName, pSaveFileName,
              static_cast<int>(GetLastError()));
  }
  CloseHandle(hFile);
  return bOk;
}

void ClearData(CFhBmpData* pData) {
  std::memset(pData, 0, sizeof(*pData));
}

}  // namespace

HBITMAP CreateEmptyDIB565(int nWidth, int nHeight, void** ppBits) {
  WCEUI_CHECK(nWidth > 0);
  WCEUI_CHECK(nHeight > 0);
  if (nWidth < 1 || nHeight < 1) return nullptr;
  return CreateEmptyDib(nWidth, nHeight, 16, ppBits);
}

HBITMAP CreateEmptyDIB32(int nWidth, int nHeight, void** ppBits) {
  WCEUI_CHECK(nWidth > 0);
  WCEUI_CHECK(nHeight > 0);
  if (nWidth < 1 || nHeight < 1) return nullptr;
  return CreateEmptyDib(nWidth, nHeight, 32, ppBits);
}

DWORD FhGetDIB565PixelCount(int nWidth, int nHeight) {
  return static_cast<DWORD>((nWidth + 1) & ~1) * static_cast<DWORD>(nHeight);
}

DWORD FhGetDIBDataSize(int nWidth, int nHeight, int nBitCount) {
  return static_cast<DWORD>((nWidth * nBitCount + 31) / 32) * 4 * static_cast<DWORD>(nHeight);
}

DWORD FhGetBitmapDataLen(int nWidth, int nHeight, int nBitCount) {
  WCEUI_CHECK(nWidth > 0);
  WCEUI_CHECK(nHeight > 0);
  WCEUI_CHECK(nBitCount > 0);
  const DWORD dwRowBits = (static_cast<DWORD>(nWidth) * nBitCount + 31) & ~31u;
  return dwRowBits * static_cast<DWORD>(nHeight) / 8;
}

BOOL Save565BmpFile(LPCWSTR pSaveFileName, const void* pData, int nWidth, int nHeight) {
  WCEUI_CHECK(NULL != pData);
  WCEUI_CHECK(NULL != pSaveFileName);
  if (pData == nullptr || pSaveFileName == nullptr || nWidth < 1 || nHeight < 1) return FALSE;
  return SaveBmpFile(u"Save565BmpFile", pSaveFileName, pData, nWidth, nHeight, 16);
}

BOOL Save32BmpFile(LPCWSTR pSaveFileName, const void* pData, int nWidth, int nHeight) {
  WCEUI_CHECK(NULL != pData);
  WCEUI_CHECK(NULL != pSaveFileName);
  if (pData == nullptr || pSaveFileName == nullptr || nWidth < 1 || nHeight < 1) return FALSE;
  return SaveBmpFile(u"Save32BmpFile", pSaveFileName, pData, nWidth, nHeight, 32);
}

BOOL CopyHBitmap(CFhBmpData* pData, int nDstBitsPixel, HBITMAP hBitmap) {
  if (pData == nullptr) return FALSE;
  if (nDstBitsPixel != 16 && nDstBitsPixel != 32) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::CopyHBitmap, nDstBitsPixel is %d, not 16 or 32", WCEUI_LOG_TAG,
              nDstBitsPixel);
    return FALSE;
  }
  ClearData(pData);
  BITMAP bmSrc = {};
  if (GetObjectW(hBitmap, sizeof(bmSrc), &bmSrc) == 0) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::CopyHBitmap, call GetObject fail, GetLastError = %d", WCEUI_LOG_TAG,
              static_cast<int>(GetLastError()));
    return FALSE;
  }
  void* pBits = nullptr;
  HBITMAP hNew = nDstBitsPixel == 16 ? CreateEmptyDIB565(bmSrc.bmWidth, bmSrc.bmHeight, &pBits)
                                     : CreateEmptyDIB32(bmSrc.bmWidth, bmSrc.bmHeight, &pBits);
  if (hNew == nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::CopyHBitmap, Create empty dib failed, width=%d, height=%d", WCEUI_LOG_TAG,
              static_cast<int>(bmSrc.bmWidth), static_cast<int>(bmSrc.bmHeight));
    return FALSE;
  }
  HDC hdcSrc = CreateCompatibleDC(nullptr);
  HDC hdcDst = CreateCompatibleDC(nullptr);
  HGDIOBJ hOldSrc = SelectObject(hdcSrc, hBitmap);
  HGDIOBJ hOldDst = SelectObject(hdcDst, hNew);
  BOOL bOk = BitBlt(hdcDst, 0, 0, bmSrc.bmWidth, bmSrc.bmHeight, hdcSrc, 0, 0, SRCCOPY);
  if (!bOk) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::CopyHBitmap, call BitBlt failed, GetLastError = %d", WCEUI_LOG_TAG,
              static_cast<int>(GetLastError()));
  }
  SelectObject(hdcSrc, hOldSrc);
  SelectObject(hdcDst, hOldDst);
  DeleteDC(hdcSrc);
  DeleteDC(hdcDst);
  if (bOk && GetObjectW(hNew, sizeof(pData->m_Bmp), &pData->m_Bmp) == 0) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::CopyHBitmap, call GetObject fail, GetLastError = %d", WCEUI_LOG_TAG,
              static_cast<int>(GetLastError()));
    bOk = FALSE;
  }
  if (!bOk) {
    DeleteObject(hNew);
    ClearData(pData);
    return FALSE;
  }
  pData->m_hBitmap = hNew;
  pData->m_pBits = pBits;
  return TRUE;
}

namespace {

BOOL CopyBmpData(const char* pFuncName, int nBitCount, CFhBmpData* pDst, const CFhBmpData* pSrc) {
  if (pDst == nullptr || pSrc == nullptr || pSrc->m_hBitmap == nullptr ||
      pSrc->m_Bmp.bmBitsPixel != nBitCount) {
    return FALSE;
  }
  const int nWidth = pSrc->m_Bmp.bmWidth;
  const int nHeight = pSrc->m_Bmp.bmHeight;
  ClearData(pDst);
  void* pBits = nullptr;
  HBITMAP hNew = nBitCount == 16 ? CreateEmptyDIB565(nWidth, nHeight, &pBits)
                                 : CreateEmptyDIB32(nWidth, nHeight, &pBits);
  if (hNew == nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR,
              nBitCount == 16 ? "%s, call CreateEmptyDIB565 fail" : "%s, call CreateEmptyDIB32 fail",
              pFuncName);
    return FALSE;
  }
  std::memcpy(pBits, pSrc->m_pBits, FhGetDIBDataSize(nWidth, nHeight, nBitCount));
  BYTE* pAlpha = nullptr;
  BOOL bOk = TRUE;
  if (GetObjectW(hNew, sizeof(pDst->m_Bmp), &pDst->m_Bmp) == 0) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s, call ::GetObject fail, GetLastError is %d", pFuncName,
              static_cast<int>(GetLastError()));
    bOk = FALSE;
  }
  if (bOk && nBitCount == 16 && pSrc->m_pAlpha != nullptr) {
    const DWORD dwAlphaSize = FhGetDIB565PixelCount(nWidth, nHeight);
    pAlpha = new (std::nothrow) BYTE[dwAlphaSize];
    if (pAlpha == nullptr) {
      WceUiLogA(WCEUI_LOG_ERROR, "%s, new faile, dwAlphaSize = %u", pFuncName,
                static_cast<unsigned>(dwAlphaSize));
      bOk = FALSE;
    } else {
      std::memcpy(pAlpha, pSrc->m_pAlpha, dwAlphaSize);
    }
  }
  if (!bOk) {
    DeleteObject(hNew);
    delete[] pAlpha;
    ClearData(pDst);
    return FALSE;
  }
  pDst->m_hBitmap = hNew;
  pDst->m_pBits = pBits;
  pDst->m_pAlpha = pAlpha;
  pDst->m_dwTransColor = pSrc->m_dwTransColor;
  pDst->m_nConstAlpha = pSrc->m_nConstAlpha;
  return TRUE;
}

}  // namespace

BOOL CopyBmpData565(CFhBmpData* pDst, const CFhBmpData* pSrc) {
  return CopyBmpData("CopyBmpData565", 16, pDst, pSrc);
}

BOOL CopyBmpData32(CFhBmpData* pDst, const CFhBmpData* pSrc) {
  return CopyBmpData("CopyBmpData32", 32, pDst, pSrc);
}
