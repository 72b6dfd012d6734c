// (k) The UI framework's pixel kernels against pixman doing the same operation on the same memory,
// whole screens of 800x480 and 1024x600 at both depths, interleaved so that both sides see the same
// caches and clock. Pixman is a peer for timing only: its results are not ours to match.
//   constant alpha    ours: general-class blend        pixman: OVER, opaque source, solid a8 mask
//   per-pixel alpha   ours: premultiplied source + alpha (565: the alpha plane)
//                     pixman: OVER of premultiplied a8r8g8b8
//   transparent copy  ours: colour key                 pixman: OVER of a8r8g8b8 whose alpha is 0 or 255
//   colour mix        ours: general-class mix          pixman: OVER of a solid colour with that alpha
//   stretch           ours: nearest, 2/3 size to full  pixman: SRC, scaling transform, nearest filter
#include "CBenchReport.h"

#include "resources/WceUiPixelKernels.h"

#include <pixman.h>

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

struct Screen {
  int nWidth;
  int nHeight;
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

class CKernelBench {
 public:
  CKernelBench(Screen screen, int nBits, int nRounds)
      : m_nWidth(screen.nWidth), m_nHeight(screen.nHeight), m_nBits(nBits), m_nRounds(nRounds) {
    const int nPitchPixels = nBits == 16 ? WceUiGetRowPixels565(m_nWidth) : m_nWidth;
    m_nPitch = nPitchPixels * (nBits / 8);
    const size_t nBytes = static_cast<size_t>(m_nPitch) * m_nHeight;
    m_dst.assign(nBytes / 4 + 1, 0);
    m_src.assign(nBytes / 4 + 1, 0);
    m_srcKeyed.assign(nBytes / 4 + 1, 0);
    m_srcPremul.assign(nBytes / 4 + 1, 0);
    m_srcArgb.assign(static_cast<size_t>(m_nWidth) * m_nHeight, 0);
    m_srcArgbKeyed.assign(static_cast<size_t>(m_nWidth) * m_nHeight, 0);
    m_alpha.assign(static_cast<size_t>(nPitchPixels) * m_nHeight, 0);
    for (int y = 0; y < m_nHeight; ++y) {
      for (int x = 0; x < m_nWidth; ++x) {
        const DWORD p = Pattern(x, y);
        const DWORD a = static_cast<DWORD>(x + y) & 0xFF;
        // Premultiplied: no channel above the alpha.
        const DWORD pm = (((p >> 16 & 0xFF) * a / 255) << 16) | (((p >> 8 & 0xFF) * a / 255) << 8) |
                         ((p & 0xFF) * a / 255);
        const bool bKey = IsKeyPixel(x, y);
        m_srcArgb[static_cast<size_t>(y) * m_nWidth + x] = (a << 24) | pm;
        m_srcArgbKeyed[static_cast<size_t>(y) * m_nWidth + x] = bKey ? 0 : 0xFF000000u | p;
        const size_t i = static_cast<size_t>(y) * nPitchPixels + x;
        m_alpha[i] = static_cast<BYTE>(a >> 2);
        if (nBits == 16) {
          Bits16(m_dst)[i] = To565(Pattern(y, x));
          Bits16(m_src)[i] = To565(p);
          Bits16(m_srcPremul)[i] = To565(pm);
          Bits16(m_srcKeyed)[i] = bKey ? kKey565 : To565(p);
        } else {
          m_dst[i] = Pattern(y, x);
          m_src[i] = p;
          m_srcKeyed[i] = bKey ? kKey32 : p;
        }
      }
    }
    if (nBits == 32) m_srcPremul = m_srcArgb;
    const pixman_format_code_t format = nBits == 16 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8;
    m_pDst = pixman_image_create_bits(format, m_nWidth, m_nHeight, m_dst.data(), m_nPitch);
    m_pSrc = pixman_image_create_bits(format, m_nWidth, m_nHeight, m_src.data(), m_nPitch);
    m_pArgb = pixman_image_create_bits(PIXMAN_a8r8g8b8, m_nWidth, m_nHeight, m_srcArgb.data(), m_nWidth * 4);
    m_pArgbKeyed =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, m_nWidth, m_nHeight, m_srcArgbKeyed.data(), m_nWidth * 4);
    const pixman_color_t mask = {0, 0, 0, static_cast<uint16_t>(kAlpha * 257)};
    m_pConstMask = pixman_image_create_solid_fill(&mask);
    const uint16_t nMix = static_cast<uint16_t>(kAlpha * 257);
    // A solid source is premultiplied: each channel already carries the alpha.
    const pixman_color_t mix = {static_cast<uint16_t>((kMixColor & 0xFF) * nMix / 255),
                                static_cast<uint16_t>(((kMixColor >> 8) & 0xFF) * nMix / 255),
                                static_cast<uint16_t>(((kMixColor >> 16) & 0xFF) * nMix / 255), nMix};
    m_pMix = pixman_image_create_solid_fill(&mix);
    m_nSmallWidth = m_nWidth * 2 / 3;
    m_nSmallHeight = m_nHeight * 2 / 3;
    m_pSmall = pixman_image_create_bits(format, m_nSmallWidth, m_nSmallHeight, m_src.data(), m_nPitch);
    pixman_transform_t scale;
    pixman_transform_init_scale(&scale, pixman_int_to_fixed(m_nSmallWidth) / m_nWidth,
                                pixman_int_to_fixed(m_nSmallHeight) / m_nHeight);
    pixman_image_set_transform(m_pSmall, &scale);
    pixman_image_set_filter(m_pSmall, PIXMAN_FILTER_NEAREST, nullptr, 0);
  }

