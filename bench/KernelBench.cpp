// (k) The UI framework's pixel kernels against pixman doing the same work on the same formats, whole
// screens of 800x480 and 1024x600 at both depths, interleaved so that both sides see the same caches
// and clock. Pixman reads the DIB memory as the kernels do (image row y in memory row h - 1 - y, a
// negative stride) in the kernels' own formats: r5g6b5 at 16 bits, x8r8g8b8 (a8r8g8b8 where the
// source carries alpha) at 32 bits.
//   constant alpha    ours: general-class blend        pixman: OVER, opaque source, solid a8 mask
//   per-pixel alpha   ours: premultiplied source + alpha (565: the 0..63 alpha plane)
//                     pixman: 16 bits OVER of the plain r5g6b5 source through the plane as an a8 mask;
//                     32 bits OVER of the same premultiplied a8r8g8b8
//   transparent copy  ours: colour key                 pixman has no colour key: 16 bits OVER
//                     through an a8 mask of 0 on the key and 255 elsewhere, 32 bits OVER of a8r8g8b8
//                     whose alpha is 0 or 255 (the key decided beforehand); and a plain SRC copy of the
//                     same source, the floor of any keyed copy
//   colour mix        ours: general-class mix          pixman: OVER of a solid colour with that alpha
//   stretch           ours: nearest, 3/4 size to full  pixman: SRC, scaling transform, nearest filter
// Before timing, each pair runs once on the same destination and the two pictures are compared: a
// copy must give the same pixels, a blend may differ by the rounding of the two formulas (ours
// truncates and weighs 63/64 at 16 bits, pixman rounds in 8 bits). A pair that draws different
// pictures gets no figure and the program ends with status 1: it would time different work.
#include "bench/CBenchReport.h"

#include "wceui/drawing/WceUiPixelKernels.h"

#include <pixman.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {
const int kAlpha = 100;  // the general class: the slowest path of the blends
const DWORD kMixColor = 0x00306090;
const DWORD kKey32 = 0x00FF00FF;
const WORD kKey565 = 0xF81F;
// Rounding apart, in the channel's own width (5 or 6 bits, 8 bits): ours lands up to two below the
// exact blend (its truncations and, at 16 bits, weights that add up to 63/64; the premultiplied 565
// source was rounded down once already), pixman up to one either side (it rounds in 8 bits, and
// truncates again when it stores 565).
const int kBlendTolerance = 3;
const int kCopyTolerance = 0;
const int kNoPixelCheck = -1;  // a floor: other work than ours by design

struct Screen {
  int m_nWidth;
  int m_nHeight;
};

// Every 16 x 16 block of a 64 x 64 tile that is transparent: a quarter of the picture, in shapes.
bool IsKeyPixel(int x, int y) {
  return ((x / 16) + (y / 16)) % 4 == 0;
}

DWORD Pattern(int x, int y) {
  return static_cast<DWORD>(x * 0x10101u + y * 0x3F1Fu) & 0x00FFFFFFu;
}

WORD To565(DWORD p) {
  return static_cast<WORD>((((p >> 19) & 0x1F) << 11) | (((p >> 10) & 0x3F) << 5) | ((p >> 3) & 0x1F));
}

// A pixel outside the key's blocks that happened to hold the key would be skipped by ours and
// copied by pixman's mask; one blue step off, it is copied by both.
template <typename T>
T NotKey(T p, T key) {
  return p == key ? static_cast<T>(p ^ 1) : p;
}

// A 565 pixel whose channels are scaled by the plane's alpha, as the per-pixel kernel expects.
WORD Premultiply565(WORD s, int nAlpha) {
  const int r = (s >> 11) * nAlpha / 63;
  const int g = ((s >> 5) & 0x3F) * nAlpha / 63;
  const int b = (s & 0x1F) * nAlpha / 63;
  return static_cast<WORD>((r << 11) | (g << 5) | b);
}

// The largest difference of one channel between two pixels, in the channel's own width; the 32-bit
// top byte is not a colour (x8r8g8b8 leaves it to the writer).
int ChannelDifference(DWORD a, DWORD b, int nBits) {
  const int nShifts16[] = {0, 5, 11};
  const int nMasks16[] = {0x1F, 0x3F, 0x1F};
  int nMax = 0;
  for (int c = 0; c < 3; ++c) {
    const int nShift = nBits == 16 ? nShifts16[c] : c * 8;
    const int nMask = nBits == 16 ? nMasks16[c] : 0xFF;
    nMax = std::max(
        nMax, std::abs(static_cast<int>((a >> nShift) & nMask) - static_cast<int>((b >> nShift) & nMask)));
  }
  return nMax;
}

