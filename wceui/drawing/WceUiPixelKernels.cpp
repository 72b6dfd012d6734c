#include "wceui/drawing/WceUiPixelKernels.h"

#include "wceui/drawing/WceUiPixelKernelsSse2.h"

#include <cstring>

namespace {
bool g_bSimd = true;

const DWORD kMaskRB565 = 0xF81F;
const DWORD kMaskG565 = 0x07E0;
const DWORD kMaskRB32 = 0x00FF00FF;
const DWORD kMaskG32 = 0x0000FF00;
const DWORD kMaskTop32 = 0xFF000000;
const DWORD kMaskColor32 = 0x00FFFFFF;
// Per channel after a shift right by one or two: the bits that came in from the channel above.
const WORD kHalfMask565 = 0x7BEF;
const WORD kQuarterMask565 = 0x39E7;

// Every class but none and full is one weighted sum per channel: (S·nSrc + D·nDst) >> nShift.
WceUiWeights GetWeights(WceUiAlphaClass eClass, int nAlpha, bool b565) {
  switch (eClass) {
    case WCEUI_ALPHA_QUARTER:
      return {1, 3, 2};
    case WCEUI_ALPHA_HALF:
      return {1, 1, 1};
    case WCEUI_ALPHA_THREE_QUARTERS:
      return {3, 1, 2};
    default:
      break;
  }
  // 565 works with six-bit alphas whose two weights add up to 63, not 64.
  if (b565) return {static_cast<DWORD>(nAlpha) / 4, 63 - static_cast<DWORD>(nAlpha) / 4, 6};
  return {static_cast<DWORD>(nAlpha), 255 - static_cast<DWORD>(nAlpha), 8};
}

inline WORD Weigh565(WORD d, WORD s, const WceUiWeights& w) {
  const DWORD rb =
      (((s & kMaskRB565) * w.m_dwSrc + (d & kMaskRB565) * w.m_dwDst) >> w.m_dwShift) & kMaskRB565;
  const DWORD g = (((s & kMaskG565) * w.m_dwSrc + (d & kMaskG565) * w.m_dwDst) >> w.m_dwShift) & kMaskG565;
  return static_cast<WORD>(rb | g);
}

inline DWORD Weigh32(DWORD d, DWORD s, const WceUiWeights& w) {
  const DWORD rb = (((s & kMaskRB32) * w.m_dwSrc + (d & kMaskRB32) * w.m_dwDst) >> w.m_dwShift) & kMaskRB32;
  const DWORD g = (((s & kMaskG32) * w.m_dwSrc + (d & kMaskG32) * w.m_dwDst) >> w.m_dwShift) & kMaskG32;
  return (d & kMaskTop32) | rb | g;
}

inline WORD Weigh(WORD d, WORD s, const WceUiWeights& w) {
  return Weigh565(d, s, w);
}
inline DWORD Weigh(DWORD d, DWORD s, const WceUiWeights& w) {
  return Weigh32(d, s, w);
}
inline int WeighSse2(WORD* pDst, const WORD* pSrc, WORD wColor, int nCount, const WceUiWeights& w) {
  return WceUiWeighRow565Sse2(pDst, pSrc, wColor, nCount, w);
}
inline int WeighSse2(DWORD* pDst, const DWORD* pSrc, DWORD dwColor, int nCount, const WceUiWeights& w) {
  return WceUiWeighRow32Sse2(pDst, pSrc, dwColor, nCount, w);
}

// pSrc NULL: every source pixel is the colour.
template <typename T>
void WeighRow(T* pDst, const T* pSrc, T color, int nCount, const WceUiWeights& w) {
  int i = 0;
  if (g_bSimd) i = WeighSse2(pDst, pSrc, color, nCount, w);
  if (pSrc != nullptr) {
    for (; i < nCount; ++i) pDst[i] = Weigh(pDst[i], pSrc[i], w);
  } else {
    for (; i < nCount; ++i) pDst[i] = Weigh(pDst[i], color, w);
  }
}

void CopyColorRow32(DWORD* pDst, const DWORD* pSrc, int nCount) {
  for (int i = 0; i < nCount; ++i) pDst[i] = (pDst[i] & kMaskTop32) | (pSrc[i] & kMaskColor32);
}

// Per channel of a 565 word: c / 2 and c / 4, and the packed 3·M/4 of a colour.
inline WORD Half565(WORD c) {
  return static_cast<WORD>((c >> 1) & kHalfMask565);
}
inline WORD Quarter565(WORD c) {
  return static_cast<WORD>((c >> 2) & kQuarterMask565);
}
WORD ThreeQuarters565(WORD c) {
  const DWORD r = ((c >> 11) * 3) / 4;
  const DWORD g = (((c >> 5) & 0x3F) * 3) / 4;
  const DWORD b = ((c & 0x1F) * 3) / 4;
  return static_cast<WORD>((r << 11) | (g << 5) | b);
}

// ---- hue shift tables, 16.16 fixed point
struct HueTables {
  DWORD m_dwReciprocal[256];  // 60 / d
  DWORD m_dwSector[360];      // x / 60
  HueTables() {
    m_dwReciprocal[0] = 0;
    for (DWORD d = 1; d < 256; ++d) m_dwReciprocal[d] = 3932160 / d;
    for (DWORD x = 0; x < 360; ++x) m_dwSector[x] = (65536 * x) / 60;
  }
};
const HueTables g_hue;
const DWORD kSectorOne = 262144;  // four sixty-degree sectors in 16.16

// r, g, b of one width; returns them shifted by the offset, same largest and smallest channel.
void ShiftHue(DWORD& r, DWORD& g, DWORD& b, int nOffsetHue) {
  if (r == g && g == b) return;
  const DWORD nMax = r > g ? (r > b ? r : b) : (g > b ? g : b);
  const DWORD nMin = r < g ? (r < b ? r : b) : (g < b ? g : b);
  const DWORD d = nMax - nMin;
  int nBase;
  int nDiff;
  if (r > g && r > b) {
    nBase = 0;
    nDiff = static_cast<int>(g) - static_cast<int>(b);
  } else if (g >= b && g >= r) {
    nBase = 120;
    nDiff = static_cast<int>(b) - static_cast<int>(r);
  } else {
    nBase = 240;
    nDiff = static_cast<int>(r) - static_cast<int>(g);
  }
  // Arithmetic shift of the signed product, as the fixed-point code has it.
  const int nProduct = static_cast<int>(g_hue.m_dwReciprocal[d]) * nDiff;
  int h = nBase + (nProduct >> 16) + nOffsetHue;
  if (h < 0) h += 360;
  if (h >= 360) h -= 360;
  const DWORD* f = g_hue.m_dwSector;
  auto third = [&](DWORD nFraction) { return nMin + ((nFraction * d) >> 16); };
  if (h < 60) {
    r = nMax, b = nMin, g = third(f[h]);
  } else if (h < 120) {
    g = nMax, b = nMin, r = third(kSectorOne - f[h + 120]);
  } else if (h < 180) {
    g = nMax, r = nMin, b = third(f[h - 120]);
  } else if (h < 240) {
    b = nMax, r = nMin, g = third(kSectorOne - f[h]);
  } else if (h == 240) {
    b = nMax, r = nMin, g = nMin;
  } else if (h < 300) {
    b = nMax, g = nMin, r = third(f[h - 240]);
  } else {
    r = nMax, g = nMin, b = third(kSectorOne - f[h - 120]);
  }
}

// Calls fn(destination row, source row) for the image rows y .. y + h - 1 of both rectangles.
template <typename T, typename Fn>
void ForRows(const WceUiPixels& dst, int x, int y, int h, const WceUiPixels& src, int xSrc, int ySrc, Fn fn) {
  for (int j = 0; j < h; ++j) {
    T* pDst;
    const T* pSrc;
    if constexpr (sizeof(T) == 2) {
      pDst = WceUiGetRow565(dst, y + j) + x;
      pSrc = WceUiGetRow565(src, ySrc + j) + xSrc;
    } else {
      pDst = WceUiGetRow32(dst, y + j) + x;
      pSrc = WceUiGetRow32(src, ySrc + j) + xSrc;
    }
    fn(pDst, pSrc, j);
  }
}

int WholeCount565(const WceUiPixels& p) {
  return WceUiGetRowPixels565(p.m_nWidth) * p.m_nHeight;
}
int WholeCount32(const WceUiPixels& p) {
  return p.m_nWidth * p.m_nHeight;
}
}  // namespace

