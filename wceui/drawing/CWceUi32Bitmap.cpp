#include "wceui/drawing/CWceUi32Bitmap.h"

#include "wceui/base/WceUiLog.h"

#include <new>

namespace {
const int kBitsPixel = 32;
}  // namespace

CWceUi32Bitmap::CWceUi32Bitmap() {
  SetClassName(WCEUI_CLASS_NAME(CWceUi32Bitmap));
}

CWceUi32Bitmap::CWceUi32Bitmap(const CWceUi32Bitmap& bmpSrc) : CWceUiGenericBitmap(bmpSrc) {
  if (!bmpSrc.m_pBmp->IsLocked()) return;
  const CFhBmpData* pData = bmpSrc.m_pBmp->Get();
  const COLORREF crTrans = m_crTrans;
  const int nConstAlpha = m_nConstAlpha;
  if (!CreateDIB32(pData->m_Bmp.bmWidth, pData->m_Bmp.bmHeight, pData->m_pBits, bmpSrc.m_bPerPixelAlpha)) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s(bmpSrc), Call CreateDIB32 failed", WCEUI_LOG_TAG);
  }
  m_crTrans = crTrans;
  m_nConstAlpha = nConstAlpha;
  m_bPerPixelAlpha = bmpSrc.m_bPerPixelAlpha;
}

CWceUi32Bitmap::~CWceUi32Bitmap() = default;

BOOL CWceUi32Bitmap::CreateDIB32(int nWidth, int nHeight, const void* pBits, BOOL bPerPixelAlpha) {
  if (!CreateDIBOfDepth("CreateDIB32", kBitsPixel, nWidth, nHeight, pBits, nullptr)) return 0;
  m_bPerPixelAlpha = bPerPixelAlpha ? 1 : 0;
  return 1;
}

BOOL CWceUi32Bitmap::CreateDIB(int nWidth, int nHeight) {
  return CreateDIB32(nWidth, nHeight, nullptr, 0);
}

BOOL CWceUi32Bitmap::SaveFile(LPCWSTR pFilePath) {
  return SaveFileOfDepth(pFilePath, kBitsPixel);
}

BOOL CWceUi32Bitmap::LoadFromHBitmap(HBITMAP hBitmap) {
  return LoadFromHBitmapOfDepth(hBitmap, kBitsPixel);
}

BOOL CWceUi32Bitmap::MakeACopy(CWceUiGenericBitmap** ppCopyBmp) {
  if (ppCopyBmp == nullptr || *ppCopyBmp != nullptr) return MakeACopyWith(ppCopyBmp, nullptr);
  return MakeACopyWith(ppCopyBmp, new (std::nothrow) CWceUi32Bitmap(*this));
}

BOOL CWceUi32Bitmap::SetPerPixelAlpha(BOOL bPerPixelAlpha) {
  m_bPerPixelAlpha = bPerPixelAlpha ? 1 : 0;
  return 1;
}

BOOL CWceUi32Bitmap::AlphaBlend(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp, int xSrc,
                                int ySrc, DWORD dwBlendFunction) {
  return AlphaBlendOfDepth(x, y, nWidth, nHeight, pSrcBmp, xSrc, ySrc, dwBlendFunction, kBitsPixel,
                           WCEUI_CLASS_NAME(CWceUi32Bitmap));
}

BOOL CWceUi32Bitmap::MixColor(int x, int y, int nWidth, int nHeight, COLORREF crColor, int nAlpha) {
  return MixColorOfDepth(x, y, nWidth, nHeight, crColor, nAlpha);
}

BOOL CWceUi32Bitmap::Rotate(int eAngle, CWceUiGenericBitmap** ppRotatedBmp) {
  return RotateInto(eAngle, ppRotatedBmp, new (std::nothrow) CWceUi32Bitmap, "CWceUi32Bitmap",
                    sizeof(CWceUi32Bitmap));
}