// One kernel against its pixman peer.
struct KernelCase {
  const char* m_pszName;
  std::function<void()> m_fnOurs;
  std::function<void()> m_fnPeer;
  int m_nTolerance;  // kNoPixelCheck for a floor
  const char* m_pszTarget;
};

class CKernelBench {
 public:
  CKernelBench(Screen screen, int nBits, int nRounds)
      : m_nWidth(screen.m_nWidth), m_nHeight(screen.m_nHeight), m_nBits(nBits), m_nRounds(nRounds) {
    m_nRowPixels = nBits == 16 ? WceUiGetRowPixels565(m_nWidth) : m_nWidth;
    m_nPitch = m_nRowPixels * (nBits / 8);
    m_nMaskPitch = (m_nRowPixels + 3) & ~3;
    // A scale that 16.16 holds exactly, so that pixman's sample points land where ours do.
    m_nSmallWidth = m_nWidth * 3 / 4;
    m_nSmallHeight = m_nHeight * 3 / 4;
    const int nSmallRowPixels = nBits == 16 ? WceUiGetRowPixels565(m_nSmallWidth) : m_nSmallWidth;
    m_nSmallPitch = nSmallRowPixels * (nBits / 8);
    const size_t nWords = static_cast<size_t>(m_nPitch) * m_nHeight / 4 + 1;
    for (std::vector<DWORD>* p : {&m_DstStart, &m_Dst, &m_Src, &m_SrcPremul, &m_SrcKeyed, &m_SrcArgbKeyed}) {
      p->assign(nWords, 0);
    }
    m_Small.assign(static_cast<size_t>(m_nSmallPitch) * m_nSmallHeight / 4 + 1, 0);
    m_Alpha.assign(static_cast<size_t>(m_nRowPixels) * m_nHeight, 0);
    m_Alpha8.assign(static_cast<size_t>(m_nMaskPitch) * m_nHeight, 0);
    m_KeyMask8.assign(static_cast<size_t>(m_nMaskPitch) * m_nHeight, 0);
    for (int y = 0; y < m_nHeight; ++y) {
      for (int x = 0; x < m_nWidth; ++x) {
        const DWORD p = Pattern(x, y);
        const bool bKey = IsKeyPixel(x, y);
        const size_t i = static_cast<size_t>(y) * m_nRowPixels + x;
        const size_t m = static_cast<size_t>(y) * m_nMaskPitch + x;
        m_KeyMask8[m] = bKey ? 0 : 0xFF;
        if (nBits == 16) {
          const int a = (x + y) & 0x3F;
          m_Alpha[i] = static_cast<BYTE>(a);
          m_Alpha8[m] = static_cast<BYTE>((a << 2) | (a >> 4));
          Bits16(m_DstStart)[i] = To565(Pattern(y, x));
          Bits16(m_Src)[i] = To565(p);
          Bits16(m_SrcPremul)[i] = Premultiply565(To565(p), a);
          Bits16(m_SrcKeyed)[i] = bKey ? kKey565 : NotKey(To565(p), kKey565);
        } else {
          const DWORD a = static_cast<DWORD>(x + y) & 0xFF;
          // Premultiplied: no channel above the alpha.
          const DWORD pm = (((p >> 16 & 0xFF) * a / 255) << 16) | (((p >> 8 & 0xFF) * a / 255) << 8) |
                           ((p & 0xFF) * a / 255);
          m_DstStart[i] = Pattern(y, x);
          m_Src[i] = p;
          m_SrcPremul[i] = (a << 24) | pm;
          m_SrcKeyed[i] = bKey ? kKey32 : NotKey(p, kKey32);
          m_SrcArgbKeyed[i] = bKey ? 0 : 0xFF000000u | NotKey(p, kKey32);
        }
      }
    }
    for (int y = 0; y < m_nSmallHeight; ++y) {
      for (int x = 0; x < m_nSmallWidth; ++x) {
        const DWORD p = Pattern(x * 5, y * 3);
        const size_t i = static_cast<size_t>(y) * nSmallRowPixels + x;
        if (nBits == 16) {
          Bits16(m_Small)[i] = To565(p);
        } else {
          m_Small[i] = p;
        }
      }
    }
    m_Dst = m_DstStart;

    const pixman_format_code_t format = nBits == 16 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8;
    m_pDst = Dib(format, m_nWidth, m_nHeight, m_Dst.data(), m_nPitch);
    m_pSrc = Dib(format, m_nWidth, m_nHeight, m_Src.data(), m_nPitch);
    m_pKeyed = Dib(format, m_nWidth, m_nHeight, m_SrcKeyed.data(), m_nPitch);
    if (nBits == 32) {
      m_pPremul = Dib(PIXMAN_a8r8g8b8, m_nWidth, m_nHeight, m_SrcPremul.data(), m_nPitch);
      m_pArgbKeyed = Dib(PIXMAN_a8r8g8b8, m_nWidth, m_nHeight, m_SrcArgbKeyed.data(), m_nPitch);
    }
    m_pAlpha8 = Dib(PIXMAN_a8, m_nWidth, m_nHeight, m_Alpha8.data(), m_nMaskPitch);
    m_pKeyMask8 = Dib(PIXMAN_a8, m_nWidth, m_nHeight, m_KeyMask8.data(), m_nMaskPitch);
    const pixman_color_t mask = {0, 0, 0, static_cast<uint16_t>(kAlpha * 257)};
    m_pConstMask = pixman_image_create_solid_fill(&mask);
    const uint16_t nMix = static_cast<uint16_t>(kAlpha * 257);
    // A solid source is premultiplied: each channel already carries the alpha.
    const pixman_color_t mix = {static_cast<uint16_t>((kMixColor & 0xFF) * nMix / 255),
                                static_cast<uint16_t>(((kMixColor >> 8) & 0xFF) * nMix / 255),
                                static_cast<uint16_t>(((kMixColor >> 16) & 0xFF) * nMix / 255), nMix};
    m_pMix = pixman_image_create_solid_fill(&mix);
    m_pSmall = Dib(format, m_nSmallWidth, m_nSmallHeight, m_Small.data(), m_nSmallPitch);
    // Pixman samples destination pixel i at its centre, (i + 0.5) * 3/4 in the source, and takes
    // the pixel below that point; a quarter pixel less makes that i * 3/4 rounded down, our rule.
    const pixman_fixed_t nScale = pixman_int_to_fixed(3) / 4;
    const pixman_fixed_t nShift = -pixman_fixed_1 / 4;
    const pixman_transform_t scale = {{{nScale, 0, nShift}, {0, nScale, nShift}, {0, 0, pixman_fixed_1}}};
    pixman_image_set_transform(m_pSmall, &scale);
    pixman_image_set_filter(m_pSmall, PIXMAN_FILTER_NEAREST, nullptr, 0);
  }

