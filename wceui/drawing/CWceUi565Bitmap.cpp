#include "wceui/drawing/CWceUi565Bitmap.h"

#include "wceui/base/WceUiLog.h"

#include <new>

namespace {
const int kBitsPixel = 16;
}  // namespace

CWceUi565Bitmap::CWceUi565Bitmap() {
  SetClassName(WCEUI_CLASS_NAME(CWceUi565Bitmap));
}

CWceUi565Bitmap::CWceUi565Bitmap(const CWceUi565Bitmap& bmpSrc) : CWceUiGenericBitmap(bmpSrc) {
  if (!bmpSrc.m_pBmp->IsLocked()) return;
  const CFhBmpData* pData = bmpSrc.m_pBmp->Get();
  const COLORREF crTrans = m_crTrans;
  const int nConstAlpha = m_nConstAlpha;
  const BOOL bPerPixelAlpha = m_bPerPixelAlpha;
  if (!CreateDIB565(pData->m_Bmp.bmWidth, pData->m_Bmp.bmHeight, pData->m_pBits, pData->m_pAlpha)) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s(bmpSrc), Call CreateDIB565 failed", WCEUI_LOG_TAG);
  }
  m_crTrans = crTrans;
  m_nConstAlpha = nConstAlpha;
  m_bPerPixelAlpha = bPerPixelAlpha;
}

CWceUi565Bitmap::~CWceUi565Bitmap() = default;

BOOL CWceUi565Bitmap::CreateDIB565(int nWidth, int nHeight, const void* pBits, const BYTE* pAlpha) {
  return CreateDIBOfDepth("CreateDIB565", kBitsPixel, nWidth, nHeight, pBits, pAlpha);
}

BOOL CWceUi565Bitmap::CreateDIB(int nWidth, int nHeight) {
  return CreateDIB565(nWidth, nHeight, nullptr, nullptr);
}

BOOL CWceUi565Bitmap::SaveFile(LPCWSTR pFilePath) {
  return SaveFileOfDepth(pFilePath, kBitsPixel);
}

BOOL CWceUi565Bitmap::LoadFromHBitmap(HBITMAP hBitmap) {
  return LoadFromHBitmapOfDepth(hBitmap, kBitsPixel);
}

BOOL CWceUi565Bitmap::MakeACopy(CWceUiGenericBitmap** ppCopyBmp) {
  if (ppCopyBmp == nullptr || *ppCopyBmp != nullptr) return MakeACopyWith(ppCopyBmp, nullptr);
  return MakeACopyWith(ppCopyBmp, new (std::nothrow) CWceUi565Bitmap(*this));
}

BOOL CWceUi565Bitmap::SetPerPixelAlpha(BOOL bPerPixelAlpha) {
  if (bPerPixelAlpha && m_pBmp->Get()->m_pAlpha == nullptr) {
    if (!IsLoaded()) {
      WceUiLogA(WCEUI_LOG_ERROR, "%s::SetPerPixelAlpha, IsLoaded() return FALSE", WCEUI_LOG_TAG);
      return 0;
    }
    if (!m_pBmp->MakeUnique()) return 0;
    CFhBmpData* pData = m_pBmp->Get();
    const DWORD dwAlphaSize = FhGetDIB565PixelCount(pData->m_Bmp.bmWidth, pData->m_Bmp.bmHeight);
    // A new plane is all transparent.
    pData->m_pAlpha = new (std::nothrow) BYTE[dwAlphaSize]();
    if (pData->m_pAlpha == nullptr) {
      WceUiLogA(WCEUI_LOG_ERROR, "%s::SetPerPixelAlpha, new fail, dwAlphaSize=%u", WCEUI_LOG_TAG,
                dwAlphaSize);
      return 0;
    }
  }
  m_bPerPixelAlpha = bPerPixelAlpha ? 1 : 0;
  return 1;
}

BOOL CWceUi565Bitmap::AlphaBlend(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp,
                                 int xSrc, int ySrc, DWORD dwBlendFunction) {
  return AlphaBlendOfDepth(x, y, nWidth, nHeight, pSrcBmp, xSrc, ySrc, dwBlendFunction, kBitsPixel,
                           WCEUI_CLASS_NAME(CWceUi565Bitmap));
}

BOOL CWceUi565Bitmap::MixColor(int x, int y, int nWidth, int nHeight, COLORREF crColor, int nAlpha) {
  return MixColorOfDepth(x, y, nWidth, nHeight, crColor, nAlpha);
}

BOOL CWceUi565Bitmap::Rotate(int eAngle, CWceUiGenericBitmap** ppRotatedBmp) {
  return RotateInto(eAngle, ppRotatedBmp, new (std::nothrow) CWceUi565Bitmap, "CWceUi565Bitmap",
                    sizeof(CWceUi565Bitmap));
}
