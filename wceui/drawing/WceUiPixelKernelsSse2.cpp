#include "wceui/drawing/WceUiPixelKernelsSse2.h"

#ifdef __SSE2__
#include <emmintrin.h>

namespace {
// 565 channels widened to 16-bit lanes keep every product below 64·63, so one multiply a lane does.
struct Channels565 {
  __m128i m_R;
  __m128i m_G;
  __m128i m_B;
};

inline Channels565 Split565(__m128i p) {
  const __m128i m5 = _mm_set1_epi16(0x1F);
  const __m128i m6 = _mm_set1_epi16(0x3F);
  return {_mm_srli_epi16(p, 11), _mm_and_si128(_mm_srli_epi16(p, 5), m6), _mm_and_si128(p, m5)};
}

inline __m128i Join565(__m128i r, __m128i g, __m128i b) {
  return _mm_or_si128(_mm_slli_epi16(r, 11), _mm_or_si128(_mm_slli_epi16(g, 5), b));
}

inline __m128i Select(__m128i mask, __m128i whenSet, __m128i otherwise) {
  return _mm_or_si128(_mm_and_si128(mask, whenSet), _mm_andnot_si128(mask, otherwise));
}

const int kLanes16 = 8;
const int kLanes32 = 4;
}  // namespace

int WceUiWeighRow565Sse2(WORD* pDst, const WORD* pSrc, WORD wColor, int nCount, const WceUiWeights& w) {
  const __m128i ws = _mm_set1_epi16(static_cast<short>(w.m_dwSrc));
  const __m128i wd = _mm_set1_epi16(static_cast<short>(w.m_dwDst));
  const __m128i sh = _mm_cvtsi32_si128(static_cast<int>(w.m_dwShift));
  const Channels565 color = Split565(_mm_set1_epi16(static_cast<short>(wColor)));
  const Channels565 colorWeighed = {_mm_mullo_epi16(color.m_R, ws), _mm_mullo_epi16(color.m_G, ws),
                                    _mm_mullo_epi16(color.m_B, ws)};
  int i = 0;
  for (; i + kLanes16 <= nCount; i += kLanes16) {
    __m128i* p = reinterpret_cast<__m128i*>(pDst + i);
    const Channels565 d = Split565(_mm_loadu_si128(p));
    Channels565 s = colorWeighed;
    if (pSrc) {
      const Channels565 c = Split565(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + i)));
      s = {_mm_mullo_epi16(c.m_R, ws), _mm_mullo_epi16(c.m_G, ws), _mm_mullo_epi16(c.m_B, ws)};
    }
    const __m128i r = _mm_srl_epi16(_mm_add_epi16(s.m_R, _mm_mullo_epi16(d.m_R, wd)), sh);
    const __m128i g = _mm_srl_epi16(_mm_add_epi16(s.m_G, _mm_mullo_epi16(d.m_G, wd)), sh);
    const __m128i b = _mm_srl_epi16(_mm_add_epi16(s.m_B, _mm_mullo_epi16(d.m_B, wd)), sh);
    _mm_storeu_si128(p, Join565(r, g, b));
  }
  return i;
}

int WceUiWeighRow32Sse2(DWORD* pDst, const DWORD* pSrc, DWORD dwColor, int nCount, const WceUiWeights& w) {
  const __m128i zero = _mm_setzero_si128();
  // The top byte (lanes 3 and 7) weighs the source 0 and the destination 1 << nShift, so it comes
  // out as the destination's.
  const short nSrc = static_cast<short>(w.m_dwSrc);
  const short nDst = static_cast<short>(w.m_dwDst);
  const short nKeep = static_cast<short>(1 << w.m_dwShift);
  const __m128i ws = _mm_set_epi16(0, nSrc, nSrc, nSrc, 0, nSrc, nSrc, nSrc);
  const __m128i wd = _mm_set_epi16(nKeep, nDst, nDst, nDst, nKeep, nDst, nDst, nDst);
  const __m128i sh = _mm_cvtsi32_si128(static_cast<int>(w.m_dwShift));
  const __m128i color = _mm_set1_epi32(static_cast<int>(dwColor));
  const __m128i colorWeighed = _mm_mullo_epi16(_mm_unpacklo_epi8(color, zero), ws);
  int i = 0;
  for (; i + kLanes32 <= nCount; i += kLanes32) {
    __m128i* p = reinterpret_cast<__m128i*>(pDst + i);
    const __m128i d = _mm_loadu_si128(p);
    __m128i sLo = colorWeighed;
    __m128i sHi = colorWeighed;
    if (pSrc) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + i));
      sLo = _mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), ws);
      sHi = _mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), ws);
    }
    const __m128i lo = _mm_srl_epi16(_mm_add_epi16(sLo, _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), wd)), sh);
    const __m128i hi = _mm_srl_epi16(_mm_add_epi16(sHi, _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), wd)), sh);
    _mm_storeu_si128(p, _mm_packus_epi16(lo, hi));
  }
  return i;
}