  ~CKernelBench() {
    for (pixman_image_t* p : {m_pDst, m_pSrc, m_pKeyed, m_pPremul, m_pArgbKeyed, m_pAlpha8, m_pKeyMask8,
                              m_pConstMask, m_pMix, m_pSmall}) {
      if (p != nullptr) pixman_image_unref(p);
    }
  }

  // False when a pair drew different pictures.
  bool Run() {
    const WceUiPixels dst = {m_Dst.data(), nullptr, m_nWidth, m_nHeight};
    const WceUiPixels src = {m_Src.data(), nullptr, m_nWidth, m_nHeight};
    const WceUiPixels premul = {m_SrcPremul.data(), m_Alpha.data(), m_nWidth, m_nHeight};
    const WceUiPixels keyed = {m_SrcKeyed.data(), nullptr, m_nWidth, m_nHeight};
    const WceUiPixels small = {m_Small.data(), nullptr, m_nSmallWidth, m_nSmallHeight};
    const bool b16 = m_nBits == 16;
    const int w = m_nWidth;
    const int h = m_nHeight;
    const auto transCopy = [&] {
      b16 ? WceUiTransCopyRect565(dst, 0, 0, w, h, keyed, 0, 0, kKey565)
          : WceUiTransCopyRect32(dst, 0, 0, w, h, keyed, 0, 0, kKey32);
    };
    const KernelCase cases[] = {
        {"constant-alpha",
         [&] { b16 ? WceUiBlendWhole565(dst, src, kAlpha) : WceUiBlendWhole32(dst, src, kAlpha); },
         [&] { Composite(PIXMAN_OP_OVER, m_pSrc, m_pConstMask); }, kBlendTolerance, "<=1.25"},
        {"per-pixel-alpha",
         [&] { b16 ? WceUiBlendPerPixelWhole565(dst, premul) : WceUiBlendPerPixelWhole32(dst, premul); },
         [&] {
           b16 ? Composite(PIXMAN_OP_OVER, m_pSrc, m_pAlpha8) : Composite(PIXMAN_OP_OVER, m_pPremul, nullptr);
         },
         kBlendTolerance, "<=1.25"},
        {"transparent-copy", transCopy,
         [&] {
           b16 ? Composite(PIXMAN_OP_OVER, m_pKeyed, m_pKeyMask8)
               : Composite(PIXMAN_OP_OVER, m_pArgbKeyed, nullptr);
         },
         kCopyTolerance, "<=1.25"},
        {"transparent-copy-src-floor", transCopy, [&] { Composite(PIXMAN_OP_SRC, m_pKeyed, nullptr); },
         kNoPixelCheck, ""},
        {"colour-mix",
         [&] {
           b16 ? WceUiMixColorWhole565(dst, WceUiColorTo565(kMixColor), kAlpha)
               : WceUiMixColorWhole32(dst, WceUiColorTo32(kMixColor), kAlpha);
         },
         [&] { Composite(PIXMAN_OP_OVER, m_pMix, nullptr); }, kBlendTolerance, "<=1.25"},
        {"stretch",
         [&] {
           b16 ? WceUiStretchRect565(dst, 0, 0, w, h, small, 0, 0, m_nSmallWidth, m_nSmallHeight)
               : WceUiStretchRect32(dst, 0, 0, w, h, small, 0, 0, m_nSmallWidth, m_nSmallHeight);
         },
         [&] { Composite(PIXMAN_OP_SRC, m_pSmall, nullptr); }, kCopyTolerance, ""},
    };
    bool bSame = true;
    for (const KernelCase& c : cases) {
      if (c.m_nTolerance != kNoPixelCheck && !SamePictures(c)) {
        bSame = false;
        continue;
      }
      Compare(c);
    }
    return bSame;
  }

