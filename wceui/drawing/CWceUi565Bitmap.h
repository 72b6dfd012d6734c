// A bitmap of 16 bits per pixel in RGB565, its alpha in a plane of its own.
#pragma once

#include "wceui/drawing/CWceUiGenericBitmap.h"

class CWceUi565Bitmap : public CWceUiGenericBitmap {
 public:
  CWceUi565Bitmap();
  // Shares the source's data, or copies it when the source's pixels are locked out.
  CWceUi565Bitmap(const CWceUi565Bitmap& bmpSrc);
  ~CWceUi565Bitmap() override;

  // pAlpha: even-width rows of 0..63 (larger values are taken as 63); the per-pixel flag is set
  // only when a plane is given.
  BOOL CreateDIB565(int nWidth, int nHeight, const void* pBits, const BYTE* pAlpha);
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

WCEUI_DYNCREATE_BEGIN(CWceUi565Bitmap, CWceUiGenericBitmap)
WCEUI_DYNCREATE_END(CWceUi565Bitmap)