int WceUiBlendPerPixelRow565Sse2(WORD* pDst, const WORD* pSrc, const BYTE* pSrcAlpha, int nCount) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i opaque = _mm_set1_epi16(63);
  int i = 0;
  for (; i + kLanes16 <= nCount; i += kLanes16) {
    __m128i* p = reinterpret_cast<__m128i*>(pDst + i);
    const __m128i dWord = _mm_loadu_si128(p);
    const __m128i sWord = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + i));
    const __m128i a =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pSrcAlpha + i)), zero);
    const __m128i na = _mm_sub_epi16(opaque, a);
    const Channels565 d = Split565(dWord);
    const __m128i r = _mm_srli_epi16(_mm_mullo_epi16(d.m_R, na), 6);
    const __m128i g = _mm_srli_epi16(_mm_mullo_epi16(d.m_G, na), 6);
    const __m128i b = _mm_srli_epi16(_mm_mullo_epi16(d.m_B, na), 6);
    const __m128i blended = _mm_add_epi16(Join565(r, g, b), sWord);
    _mm_storeu_si128(p, Select(_mm_cmpeq_epi16(a, zero), dWord, blended));
  }
  return i;
}

int WceUiBlendPerPixelRow32Sse2(DWORD* pDst, const DWORD* pSrc, int nCount) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i colorMask = _mm_set1_epi32(0x00FFFFFF);
  const __m128i opaque = _mm_set1_epi32(255);
  int i = 0;
  for (; i + kLanes32 <= nCount; i += kLanes32) {
    __m128i* p = reinterpret_cast<__m128i*>(pDst + i);
    const __m128i d = _mm_loadu_si128(p);
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + i));
    const __m128i a = _mm_srli_epi32(s, 24);
    const __m128i na = _mm_sub_epi32(opaque, a);
    // The destination weight of each pixel in all four 16-bit lanes of its channels.
    const __m128i na2 = _mm_or_si128(na, _mm_slli_epi32(na, 16));
    const __m128i lo =
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi32(na2, na2)), 8);
    const __m128i hi =
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi32(na2, na2)), 8);
    const __m128i kept = Select(colorMask, _mm_packus_epi16(lo, hi), d);
    const __m128i blended = _mm_add_epi32(kept, _mm_and_si128(s, colorMask));
    _mm_storeu_si128(p, Select(_mm_cmpeq_epi32(a, zero), d, blended));
  }
  return i;
}

int WceUiTransCopyRow565Sse2(WORD* pDst, const WORD* pSrc, int nCount, WORD wKey) {
  const __m128i key = _mm_set1_epi16(static_cast<short>(wKey));
  int i = 0;
  for (; i + kLanes16 <= nCount; i += kLanes16) {
    __m128i* p = reinterpret_cast<__m128i*>(pDst + i);
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + i));
    _mm_storeu_si128(p, Select(_mm_cmpeq_epi16(s, key), _mm_loadu_si128(p), s));
  }
  return i;
}

int WceUiTransCopyRow32Sse2(DWORD* pDst, const DWORD* pSrc, int nCount, DWORD dwColorKey) {
  const __m128i key = _mm_set1_epi32(static_cast<int>(dwColorKey));
  const __m128i colorMask = _mm_set1_epi32(0x00FFFFFF);
  int i = 0;
  for (; i + kLanes32 <= nCount; i += kLanes32) {
    __m128i* p = reinterpret_cast<__m128i*>(pDst + i);
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + i));
    const __m128i same = _mm_cmpeq_epi32(_mm_and_si128(s, colorMask), key);
    _mm_storeu_si128(p, Select(same, _mm_loadu_si128(p), s));
  }
  return i;
}

#else

int WceUiWeighRow565Sse2(WORD*, const WORD*, WORD, int, const WceUiWeights&) {
  return 0;
}
int WceUiWeighRow32Sse2(DWORD*, const DWORD*, DWORD, int, const WceUiWeights&) {
  return 0;
}
int WceUiBlendPerPixelRow565Sse2(WORD*, const WORD*, const BYTE*, int) {
  return 0;
}
int WceUiBlendPerPixelRow32Sse2(DWORD*, const DWORD*, int) {
  return 0;
}
int WceUiTransCopyRow565Sse2(WORD*, const WORD*, int, WORD) {
  return 0;
}
int WceUiTransCopyRow32Sse2(DWORD*, const DWORD*, int, DWORD) {
  return 0;
}

#endif