 private:
  static WORD* Bits16(std::vector<DWORD>& v) { return reinterpret_cast<WORD*>(v.data()); }

  static pixman_image_t* Dib(pixman_format_code_t format, int w, int h, void* pBits, int nPitch) {
    BYTE* pLastRow = static_cast<BYTE*>(pBits) + static_cast<size_t>(h - 1) * nPitch;
    return pixman_image_create_bits(format, w, h, reinterpret_cast<uint32_t*>(pLastRow), -nPitch);
  }

  void Composite(pixman_op_t op, pixman_image_t* pSrc, pixman_image_t* pMask) {
    pixman_image_composite32(op, pSrc, pMask, m_pDst, 0, 0, 0, 0, 0, 0, m_nWidth, m_nHeight);
  }

  DWORD Pixel(const std::vector<DWORD>& v, int x, int y) const {
    const size_t i = static_cast<size_t>(y) * m_nRowPixels + x;
    return m_nBits == 16 ? reinterpret_cast<const WORD*>(v.data())[i] : v[i];
  }

  // Both sides once from the same destination picture: the largest channel difference over the
  // image must stay within the case's tolerance.
  bool SamePictures(const KernelCase& c) {
    m_Dst = m_DstStart;
    c.m_fnOurs();
    const std::vector<DWORD> ours = m_Dst;
    m_Dst = m_DstStart;
    c.m_fnPeer();
    const std::vector<DWORD> peer = m_Dst;
    m_Dst = m_DstStart;
    int nMax = 0;
    int xAt = 0;
    int yAt = 0;
    for (int y = 0; y < m_nHeight; ++y) {
      for (int x = 0; x < m_nWidth; ++x) {
        const int d = ChannelDifference(Pixel(ours, x, y), Pixel(peer, x, y), m_nBits);
        if (d > nMax) {
          nMax = d;
          xAt = x;
          yAt = y;
        }
      }
    }
    const std::string where = Where(c);
    if (nMax <= c.m_nTolerance) {
      CBenchReport::Note(
          where + CBenchReport::Format(": the same picture on both sides (channels within %g, allowed %g)",
                                       nMax, c.m_nTolerance));
      return true;
    }
    char line[200];
    std::snprintf(
        line, sizeof line,
        ": the two sides drew different pictures, no figure: at (%d, %d) ours 0x%06X, pixman 0x%06X, "
        "a channel %d apart (allowed %d)",
        xAt, yAt, static_cast<unsigned>(Pixel(ours, xAt, yAt)), static_cast<unsigned>(Pixel(peer, xAt, yAt)),
        nMax, c.m_nTolerance);
    CBenchReport::Note(where + line);
    return false;
  }

