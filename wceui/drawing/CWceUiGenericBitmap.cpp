#include "wceui/drawing/CWceUiGenericBitmap.h"

#include "platform/kernel/kernel.h"
#include "platform/user/user.h"
#include "wceui/base/WceUiGeometry.h"
#include "wceui/base/WceUiLog.h"

#include <cstring>
#include <new>

namespace {
const BYTE kMaxAlpha565 = 63;
const int kMaxHueOffset = 180;

// A memory DC holding one bitmap for as long as it lives.
class CBitmapDc {
 public:
  explicit CBitmapDc(HBITMAP hBitmap) : m_hDC(CreateCompatibleDC(nullptr)) {
    if (m_hDC != nullptr) m_hOld = SelectObject(m_hDC, hBitmap);
  }
  ~CBitmapDc() {
    if (m_hDC == nullptr) return;
    SelectObject(m_hDC, m_hOld);
    DeleteDC(m_hDC);
  }
  CBitmapDc(const CBitmapDc&) = delete;
  CBitmapDc& operator=(const CBitmapDc&) = delete;
  HDC Get() const { return m_hDC; }

 private:
  HDC m_hDC;
  HGDIOBJ m_hOld = nullptr;
};

// Runs fn(destination DC, source DC); a bitmap drawn onto itself sits in one DC, since a bitmap can
// be selected into only one DC at a time.
template <typename Fn>
BOOL WithDcs(HBITMAP hDst, HBITMAP hSrc, Fn fn) {
  CBitmapDc dst(hDst);
  if (hSrc == hDst) return fn(dst.Get(), dst.Get());
  CBitmapDc src(hSrc);
  return fn(dst.Get(), src.Get());
}

RECT MakeRect(int x, int y, int nWidth, int nHeight) {
  return {x, y, x + nWidth, y + nHeight};
}
}  // namespace

CWceUiGenericBitmap::CWceUiGenericBitmap() : m_pBmp(new CFhBmp) {
  SetClassName(WCEUI_CLASS_NAME(CWceUiGenericBitmap));
}

CWceUiGenericBitmap::CWceUiGenericBitmap(const CWceUiGenericBitmap& src)
    : CWceUiObject(),
      m_pBmp(new CFhBmp),
      m_crTrans(src.m_crTrans),
      m_bPerPixelAlpha(src.m_bPerPixelAlpha),
      m_nConstAlpha(src.m_nConstAlpha) {
  SetClassName(src.GetClassName());
  m_pBmp->Share(*src.m_pBmp);
}

CWceUiGenericBitmap::~CWceUiGenericBitmap() {
  delete m_pBmp;
}

void CWceUiGenericBitmap::ResetAttributes() {
  m_crTrans = WCEUI_INVALID_TRANS_COLOR;
  m_bPerPixelAlpha = 0;
  m_nConstAlpha = -1;
}

WceUiPixels CWceUiGenericBitmap::GetPixels() const {
  const CFhBmpData* pData = m_pBmp->Get();
  return {pData->m_pBits, pData->m_pAlpha, pData->m_Bmp.bmWidth, pData->m_Bmp.bmHeight};
}

BOOL CWceUiGenericBitmap::IsLoaded() const {
  return m_pBmp->Get()->m_hBitmap != nullptr;
}

int CWceUiGenericBitmap::GetWidth() const {
  if (!IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::GetWidth, IsLoaded() return FALSE", WCEUI_LOG_TAG);
    return 0;
  }
  return m_pBmp->Get()->m_Bmp.bmWidth;
}

int CWceUiGenericBitmap::GetHeight() const {
  if (!IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::GetHeight, IsLoaded() return FALSE", WCEUI_LOG_TAG);
    return 0;
  }
  return m_pBmp->Get()->m_Bmp.bmHeight;
}

int CWceUiGenericBitmap::GetBitsPixel() const {
  if (!IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::GetBitsPixel, IsLoaded() return FALSE", WCEUI_LOG_TAG);
    return 0;
  }
  return m_pBmp->Get()->m_Bmp.bmBitsPixel;
}

