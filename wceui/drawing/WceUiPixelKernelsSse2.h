// SSE2 bodies of the pixel kernels' hottest rows. Each handles whole blocks from the start of the
// row and returns how many pixels it did; the scalar kernel finishes the rest, so both give the same
// pixels. Without SSE2 they do nothing and return 0.
#pragma once

#include "platform/kernel/wcetypes.h"

// Per channel: (S·nSrc + D·nDst) >> nShift; the weights never add up to more than 1 << nShift.
struct WceUiWeights {
  DWORD m_dwSrc;
  DWORD m_dwDst;
  DWORD m_dwShift;
};

// pSrc NULL: the source is the one pixel value wColor / dwColor.
int WceUiWeighRow565Sse2(WORD* pDst, const WORD* pSrc, WORD wColor, int nCount, const WceUiWeights& w);
int WceUiWeighRow32Sse2(DWORD* pDst, const DWORD* pSrc, DWORD dwColor, int nCount, const WceUiWeights& w);
int WceUiBlendPerPixelRow565Sse2(WORD* pDst, const WORD* pSrc, const BYTE* pSrcAlpha, int nCount);
int WceUiBlendPerPixelRow32Sse2(DWORD* pDst, const DWORD* pSrc, int nCount);
int WceUiTransCopyRow565Sse2(WORD* pDst, const WORD* pSrc, int nCount, WORD wKey);
int WceUiTransCopyRow32Sse2(DWORD* pDst, const DWORD* pSrc, int nCount, DWORD dwColorKey);
