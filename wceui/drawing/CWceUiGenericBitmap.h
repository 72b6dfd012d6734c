// A bitmap of the framework: a DIB section of 16 bits (RGB565, with an optional 6-bit alpha plane)
// or 32 bits, shared copy-on-write between copies, drawn with GDI blits and with the framework's
// own pixel kernels (constant and per-pixel alpha, colour mix, rotation, hue).
#pragma once

#include "platform/gdi/gdi.h"
#include "wceui/base/CWceUiObject.h"
#include "wceui/drawing/CFhBmp.h"
#include "wceui/drawing/WceUiPixelKernels.h"

#define WCEUI_INVALID_TRANS_COLOR 0xFFFFFFFFu

// The blend function of AlphaBlend is a BLENDFUNCTION packed in 32 bits: byte 0 operation, byte 1
// flags, byte 2 SourceConstantAlpha, byte 3 AlphaFormat.
#ifndef AC_SRC_OVER
#define AC_SRC_OVER 0x00
#endif
#ifndef AC_SRC_ALPHA
#define AC_SRC_ALPHA 0x01
#endif
inline DWORD WceUiMakeBlendFunction(BYTE nConstantAlpha, BYTE nAlphaFormat) {
  return AC_SRC_OVER | (static_cast<DWORD>(nConstantAlpha) << 16) | (static_cast<DWORD>(nAlphaFormat) << 24);
}

class CWceUiGenericBitmap : public CWceUiObject {
 public:
  CWceUiGenericBitmap();
  ~CWceUiGenericBitmap() override;
  CWceUiGenericBitmap& operator=(const CWceUiGenericBitmap&) = delete;

  // An empty DIB of this depth.
  virtual BOOL CreateDIB(int nWidth, int nHeight) = 0;
  virtual BOOL SaveFile(LPCWSTR pFilePath) = 0;
  virtual BOOL LoadFromHBitmap(HBITMAP hBitmap) = 0;
  // *ppCopyBmp must be NULL; the caller owns the copy.
  virtual BOOL MakeACopy(CWceUiGenericBitmap** ppCopyBmp) = 0;
  virtual BOOL SetPerPixelAlpha(BOOL bPerPixelAlpha) = 0;
  // The checks both depths share; the subclasses blend.
  virtual BOOL AlphaBlend(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp, int xSrc,
                          int ySrc, DWORD dwBlendFunction);
  virtual BOOL MixColor(int x, int y, int nWidth, int nHeight, COLORREF crColor, int nAlpha) = 0;
  // 1: 90° clockwise, 2: 180°, 3: 270°. *ppRotatedBmp should be NULL; the caller owns the result.
  virtual BOOL Rotate(int eAngle, CWceUiGenericBitmap** ppRotatedBmp) = 0;

  BOOL IsLoaded() const;
  int GetWidth() const;
  int GetHeight() const;
  int GetBitsPixel() const;

  // pRect NULL: the whole bitmap.
  BOOL FillColor(COLORREF crColor, const RECT* pRect);
  BOOL SetTransColor(BOOL bSet, COLORREF crTrans);
  BOOL GetTransColor(COLORREF* pTrans) const;
  BOOL SetConstantAlpha(BOOL bSet, int nAlpha);
  BOOL GetConstantAlpha(int* pAlpha) const;
  BOOL HasPerPixelAlpha() const { return m_bPerPixelAlpha; }

  BOOL BltToDc(HDC dcDst, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, DWORD dwRop);
  BOOL BitBlt(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp, int xSrc, int ySrc,
              DWORD dwRop);
  BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp, int xSrc, int ySrc,
                  int nSrcWidth, int nSrcHeight, DWORD dwRop);
  BOOL TransBlt(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp, int xSrc, int ySrc,
                int nSrcWidth, int nSrcHeight, COLORREF crTrans);
  // The rectangle copied from the same place of pSrcBmp.
  BOOL CopyRect(CWceUiGenericBitmap* pSrcBmp, const RECT& rc);

  // The pixels escape with the handle: the data stays unshared until ReleaseHBitmap.
  HBITMAP GetHBitmap(void** ppBits);
  void ReleaseHBitmap();

  BOOL SetHSLOffsetHue(int nOffsetHue);

 protected:
  // A copy of pSrc's attributes, sharing its data unless that is locked (the subclass then makes a
  // DIB of its own with CreateDIBCopy).
  CWceUiGenericBitmap(const CWceUiGenericBitmap& src);
  // A new DIB of nBitsPixel; pBits (the DIB's whole data) and pAlpha (565 only, clamped to 63)
  // copied when given. The name is the one its messages carry ("CreateDIB565").
  BOOL CreateDIBOfDepth(const char* pName, int nBitsPixel, int nWidth, int nHeight, const void* pBits,
                        const BYTE* pAlpha);
  BOOL SaveFileOfDepth(LPCWSTR pFilePath, int nBitsPixel);
  BOOL LoadFromHBitmapOfDepth(HBITMAP hBitmap, int nBitsPixel);
  BOOL AlphaBlendOfDepth(int x, int y, int nWidth, int nHeight, CWceUiGenericBitmap* pSrcBmp, int xSrc,
                         int ySrc, DWORD dwBlendFunction, int nBitsPixel, LPCWSTR pClassName);
  BOOL MixColorOfDepth(int x, int y, int nWidth, int nHeight, COLORREF crColor, int nAlpha);
  // pRotated is a new object of this class; it is deleted on failure.
  BOOL RotateInto(int eAngle, CWceUiGenericBitmap** ppRotatedBmp, CWceUiGenericBitmap* pRotated,
                  const char* pClassName, size_t nClassSize);
  BOOL MakeACopyWith(CWceUiGenericBitmap** ppCopyBmp, CWceUiGenericBitmap* pCopy);
  void ResetAttributes();
  // The checks of a blit from pSrcBmp, then this bitmap's data made unique for writing.
  BOOL PrepareBlit(const char* pName, const CWceUiGenericBitmap* pSrcBmp);
  WceUiPixels GetPixels() const;

  CFhBmp* m_pBmp;
  COLORREF m_crTrans = WCEUI_INVALID_TRANS_COLOR;
  BOOL m_bPerPixelAlpha = 0;
  int m_nConstAlpha = -1;
};

WCEUI_DYNAMIC_BEGIN(CWceUiGenericBitmap, CWceUiObject)
WCEUI_DYNAMIC_END(CWceUiGenericBitmap)