BOOL CWceUiGenericBitmap::FillColor(COLORREF crColor, const RECT* pRect) {
  if (!IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::FillColor, IsLoaded() return FALSE", WCEUI_LOG_TAG);
    return 0;
  }
  if (!m_pBmp->MakeUnique()) return 0;
  HBRUSH hBrush = CreateSolidBrush(crColor);
  if (hBrush == nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::FillColor, call ::CreateSolidBrush failed, GetLastError is:%d",
              WCEUI_LOG_TAG, static_cast<int>(GetLastError()));
    return 0;
  }
  RECT rc = pRect != nullptr ? *pRect : MakeRect(0, 0, GetWidth(), GetHeight());
  CBitmapDc dc(m_pBmp->Get()->m_hBitmap);
  const BOOL bOk = FillRect(dc.Get(), &rc, hBrush) != 0;
  if (!bOk) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::FillColor, call ::FillRect failed, GetLastError is %d", WCEUI_LOG_TAG,
              static_cast<int>(GetLastError()));
  }
  DeleteObject(hBrush);
  return bOk;
}

BOOL CWceUiGenericBitmap::SetTransColor(BOOL bSet, COLORREF crTrans) {
  if (!bSet) {
    m_crTrans = WCEUI_INVALID_TRANS_COLOR;
    return 1;
  }
  WCEUI_CHECK(WCEUI_INVALID_TRANS_COLOR != crTrans);
  if (crTrans == WCEUI_INVALID_TRANS_COLOR) return 0;
  m_crTrans = crTrans;
  return 1;
}

BOOL CWceUiGenericBitmap::GetTransColor(COLORREF* pTrans) const {
  if (m_crTrans == WCEUI_INVALID_TRANS_COLOR) return 0;
  if (pTrans != nullptr) *pTrans = m_crTrans;
  return 1;
}

BOOL CWceUiGenericBitmap::SetConstantAlpha(BOOL bSet, int nAlpha) {
  if (!bSet) {
    m_nConstAlpha = -1;
    return 1;
  }
  WCEUI_CHECK(((nAlpha > 0) && (nAlpha <= 255)));
  if (nAlpha < 0 || nAlpha > 255) return 0;
  m_nConstAlpha = nAlpha;
  return 1;
}

BOOL CWceUiGenericBitmap::GetConstantAlpha(int* pAlpha) const {
  if (m_nConstAlpha < 0) return 0;
  if (pAlpha != nullptr) *pAlpha = m_nConstAlpha;
  return 1;
}

BOOL CWceUiGenericBitmap::BltToDc(HDC dcDst, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc,
                                  DWORD dwRop) {
  WCEUI_CHECK(NULL != dcDst);
  if (dcDst == nullptr) return 0;
  if (!IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::BltToDc, IsLoaded() return FALSE", WCEUI_LOG_TAG);
    return 0;
  }
  CBitmapDc src(m_pBmp->Get()->m_hBitmap);
  const BOOL bOk = ::BitBlt(dcDst, x, y, nWidth, nHeight, src.Get(), xSrc, ySrc, dwRop);
  if (!bOk) {
    WceUiLogA(WCEUI_LOG_WARNING, "%s::BltToDc,call ::BitBlt failed, GetLastError is %d", WCEUI_LOG_TAG,
              static_cast<int>(GetLastError()));
  }
  return bOk;
}

BOOL CWceUiGenericBitmap::PrepareBlit(const char* pName, const CWceUiGenericBitmap* pSrcBmp) {
  if (!IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::%s, IsLoaded() return FALSE", WCEUI_LOG_TAG, pName);
    return 0;
  }
  if (pSrcBmp == nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::%s(pSrcBmp), pSrcBmp is NULL", WCEUI_LOG_TAG, pName);
    return 0;
  }
  if (!pSrcBmp->IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::%s(pSrcBmp), pSrcBmp->IsLoaded() return FALSE", WCEUI_LOG_TAG, pName);
    return 0;
  }
  return m_pBmp->MakeUnique();
}

BOOL CWceUiGenericBitmap::BitBlt(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp,
                                 int xSrc, int ySrc, DWORD dwRop) {
  if (!PrepareBlit("BitBlt", pSrcBmp)) return 0;
  const BOOL bOk = WithDcs(
      m_pBmp->Get()->m_hBitmap, pSrcBmp->m_pBmp->Get()->m_hBitmap,
      [&](HDC hDst, HDC hSrc) { return ::BitBlt(hDst, x, y, nWidth, nHeight, hSrc, xSrc, ySrc, dwRop); });
  if (!bOk) {
    WceUiLogA(WCEUI_LOG_WARNING, "%s::BitBlt(pSrcBmp),call ::BitBlt failed, GetLastError is %d",
              WCEUI_LOG_TAG, static_cast<int>(GetLastError()));
  }
  return bOk;
}