  ~CKernelBench() {
    for (pixman_image_t* p : {m_pDst, m_pSrc, m_pArgb, m_pArgbKeyed, m_pConstMask, m_pMix, m_pSmall}) {
      pixman_image_unref(p);
    }
  }

  void Run() {
    const WceUiPixels dst = {m_dst.data(), nullptr, m_nWidth, m_nHeight};
    const WceUiPixels src = {m_src.data(), nullptr, m_nWidth, m_nHeight};
    const WceUiPixels premul = {m_srcPremul.data(), m_alpha.data(), m_nWidth, m_nHeight};
    const WceUiPixels keyed = {m_srcKeyed.data(), nullptr, m_nWidth, m_nHeight};
    // Our source: the first rows of the source picture, at its own (smaller) pitch.
    const WceUiPixels small = {m_src.data(), nullptr, m_nSmallWidth, m_nSmallHeight};
    const bool b16 = m_nBits == 16;
    const int w = m_nWidth;
    const int h = m_nHeight;
    Compare(
        "constant-alpha",
        [&] { b16 ? WceUiBlendWhole565(dst, src, kAlpha) : WceUiBlendWhole32(dst, src, kAlpha); },
        [&] { Composite(PIXMAN_OP_OVER, m_pSrc, m_pConstMask, m_pDst); }, true);
    Compare(
        "per-pixel-alpha",
        [&] { b16 ? WceUiBlendPerPixelWhole565(dst, premul) : WceUiBlendPerPixelWhole32(dst, premul); },
        [&] { Composite(PIXMAN_OP_OVER, m_pArgb, nullptr, m_pDst); }, true);
    Compare(
        "transparent-copy",
        [&] {
          b16 ? WceUiTransCopyRect565(dst, 0, 0, w, h, keyed, 0, 0, kKey565)
              : WceUiTransCopyRect32(dst, 0, 0, w, h, keyed, 0, 0, kKey32);
        },
        [&] { Composite(PIXMAN_OP_OVER, m_pArgbKeyed, nullptr, m_pDst); }, true);
    Compare(
        "colour-mix",
        [&] {
          b16 ? WceUiMixColorWhole565(dst, WceUiColorTo565(kMixColor), kAlpha)
              : WceUiMixColorWhole32(dst, WceUiColorTo32(kMixColor), kAlpha);
        },
        [&] { Composite(PIXMAN_OP_OVER, m_pMix, nullptr, m_pDst); }, true);
    Compare(
        "stretch",
        [&] {
          b16 ? WceUiStretchRect565(dst, 0, 0, w, h, small, 0, 0, m_nSmallWidth, m_nSmallHeight)
              : WceUiStretchRect32(dst, 0, 0, w, h, small, 0, 0, m_nSmallWidth, m_nSmallHeight);
        },
        [&] { Composite(PIXMAN_OP_SRC, m_pSmall, nullptr, m_pDst); }, false);
  }

 private:
  static WORD* Bits16(std::vector<DWORD>& v) { return reinterpret_cast<WORD*>(v.data()); }

  void Composite(pixman_op_t op, pixman_image_t* pSrc, pixman_image_t* pMask, pixman_image_t* pDst) {
    pixman_image_composite32(op, pSrc, pMask, pDst, 0, 0, 0, 0, 0, 0, m_nWidth, m_nHeight);
  }

  void Compare(const std::string& name, const std::function<void()>& ours, const std::function<void()>& peer,
               bool bTarget) {
    std::vector<double> oursUs;
    std::vector<double> peerUs;
    CBenchReport::TimeInTurns(ours, peer, m_nRounds, 1, &oursUs, &peerUs);
    const double o = CBenchReport::Median(oursUs);
    const double p = CBenchReport::Median(peerUs);
    const std::string size = std::to_string(m_nWidth) + "x" + std::to_string(m_nHeight);
    CBenchReport::Result("k", "kernel/pixman-" + name + "-" + std::to_string(m_nBits) + "bit-" + size, o / p,
                         "ratio", bTarget ? "<=1.25" : "");
    char line[160];
    std::snprintf(line, sizeof line, "%s %d bits %s: ours %.1f us, pixman %.1f us (medians of %d)",
                  name.c_str(), m_nBits, size.c_str(), o, p, m_nRounds);
    CBenchReport::Note(line);
  }

  int m_nWidth;
  int m_nHeight;
  int m_nBits;
  int m_nRounds;
  int m_nPitch = 0;
  int m_nSmallWidth = 0;
  int m_nSmallHeight = 0;
  // 32-bit words whatever the depth, so that 565 rows stay 4-byte aligned as a DIB's are.
  std::vector<DWORD> m_dst;
  std::vector<DWORD> m_src;
  std::vector<DWORD> m_srcPremul;
  std::vector<DWORD> m_srcKeyed;
  std::vector<DWORD> m_srcArgb;
  std::vector<DWORD> m_srcArgbKeyed;
  std::vector<BYTE> m_alpha;
  pixman_image_t* m_pDst = nullptr;
  pixman_image_t* m_pSrc = nullptr;
  pixman_image_t* m_pArgb = nullptr;
  pixman_image_t* m_pArgbKeyed = nullptr;
  pixman_image_t* m_pConstMask = nullptr;
  pixman_image_t* m_pMix = nullptr;
  pixman_image_t* m_pSmall = nullptr;
};
}  // namespace

int main(int argc, char** argv) {
  const int nRounds = argc > 1 ? std::atoi(argv[1]) : 40;
  std::printf("(k) pixel kernels vs pixman %s, whole screens, alpha %d\n", pixman_version_string(), kAlpha);
  for (Screen screen : {Screen{800, 480}, Screen{1024, 600}}) {
    for (int nBits : {16, 32}) {
      CKernelBench bench(screen, nBits, nRounds);
      bench.Run();
    }
  }
  return 0;
}