  std::string Where(const KernelCase& c) const {
    return std::string(c.m_pszName) + " " + std::to_string(m_nBits) + " bits " + std::to_string(m_nWidth) +
           "x" + std::to_string(m_nHeight);
  }

  void Compare(const KernelCase& c) {
    std::vector<double> oursUs;
    std::vector<double> peerUs;
    CBenchReport::TimeInTurns(c.m_fnOurs, c.m_fnPeer, m_nRounds, 1, &oursUs, &peerUs);
    const double o = CBenchReport::Median(oursUs);
    const double p = CBenchReport::Median(peerUs);
    const std::string size = std::to_string(m_nWidth) + "x" + std::to_string(m_nHeight);
    CBenchReport::Result(
        "k", "kernel/pixman-" + std::string(c.m_pszName) + "-" + std::to_string(m_nBits) + "bit-" + size,
        o / p, "ratio", c.m_pszTarget);
    CBenchReport::Note(
        Where(c) + CBenchReport::Format(": ours %.1f us, pixman %.1f us (medians of %g)", o, p, m_nRounds));
  }

  int m_nWidth;
  int m_nHeight;
  int m_nBits;
  int m_nRounds;
  int m_nRowPixels = 0;
  int m_nPitch = 0;
  int m_nMaskPitch = 0;
  int m_nSmallWidth = 0;
  int m_nSmallHeight = 0;
  int m_nSmallPitch = 0;
  // 32-bit words whatever the depth, so that 565 rows stay 4-byte aligned as a DIB's are.
  std::vector<DWORD> m_DstStart;
  std::vector<DWORD> m_Dst;
  std::vector<DWORD> m_Src;
  std::vector<DWORD> m_SrcPremul;  // 565 with m_alpha; 32 bits with the alpha in the top byte
  std::vector<DWORD> m_SrcKeyed;
  std::vector<DWORD> m_SrcArgbKeyed;
  std::vector<DWORD> m_Small;
  std::vector<BYTE> m_Alpha;     // the 565 alpha plane, 0..63
  std::vector<BYTE> m_Alpha8;    // the same alphas as pixman's a8, 0..255
  std::vector<BYTE> m_KeyMask8;  // 0 where the source holds the key, 255 elsewhere
  pixman_image_t* m_pDst = nullptr;
  pixman_image_t* m_pSrc = nullptr;
  pixman_image_t* m_pKeyed = nullptr;
  pixman_image_t* m_pPremul = nullptr;
  pixman_image_t* m_pArgbKeyed = nullptr;
  pixman_image_t* m_pAlpha8 = nullptr;
  pixman_image_t* m_pKeyMask8 = nullptr;
  pixman_image_t* m_pConstMask = nullptr;
  pixman_image_t* m_pMix = nullptr;
  pixman_image_t* m_pSmall = nullptr;
};
}  // namespace

int main(int argc, char** argv) {
  const int nRounds = argc > 1 ? std::atoi(argv[1]) : 40;
  std::printf("(k) pixel kernels vs pixman %s, whole screens, alpha %d\n", pixman_version_string(), kAlpha);
  bool bSame = true;
  for (Screen screen : {Screen{800, 480}, Screen{1024, 600}}) {
    for (int nBits : {16, 32}) {
      CKernelBench bench(screen, nBits, nRounds);
      bSame = bench.Run() && bSame;
    }
  }
  if (!bSame)
    std::printf("bench_kernels: a pair drew different pictures; its figure would time other work\n");
  return bSame ? 0 : 1;
}