BOOL CWceUiGenericBitmap::StretchBlt(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp,
                                     int xSrc, int ySrc, int nSrcWidth, int nSrcHeight, DWORD dwRop) {
  if (nWidth == nSrcWidth && nHeight == nSrcHeight)
    return BitBlt(x, y, nWidth, nHeight, pSrcBmp, xSrc, ySrc, dwRop);
  if (!PrepareBlit("StretchBlt", pSrcBmp)) return 0;
  const BOOL bOk =
      WithDcs(m_pBmp->Get()->m_hBitmap, pSrcBmp->m_pBmp->Get()->m_hBitmap, [&](HDC hDst, HDC hSrc) {
        SetStretchBltMode(hDst, COLORONCOLOR);
        return ::StretchBlt(hDst, x, y, nWidth, nHeight, hSrc, xSrc, ySrc, nSrcWidth, nSrcHeight, dwRop);
      });
  if (!bOk) {
    WceUiLogA(WCEUI_LOG_WARNING, "%s::StretchBlt(pSrcBmp),call ::StretchBlt failed, GetLastError is %d",
              WCEUI_LOG_TAG, static_cast<int>(GetLastError()));
  }
  return bOk;
}

BOOL CWceUiGenericBitmap::TransBlt(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp,
                                   int xSrc, int ySrc, int nSrcWidth, int nSrcHeight, COLORREF crTrans) {
  if (!PrepareBlit("TransBlt", pSrcBmp)) return 0;
  const BOOL bOk =
      WithDcs(m_pBmp->Get()->m_hBitmap, pSrcBmp->m_pBmp->Get()->m_hBitmap, [&](HDC hDst, HDC hSrc) {
        return TransparentImage(hDst, x, y, nWidth, nHeight, hSrc, xSrc, ySrc, nSrcWidth, nSrcHeight,
                                crTrans);
      });
  if (!bOk) {
    WceUiLogA(WCEUI_LOG_WARNING, "%s::TransBlt(pSrcBmp),call ::TransparentBlt failed, GetLastError: %d",
              WCEUI_LOG_TAG, static_cast<int>(GetLastError()));
  }
  return bOk;
}

BOOL CWceUiGenericBitmap::CopyRect(CWceUiGenericBitmap* pSrcBmp, const RECT& rc) {
  return BitBlt(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, pSrcBmp, rc.left, rc.top, SRCCOPY);
}

HBITMAP CWceUiGenericBitmap::GetHBitmap(void** ppBits) {
  if (!m_pBmp->Lock()) return nullptr;
  if (ppBits != nullptr) *ppBits = m_pBmp->Get()->m_pBits;
  return m_pBmp->Get()->m_hBitmap;
}

void CWceUiGenericBitmap::ReleaseHBitmap() {
  m_pBmp->Unlock();
}

BOOL CWceUiGenericBitmap::SetHSLOffsetHue(int nOffsetHue) {
  WCEUI_CHECK(nOffsetHue >= -180);
  WCEUI_CHECK(nOffsetHue <= 180);
  if (nOffsetHue < -kMaxHueOffset || nOffsetHue > kMaxHueOffset) return 0;
  if (nOffsetHue == 0) return 1;
  if (!IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::SetHSLOffsetHue, IsLoaded() return FALSE", WCEUI_LOG_TAG);
    return 0;
  }
  if (!m_pBmp->MakeUnique()) return 0;
  if (GetBitsPixel() == 16) {
    WceUiHueShiftWhole565(GetPixels(), nOffsetHue);
  } else {
    WceUiHueShiftWhole32(GetPixels(), nOffsetHue);
  }
  return 1;
}

