// (a) Decoding into the picture surface against a bare tjDecompress2 into a plain buffer, on the
// same JPEGs, interleaved so that both see the same caches and clock. A third side, the bare call
// into the surface's own memory, tells the engine's code from the destination memory's effect.
#include "bench/CBareDecoder.h"
#include "bench/CBenchPictures.h"
#include "bench/CBenchReport.h"

#include "engine/DibBmp.h"
#include "engine/JpegLib.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/user.h"
#include "platform/gdi/GdiHooks.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
const int kWidth = 800;
const int kHeight = 480;

void Compare(const CBenchPictures::Set& set, int rounds) {
  CBareDecoder bare(kWidth, kHeight);
  std::vector<double> engine;
  std::vector<double> plain;
  std::vector<double> plainInSurface;
  DibBmp& surface = DibBmp::GetInstance();
  for (const auto& j : set.m_Jpegs) {
    DecodeJpgToSurface(j.data(), static_cast<DWORD>(j.size()), kWidth, kHeight);
    bare.Decode(j);
  }
  for (int r = 0; r < rounds; ++r) {
    for (const auto& j : set.m_Jpegs) {
      // Rotating which goes first keeps a warm cache from favouring one side.
      for (int k = 0; k < 3; ++k) {
        const int side = (k + r) % 3;
        const CBenchReport::Clock::time_point t0 = CBenchReport::Clock::now();
        bool ok = side == 0
                      ? DecodeJpgToSurface(j.data(), static_cast<DWORD>(j.size()), kWidth, kHeight) != nullptr
                  : side == 1 ? bare.Decode(j)
                              : bare.DecodeInto(j, surface.GetBits(), surface.GetStride());
        const double us = CBenchReport::SinceUs(t0);
        if (!ok) {
          std::fprintf(stderr, "bench_decode: a %s picture did not decode\n", set.m_strName.c_str());
          return;
        }
        (side == 0 ? engine : side == 1 ? plain : plainInSurface).push_back(us);
      }
    }
  }
  const double e = CBenchReport::Median(engine);
  const double b = CBenchReport::Median(plain);
  const double bs = CBenchReport::Median(plainInSurface);
  CBenchReport::Result("a", "decode-to-surface/bare-" + set.m_strName, e / b, "ratio", "<=1.05");
  // The same destination on both sides: what the engine's code adds, the memory's effect left out.
  CBenchReport::Result("a", "decode-to-surface/bare-same-memory-" + set.m_strName, e / bs, "ratio", "");
  char line[200];
  std::snprintf(
      line, sizeof line,
      "%s: %zu JPEGs of %zu bytes mean, %zu decodes each side: surface %.1f us, bare %.1f us (medians)",
      set.m_strName.c_str(), set.m_Jpegs.size(), CBenchPictures::MeanSize(set), engine.size(), e, b);
  CBenchReport::Note(line);
  std::snprintf(line, sizeof line,
                "bare tjDecompress2 into the surface's own memory: %.1f us (ratio %.3f to the plain buffer)",
                bs, bs / b);
  CBenchReport::Note(line);
}
}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 60;
  wce::SetDebugSink([](const std::string&) {});
  if (!wce::SetScreen(kWidth, kHeight, 32)) return 0;
  if (!InitJpgLib() || DibBmp::GetInstance().GetBits() == nullptr) {
    std::fprintf(stderr, "bench_decode: no JPEG library or no surface\n");
    return 0;
  }
  std::printf("(a) decoding into the surface vs bare tjDecompress2, %dx%d, 32 bits, engine library %s\n",
              kWidth, kHeight, DecJpg_LoadedPath().c_str());
  Compare(CBenchPictures::Pattern(16, kWidth, kHeight), rounds);
  Compare(CBenchPictures::Textured(8, kWidth, kHeight), rounds);
  UninitJpgLib();
  return 0;
}