WceUiAlphaClass WceUiGetAlphaClass(int nAlpha) {
  if (nAlpha < 9) return WCEUI_ALPHA_NONE;
  if (nAlpha >= 56 && nAlpha <= 72) return WCEUI_ALPHA_QUARTER;
  if (nAlpha >= 120 && nAlpha <= 136) return WCEUI_ALPHA_HALF;
  if (nAlpha >= 184 && nAlpha <= 200) return WCEUI_ALPHA_THREE_QUARTERS;
  if (nAlpha >= 247) return WCEUI_ALPHA_FULL;
  return WCEUI_ALPHA_GENERAL;
}

WORD WceUiColorTo565(DWORD crColor) {
  const DWORD r = crColor & 0xFF;
  const DWORD g = (crColor >> 8) & 0xFF;
  const DWORD b = (crColor >> 16) & 0xFF;
  return static_cast<WORD>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

DWORD WceUiColorTo32(DWORD crColor) {
  return ((crColor & 0xFF) << 16) | (crColor & 0xFF00) | ((crColor >> 16) & 0xFF);
}

WORD* WceUiGetRow565(const WceUiPixels& pixels, int y) {
  return static_cast<WORD*>(pixels.m_pBits) +
         static_cast<size_t>(pixels.m_nHeight - 1 - y) * WceUiGetRowPixels565(pixels.m_nWidth);
}

DWORD* WceUiGetRow32(const WceUiPixels& pixels, int y) {
  return static_cast<DWORD*>(pixels.m_pBits) +
         static_cast<size_t>(pixels.m_nHeight - 1 - y) * pixels.m_nWidth;
}

BYTE* WceUiGetAlphaRow565(const WceUiPixels& pixels, int y) {
  return pixels.m_pAlpha +
         static_cast<size_t>(pixels.m_nHeight - 1 - y) * WceUiGetRowPixels565(pixels.m_nWidth);
}

void WceUiSetSimdKernels(BOOL bUse) {
  g_bSimd = bUse != 0;
}
BOOL WceUiGetSimdKernels() {
  return g_bSimd ? 1 : 0;
}

// ---- rows
void WceUiBlendRow565(WORD* pDst, const WORD* pSrc, int nCount, int nAlpha) {
  const WceUiAlphaClass eClass = WceUiGetAlphaClass(nAlpha);
  if (eClass == WCEUI_ALPHA_NONE) return;
  if (eClass == WCEUI_ALPHA_FULL) {
    std::memmove(pDst, pSrc, static_cast<size_t>(nCount) * sizeof(WORD));
    return;
  }
  WeighRow<WORD>(pDst, pSrc, 0, nCount, GetWeights(eClass, nAlpha, true));
}

void WceUiBlendRow32(DWORD* pDst, const DWORD* pSrc, int nCount, int nAlpha) {
  const WceUiAlphaClass eClass = WceUiGetAlphaClass(nAlpha);
  if (eClass == WCEUI_ALPHA_NONE) return;
  if (eClass == WCEUI_ALPHA_FULL) {
    CopyColorRow32(pDst, pSrc, nCount);
    return;
  }
  WeighRow<DWORD>(pDst, pSrc, 0, nCount, GetWeights(eClass, nAlpha, false));
}

void WceUiBlendPerPixelRow565(WORD* pDst, const WORD* pSrc, const BYTE* pSrcAlpha, int nCount) {
  int i = 0;
  if (g_bSimd) i = WceUiBlendPerPixelRow565Sse2(pDst, pSrc, pSrcAlpha, nCount);
  for (; i < nCount; ++i) {
    const DWORD a = pSrcAlpha[i];
    if (a == 0) continue;
    // With a = 63 the destination weighs nothing and the sum is the source pixel.
    const DWORD nDst = 63 - a;
    const DWORD d = pDst[i];
    const DWORD rb = (((d & kMaskRB565) * nDst) >> 6) & kMaskRB565;
    const DWORD g = (((d & kMaskG565) * nDst) >> 6) & kMaskG565;
    pDst[i] = static_cast<WORD>((rb | g) + pSrc[i]);
  }
}

void WceUiBlendPerPixelRow32(DWORD* pDst, const DWORD* pSrc, int nCount) {
  int i = 0;
  if (g_bSimd) i = WceUiBlendPerPixelRow32Sse2(pDst, pSrc, nCount);
  for (; i < nCount; ++i) {
    const DWORD s = pSrc[i];
    const DWORD a = s >> 24;
    if (a == 0) continue;
    const DWORD nDst = 255 - a;
    const DWORD d = pDst[i];
    const DWORD rb = (((d & kMaskRB32) * nDst) >> 8) & kMaskRB32;
    const DWORD g = (((d & kMaskG32) * nDst) >> 8) & kMaskG32;
    pDst[i] = ((d & kMaskTop32) | rb | g) + (s & kMaskColor32);
  }
}

void WceUiMixColorRow565(WORD* pDst, int nCount, WORD wColor, int nAlpha) {
  const WceUiAlphaClass eClass = WceUiGetAlphaClass(nAlpha);
  if (eClass == WCEUI_ALPHA_NONE) return;
  if (eClass == WCEUI_ALPHA_FULL) {
    for (int i = 0; i < nCount; ++i) pDst[i] = wColor;
    return;
  }
  WeighRow<WORD>(pDst, nullptr, wColor, nCount, GetWeights(eClass, nAlpha, true));
}

void WceUiMixColorRow32(DWORD* pDst, int nCount, DWORD dwColor, int nAlpha) {
  const WceUiAlphaClass eClass = WceUiGetAlphaClass(nAlpha);
  if (eClass == WCEUI_ALPHA_NONE) return;
  const DWORD dwPixel = dwColor & kMaskColor32;
  if (eClass == WCEUI_ALPHA_FULL) {
    for (int i = 0; i < nCount; ++i) pDst[i] = (pDst[i] & kMaskTop32) | dwPixel;
    return;
  }
  WeighRow<DWORD>(pDst, nullptr, dwPixel, nCount, GetWeights(eClass, nAlpha, false));
}

void WceUiDarkenRow565(WORD* pDst, int nCount, int nAlpha) {
  // Darkening is mixing black, but for the quarter class, which takes D - D/4 (that is, rounds up).
  if (WceUiGetAlphaClass(nAlpha) == WCEUI_ALPHA_QUARTER) {
    for (int i = 0; i < nCount; ++i) pDst[i] = static_cast<WORD>(pDst[i] - Quarter565(pDst[i]));
    return;
  }
  WceUiMixColorRow565(pDst, nCount, 0, nAlpha);
}

void WceUiDarkenRow32(DWORD* pDst, int nCount, int nAlpha) {
  WceUiMixColorRow32(pDst, nCount, 0, nAlpha);
}

void WceUiTransCopyRow565(WORD* pDst, const WORD* pSrc, int nCount, WORD wKey) {
  int i = 0;
  if (g_bSimd) i = WceUiTransCopyRow565Sse2(pDst, pSrc, nCount, wKey);
  for (; i < nCount; ++i) {
    if (pSrc[i] != wKey) pDst[i] = pSrc[i];
  }
}

void WceUiTransCopyRow32(DWORD* pDst, const DWORD* pSrc, int nCount, DWORD dwKey) {
  int i = 0;
  const DWORD dwColorKey = dwKey & kMaskColor32;
  if (g_bSimd) i = WceUiTransCopyRow32Sse2(pDst, pSrc, nCount, dwColorKey);
  for (; i < nCount; ++i) {
    if ((pSrc[i] & kMaskColor32) != dwColorKey) pDst[i] = pSrc[i];
  }
}

namespace {
// Steps through the source without a division a pixel: nIndex = i * nSrc / nDst exactly.
template <typename T>
void StretchRow(T* pDst, int nDstCount, const T* pSrc, int nSrcCount) {
  if (nDstCount <= 0) return;
  const int nWhole = nSrcCount / nDstCount;
  const int nPart = nSrcCount % nDstCount;
  int nIndex = 0;
  int nError = 0;
  for (int i = 0; i < nDstCount; ++i) {
    pDst[i] = pSrc[nIndex];
    nIndex += nWhole;
    nError += nPart;
    if (nError >= nDstCount) {
      nError -= nDstCount;
      ++nIndex;
    }
  }
}
}  // namespace

void WceUiStretchRow565(WORD* pDst, int nDstCount, const WORD* pSrc, int nSrcCount) {
  StretchRow(pDst, nDstCount, pSrc, nSrcCount);
}

void WceUiStretchRow32(DWORD* pDst, int nDstCount, const DWORD* pSrc, int nSrcCount) {
  StretchRow(pDst, nDstCount, pSrc, nSrcCount);
}

void WceUiHueShiftRow565(WORD* pPixels, int nCount, int nOffsetHue) {
  for (int i = 0; i < nCount; ++i) {
    const WORD p = pPixels[i];
    // Red and blue are widened to six bits so the three channels compare on one scale.
    DWORD r = (p >> 11) * 2;
    DWORD g = (p >> 5) & 0x3F;
    DWORD b = (p & 0x1F) * 2;
    ShiftHue(r, g, b, nOffsetHue);
    pPixels[i] = static_cast<WORD>(((r >> 1) << 11) | (g << 5) | (b >> 1));
  }
}

void WceUiHueShiftRow32(DWORD* pPixels, int nCount, int nOffsetHue) {
  for (int i = 0; i < nCount; ++i) {
    const DWORD p = pPixels[i];
    DWORD r = (p >> 16) & 0xFF;
    DWORD g = (p >> 8) & 0xFF;
    DWORD b = p & 0xFF;
    ShiftHue(r, g, b, nOffsetHue);
    pPixels[i] = (p & kMaskTop32) | (r << 16) | (g << 8) | b;
  }
}

// ---- bitmaps
void WceUiBlendRect565(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src, int xSrc,
                       int ySrc, int nAlpha) {
  ForRows<WORD>(dst, x, y, h, src, xSrc, ySrc,
                [&](WORD* pDst, const WORD* pSrc, int) { WceUiBlendRow565(pDst, pSrc, w, nAlpha); });
}

void WceUiBlendRect32(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src, int xSrc,
                      int ySrc, int nAlpha) {
  ForRows<DWORD>(dst, x, y, h, src, xSrc, ySrc,
                 [&](DWORD* pDst, const DWORD* pSrc, int) { WceUiBlendRow32(pDst, pSrc, w, nAlpha); });
}

void WceUiBlendWhole565(const WceUiPixels& dst, const WceUiPixels& src, int nAlpha) {
  WceUiBlendRow565(static_cast<WORD*>(dst.m_pBits), static_cast<const WORD*>(src.m_pBits), WholeCount565(dst),
                   nAlpha);
}

void WceUiBlendWhole32(const WceUiPixels& dst, const WceUiPixels& src, int nAlpha) {
  WceUiBlendRow32(static_cast<DWORD*>(dst.m_pBits), static_cast<const DWORD*>(src.m_pBits), WholeCount32(dst),
                  nAlpha);
}

void WceUiBlendPerPixelRect565(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src,
                               int xSrc, int ySrc) {
  ForRows<WORD>(dst, x, y, h, src, xSrc, ySrc, [&](WORD* pDst, const WORD* pSrc, int j) {
    WceUiBlendPerPixelRow565(pDst, pSrc, WceUiGetAlphaRow565(src, ySrc + j) + xSrc, w);
  });
}

void WceUiBlendPerPixelRect32(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src,
                              int xSrc, int ySrc) {
  ForRows<DWORD>(dst, x, y, h, src, xSrc, ySrc,
                 [&](DWORD* pDst, const DWORD* pSrc, int) { WceUiBlendPerPixelRow32(pDst, pSrc, w); });
}

void WceUiBlendPerPixelWhole565(const WceUiPixels& dst, const WceUiPixels& src) {
  WceUiBlendPerPixelRow565(static_cast<WORD*>(dst.m_pBits), static_cast<const WORD*>(src.m_pBits),
                           src.m_pAlpha, WholeCount565(dst));
}

void WceUiBlendPerPixelWhole32(const WceUiPixels& dst, const WceUiPixels& src) {
  WceUiBlendPerPixelRow32(static_cast<DWORD*>(dst.m_pBits), static_cast<const DWORD*>(src.m_pBits),
                          WholeCount32(dst));
}

void WceUiMixColorRect565(const WceUiPixels& dst, int x, int y, int w, int h, WORD wColor, int nAlpha) {
  for (int j = 0; j < h; ++j) WceUiMixColorRow565(WceUiGetRow565(dst, y + j) + x, w, wColor, nAlpha);
}

void WceUiMixColorRect32(const WceUiPixels& dst, int x, int y, int w, int h, DWORD dwColor, int nAlpha) {
  for (int j = 0; j < h; ++j) WceUiMixColorRow32(WceUiGetRow32(dst, y + j) + x, w, dwColor, nAlpha);
}

void WceUiMixColorWhole565(const WceUiPixels& dst, WORD wColor, int nAlpha) {
  WORD* p = static_cast<WORD*>(dst.m_pBits);
  const int nCount = WholeCount565(dst);
  const WceUiAlphaClass eClass = WceUiGetAlphaClass(nAlpha);
  if (eClass == WCEUI_ALPHA_HALF) {
    const WORD wHalf = Half565(wColor);
    for (int i = 0; i < nCount; ++i) p[i] = static_cast<WORD>(Half565(p[i]) + wHalf);
  } else if (eClass == WCEUI_ALPHA_THREE_QUARTERS) {
    const WORD wThree = ThreeQuarters565(wColor);
    for (int i = 0; i < nCount; ++i) p[i] = static_cast<WORD>(Quarter565(p[i]) + wThree);
  } else {
    WceUiMixColorRow565(p, nCount, wColor, nAlpha);
  }
}

void WceUiMixColorWhole32(const WceUiPixels& dst, DWORD dwColor, int nAlpha) {
  WceUiMixColorRow32(static_cast<DWORD*>(dst.m_pBits), WholeCount32(dst), dwColor, nAlpha);
}

void WceUiDarkenRect565(const WceUiPixels& dst, int x, int y, int w, int h, int nAlpha) {
  for (int j = 0; j < h; ++j) WceUiDarkenRow565(WceUiGetRow565(dst, y + j) + x, w, nAlpha);
}

void WceUiDarkenRect32(const WceUiPixels& dst, int x, int y, int w, int h, int nAlpha) {
  for (int j = 0; j < h; ++j) WceUiDarkenRow32(WceUiGetRow32(dst, y + j) + x, w, nAlpha);
}

void WceUiDarkenWhole565(const WceUiPixels& dst, int nAlpha) {
  WceUiDarkenRow565(static_cast<WORD*>(dst.m_pBits), WholeCount565(dst), nAlpha);
}

void WceUiDarkenWhole32(const WceUiPixels& dst, int nAlpha) {
  WceUiDarkenRow32(static_cast<DWORD*>(dst.m_pBits), WholeCount32(dst), nAlpha);
}

void WceUiTransCopyRect565(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src,
                           int xSrc, int ySrc, WORD wKey) {
  ForRows<WORD>(dst, x, y, h, src, xSrc, ySrc,
                [&](WORD* pDst, const WORD* pSrc, int) { WceUiTransCopyRow565(pDst, pSrc, w, wKey); });
}

void WceUiTransCopyRect32(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src,
                          int xSrc, int ySrc, DWORD dwKey) {
  ForRows<DWORD>(dst, x, y, h, src, xSrc, ySrc,
                 [&](DWORD* pDst, const DWORD* pSrc, int) { WceUiTransCopyRow32(pDst, pSrc, w, dwKey); });
}

namespace {
template <typename T, typename RowFn>
void StretchRect(int y, int w, int h, int ySrc, int wSrc, int hSrc, RowFn row) {
  if (w <= 0 || h <= 0) return;
  const T* pLastSrc = nullptr;
  T* pLastDst = nullptr;
  for (int j = 0; j < h; ++j) {
    const int nSrcRow = ySrc + static_cast<int>(static_cast<int64_t>(j) * hSrc / h);
    T* pDst;
    const T* pSrc;
    row(y + j, nSrcRow, &pDst, &pSrc);
    // Rows repeated by an enlargement are copies of the row just made.
    if (pSrc == pLastSrc) {
      std::memcpy(pDst, pLastDst, static_cast<size_t>(w) * sizeof(T));
    } else {
      StretchRow(pDst, w, pSrc, wSrc);
    }
    pLastSrc = pSrc;
    pLastDst = pDst;
  }
}
}  // namespace

void WceUiStretchRect565(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src, int xSrc,
                         int ySrc, int wSrc, int hSrc) {
  StretchRect<WORD>(y, w, h, ySrc, wSrc, hSrc,
                    [&](int nDstRow, int nSrcRow, WORD** ppDst, const WORD** ppSrc) {
                      *ppDst = WceUiGetRow565(dst, nDstRow) + x;
                      *ppSrc = WceUiGetRow565(src, nSrcRow) + xSrc;
                    });
}

void WceUiStretchRect32(const WceUiPixels& dst, int x, int y, int w, int h, const WceUiPixels& src, int xSrc,
                        int ySrc, int wSrc, int hSrc) {
  StretchRect<DWORD>(y, w, h, ySrc, wSrc, hSrc,
                     [&](int nDstRow, int nSrcRow, DWORD** ppDst, const DWORD** ppSrc) {
                       *ppDst = WceUiGetRow32(dst, nDstRow) + x;
                       *ppSrc = WceUiGetRow32(src, nSrcRow) + xSrc;
                     });
}

namespace {
template <typename T, typename RowOf>
void Rotate(const WceUiPixels& dst, const WceUiPixels& src, int nAngle, RowOf rowOf) {
  const int nW = src.m_nWidth;
  const int nH = src.m_nHeight;
  for (int y = 0; y < nH; ++y) {
    const T* pSrc = rowOf(src, y);
    if (nAngle == WCEUI_ROTATE_180) {
      T* pDst = rowOf(dst, nH - 1 - y) + nW - 1;
      for (int x = 0; x < nW; ++x) *pDst-- = pSrc[x];
    } else if (nAngle == WCEUI_ROTATE_90) {
      // Source column x becomes destination row x, source row y destination column H - 1 - y.
      for (int x = 0; x < nW; ++x) rowOf(dst, x)[nH - 1 - y] = pSrc[x];
    } else if (nAngle == WCEUI_ROTATE_270) {
      for (int x = 0; x < nW; ++x) rowOf(dst, nW - 1 - x)[y] = pSrc[x];
    }
  }
}
}  // namespace

void WceUiRotate565(const WceUiPixels& dst, const WceUiPixels& src, int nAngle) {
  Rotate<WORD>(dst, src, nAngle, WceUiGetRow565);
}

void WceUiRotate32(const WceUiPixels& dst, const WceUiPixels& src, int nAngle) {
  Rotate<DWORD>(dst, src, nAngle, WceUiGetRow32);
}

void WceUiHueShiftWhole565(const WceUiPixels& pixels, int nOffsetHue) {
  WceUiHueShiftRow565(static_cast<WORD*>(pixels.m_pBits), WholeCount565(pixels), nOffsetHue);
}

void WceUiHueShiftWhole32(const WceUiPixels& pixels, int nOffsetHue) {
  WceUiHueShiftRow32(static_cast<DWORD*>(pixels.m_pBits), WholeCount32(pixels), nOffsetHue);
}