BOOL CWceUiGenericBitmap::AlphaBlend(int, int, int, int, CWceUiGenericBitmap* pSrcBmp, int, int,
                                     DWORD dwBlendFunction) {
  if (!IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::AlphaBlend, IsLoaded() return FALSE", WCEUI_LOG_TAG);
    return 0;
  }
  if (pSrcBmp == nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::AlphaBlend, pSrcBmp is NULL", WCEUI_LOG_TAG);
    return 0;
  }
  if (!pSrcBmp->IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::AlphaBlend, pSrcBmp->IsLoaded() return FALSE", WCEUI_LOG_TAG);
    return 0;
  }
  if ((dwBlendFunction >> 24) == AC_SRC_ALPHA && !pSrcBmp->HasPerPixelAlpha()) {
    WceUiLogA(
        WCEUI_LOG_ERROR,
        "%s::AlphaBlend, Invalid argument:use AC_SRC_ALPHA but pSrcBmp->HasPerPixelAlpha() return FALSE",
        WCEUI_LOG_TAG);
    return 0;
  }
  return 1;
}

// ---- the depth-specific bodies, called by the subclasses with their depth
BOOL CWceUiGenericBitmap::CreateDIBOfDepth(const char* pName, int nBitsPixel, int nWidth, int nHeight,
                                           const void* pBits, const BYTE* pAlpha) {
  m_pBmp->Release();
  ResetAttributes();
  WCEUI_CHECK(nWidth > 0);
  WCEUI_CHECK(nHeight > 0);
  if (nWidth <= 0 || nHeight <= 0) return 0;
  if (!m_pBmp->AttachNew()) return 0;
  CFhBmpData* pData = m_pBmp->Get();
  pData->m_hBitmap = nBitsPixel == 16 ? CreateEmptyDIB565(nWidth, nHeight, &pData->m_pBits)
                                      : CreateEmptyDIB32(nWidth, nHeight, &pData->m_pBits);
  if (pData->m_hBitmap == nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::%s, call CreateDibSection fail, GetLastError = %d", WCEUI_LOG_TAG, pName,
              static_cast<int>(GetLastError()));
    m_pBmp->Release();
    return 0;
  }
  if (GetObjectW(pData->m_hBitmap, sizeof(BITMAP), &pData->m_Bmp) == 0) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::%s, call GetObject fail ,GetLastError = %d", WCEUI_LOG_TAG, pName,
              static_cast<int>(GetLastError()));
    m_pBmp->Release();
    return 0;
  }
  if (pBits != nullptr) std::memcpy(pData->m_pBits, pBits, FhGetDIBDataSize(nWidth, nHeight, nBitsPixel));
  if (nBitsPixel == 16 && pAlpha != nullptr) {
    const DWORD dwAlphaSize = FhGetDIB565PixelCount(nWidth, nHeight);
    pData->m_pAlpha = new (std::nothrow) BYTE[dwAlphaSize];
    if (pData->m_pAlpha == nullptr) {
      WceUiLogA(WCEUI_LOG_ERROR, "%s::%s, new fail, dwAlphaSize = %u", WCEUI_LOG_TAG, pName, dwAlphaSize);
      m_pBmp->Release();
      return 0;
    }
    // Alphas above opaque would turn the kernels' destination weight negative.
    for (DWORD i = 0; i < dwAlphaSize; ++i)
      pData->m_pAlpha[i] = pAlpha[i] > kMaxAlpha565 ? kMaxAlpha565 : pAlpha[i];
    m_bPerPixelAlpha = 1;
  }
  return 1;
}

BOOL CWceUiGenericBitmap::SaveFileOfDepth(LPCWSTR pFilePath, int nBitsPixel) {
  WCEUI_CHECK(NULL != pFilePath);
  if (pFilePath == nullptr) return 0;
  if (!IsLoaded()) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::SaveFile \"%s\", IsLoaded() return FALSE", WCEUI_LOG_TAGW, pFilePath);
    return 0;
  }
  const CFhBmpData* pData = m_pBmp->Get();
  return nBitsPixel == 16
             ? Save565BmpFile(pFilePath, pData->m_pBits, pData->m_Bmp.bmWidth, pData->m_Bmp.bmHeight)
             : Save32BmpFile(pFilePath, pData->m_pBits, pData->m_Bmp.bmWidth, pData->m_Bmp.bmHeight);
}

