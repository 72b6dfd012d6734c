// A bitmap of 32 bits per pixel, the top byte of each pixel its alpha.
#pragma once

#include "wceui/drawing/CWceUiGenericBitmap.h"

class CWceUi32Bitmap : public CWceUiGenericBitmap {
 public:
  CWceUi32Bitmap();
  // Shares the source's data, or copies it when the source's pixels are locked out.
  CWceUi32Bitmap(const CWceUi32Bitmap& bmpSrc);
  ~CWceUi32Bitmap() override;

  // The alpha is each pixel's top byte; bPerPixelAlpha says whether it is to be used.
  BOOL CreateDIB32(int nWidth, int nHeight, const void* pBits, BOOL bPerPixelAlpha);
  BOOL CreateDIB(int nWidth, int nHeight) override;
  BOOL SaveFile(LPCWSTR pFilePath) override;
  BOOL LoadFromHBitmap(HBITMAP hBitmap) override;
  BOOL MakeACopy(CWceUiGenericBitmap** ppCopyBmp) override;
  BOOL SetPerPixelAlpha(BOOL bPerPixelAlpha) override;
  BOOL AlphaBlend(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp, int xSrc, int ySrc,
                  DWORD dwBlendFunction) override;
  BOOL MixColor(int x, int y, int nWidth, int nHeight, COLORREF crColor, int nAlpha) override;
  BOOL Rotate(int eAngle, CWceUiGenericBitmap** ppRotatedBmp) override;
};

WCEUI_DYNCREATE_BEGIN(CWceUi32Bitmap, CWceUiGenericBitmap)
WCEUI_DYNCREATE_END(CWceUi32Bitmap)