BOOL CWceUiGenericBitmap::LoadFromHBitmapOfDepth(HBITMAP hBitmap, int nBitsPixel) {
  WCEUI_CHECK(NULL != hBitmap);
  if (hBitmap == nullptr) return 0;
  m_pBmp->Release();
  ResetAttributes();
  if (!m_pBmp->AttachNew()) return 0;
  // The copy writes the whole record, its count included; this object is still its one holder.
  const BOOL bCopied = CopyHBitmap(m_pBmp->Get(), nBitsPixel, hBitmap);
  m_pBmp->Get()->m_nRef = 1;
  if (!bCopied) m_pBmp->Release();
  return bCopied;
}

BOOL CWceUiGenericBitmap::AlphaBlendOfDepth(int x, int y, int nWidth, int nHeight,
                                            CWceUiGenericBitmap* pSrcBmp, int xSrc, int ySrc,
                                            DWORD dwBlendFunction, int nBitsPixel, LPCWSTR pClassName) {
  if (!CWceUiGenericBitmap::AlphaBlend(x, y, nWidth, nHeight, pSrcBmp, xSrc, ySrc, dwBlendFunction)) return 0;
  const int nSrcBits = pSrcBmp->GetBitsPixel();
  if (nBitsPixel == 16) {
    WCEUI_CHECK(16 == pSrcBmp->GetBitsPixel());
    WCEUI_CHECK(pSrcBmp->IsKindOf(WCEUI_CLASS_NAME(CWceUi565Bitmap)));
  } else {
    WCEUI_CHECK(32 == pSrcBmp->GetBitsPixel());
    WCEUI_CHECK(pSrcBmp->IsKindOf(WCEUI_CLASS_NAME(CWceUi32Bitmap)));
  }
  if (nSrcBits != nBitsPixel || !pSrcBmp->IsKindOf(pClassName)) return 0;
  const bool bPerPixel = (dwBlendFunction >> 24) == AC_SRC_ALPHA;
  // The 565 per-pixel kernel reads the source's alpha plane, which a flag alone does not give.
  if (bPerPixel && nBitsPixel == 16 && pSrcBmp->m_pBmp->Get()->m_pAlpha == nullptr) return 0;

  const RECT rcDstBound = MakeRect(0, 0, GetWidth(), GetHeight());
  const RECT rcSrcBound = MakeRect(0, 0, pSrcBmp->GetWidth(), pSrcBmp->GetHeight());
  RECT rcDst;
  RECT rcSrc;
  if (!CalcBitBltRects(&rcDst, &rcSrc, rcDstBound, rcSrcBound, MakeRect(x, y, nWidth, nHeight),
                       MakeRect(xSrc, ySrc, nWidth, nHeight))) {
    return 1;
  }
  if (!m_pBmp->MakeUnique()) return 0;
  const WceUiPixels dst = GetPixels();
  const WceUiPixels src = pSrcBmp->GetPixels();
  const int nAlpha = static_cast<int>((dwBlendFunction >> 16) & 0xFF);
  const int w = rcDst.right - rcDst.left;
  const int h = rcDst.bottom - rcDst.top;
  if (EqualRect(&rcDst, &rcDstBound) && EqualRect(&rcSrc, &rcSrcBound)) {
    if (nBitsPixel == 16) {
      bPerPixel ? WceUiBlendPerPixelWhole565(dst, src) : WceUiBlendWhole565(dst, src, nAlpha);
    } else {
      bPerPixel ? WceUiBlendPerPixelWhole32(dst, src) : WceUiBlendWhole32(dst, src, nAlpha);
    }
  } else if (nBitsPixel == 16) {
    bPerPixel ? WceUiBlendPerPixelRect565(dst, rcDst.left, rcDst.top, w, h, src, rcSrc.left, rcSrc.top)
              : WceUiBlendRect565(dst, rcDst.left, rcDst.top, w, h, src, rcSrc.left, rcSrc.top, nAlpha);
  } else {
    bPerPixel ? WceUiBlendPerPixelRect32(dst, rcDst.left, rcDst.top, w, h, src, rcSrc.left, rcSrc.top)
              : WceUiBlendRect32(dst, rcDst.left, rcDst.top, w, h, src, rcSrc.left, rcSrc.top, nAlpha);
  }
  return 1;
}

BOOL CWceUiGenericBitmap::MixColorOfDepth(int x, int y, int nWidth, int nHeight, COLORREF crColor,
                                          int nAlpha) {
  WCEUI_CHECK(((nAlpha >= 0) && (nAlpha <= 255)));
  if (nAlpha < 0 || nAlpha > 255) return 0;
  if (!IsLoaded()) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::MixColor, IsLoaded() return FALSE", WCEUI_LOG_TAG);
    return 0;
  }
  const RECT rcBound = MakeRect(0, 0, GetWidth(), GetHeight());
  RECT rc;
  const RECT rcAsked = MakeRect(x, y, nWidth, nHeight);
  if (!IntersectRect(&rc, &rcAsked, &rcBound)) return 1;
  if (!m_pBmp->MakeUnique()) return 0;
  const WceUiPixels pixels = GetPixels();
  const bool bWhole = EqualRect(&rc, &rcBound);
  const bool bDarken = (crColor & 0x00FFFFFF) == 0;
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  if (GetBitsPixel() == 16) {
    const WORD wColor = WceUiColorTo565(crColor);
    if (bDarken) {
      bWhole ? WceUiDarkenWhole565(pixels, nAlpha)
             : WceUiDarkenRect565(pixels, rc.left, rc.top, w, h, nAlpha);
    } else {
      bWhole ? WceUiMixColorWhole565(pixels, wColor, nAlpha)
             : WceUiMixColorRect565(pixels, rc.left, rc.top, w, h, wColor, nAlpha);
    }
  } else {
    const DWORD dwColor = WceUiColorTo32(crColor);
    if (bDarken) {
      bWhole ? WceUiDarkenWhole32(pixels, nAlpha) : WceUiDarkenRect32(pixels, rc.left, rc.top, w, h, nAlpha);
    } else {
      bWhole ? WceUiMixColorWhole32(pixels, dwColor, nAlpha)
             : WceUiMixColorRect32(pixels, rc.left, rc.top, w, h, dwColor, nAlpha);
    }
  }
  return 1;
}

BOOL CWceUiGenericBitmap::RotateInto(int eAngle, CWceUiGenericBitmap** ppRotatedBmp,
                                     CWceUiGenericBitmap* pRotated, const char* pClassName,
                                     size_t nClassSize) {
  if (eAngle != WCEUI_ROTATE_90 && eAngle != WCEUI_ROTATE_180 && eAngle != WCEUI_ROTATE_270) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::Rotate, eAngle is Invalid", WCEUI_LOG_TAG);
    delete pRotated;
    return 0;
  }
  if (ppRotatedBmp == nullptr || !IsLoaded()) {
    if (!IsLoaded()) WceUiLogA(WCEUI_LOG_ERROR, "%s::Rotate, IsLoaded() return FALSE", WCEUI_LOG_TAG);
    delete pRotated;
    return 0;
  }
  if (*ppRotatedBmp != nullptr) {
    WceUiLogA(WCEUI_LOG_WARNING, "%s::Rotate, *ppRotatedBmp should be NULL to prevent possible memory leak",
              WCEUI_LOG_TAG);
  }
  if (pRotated == nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::Rotate, new fail,sizeof(%s)=%u", WCEUI_LOG_TAG, pClassName,
              static_cast<unsigned>(nClassSize));
    return 0;
  }
  const bool bTurn = eAngle != WCEUI_ROTATE_180;
  const int w = GetWidth();
  const int h = GetHeight();
  if (!pRotated->CreateDIB(bTurn ? h : w, bTurn ? w : h)) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::Rotate,call pRotatedBmp->CreateDIB fail", WCEUI_LOG_TAG);
    delete pRotated;
    return 0;
  }
  if (GetBitsPixel() == 16) {
    WceUiRotate565(pRotated->GetPixels(), GetPixels(), eAngle);
  } else {
    WceUiRotate32(pRotated->GetPixels(), GetPixels(), eAngle);
  }
  *ppRotatedBmp = pRotated;
  return 1;
}

BOOL CWceUiGenericBitmap::MakeACopyWith(CWceUiGenericBitmap** ppCopyBmp, CWceUiGenericBitmap* pCopy) {
  if (ppCopyBmp == nullptr || *ppCopyBmp != nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::MakeACopy, *ppCopyBmp should be NULL to prevent possible memory leak",
              WCEUI_LOG_TAG);
    delete pCopy;
    return 0;
  }
  if (pCopy == nullptr) return 0;
  *ppCopyBmp = pCopy;
  return 1;
}
