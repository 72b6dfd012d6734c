// (e) Heap allocations per picture in steady state through the video receiver's read step and
// the decode into the surface. The phone's bytes come from the engine tests' in-memory link; the
// feeding is not counted, only receivePackageData. libturbojpeg's own mallocs reach the counter
// too; they are measured alone on a bare tjDecompress2 of the same pictures to tell them apart.
#include "bench/CAllocCounter.h"
#include "bench/CBareDecoder.h"
#include "bench/CBenchPictures.h"
#include "bench/CBenchReport.h"
#include "tests/engine/FakeAdb.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneCommand.h"
#include "engine/CorvanePicture.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/DibBmp.h"
#include "engine/JpegLib.h"
#include "phonesim/app/CAppProtocol.h"
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
const int kVideoChannel = 1;
}  // namespace

int main(int argc, char** argv) {
  const int pictures = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int warmup = 50;
  wce::SetDebugSink([](const std::string&) {});
  if (!wce::SetScreen(kWidth, kHeight, 32)) return 0;
  RegisterEngineWindowMessages();
  fakeadb::Reset();
  fakeadb::SetAllConnected(true);
  g_nVideoWidth = kWidth;
  g_nVideoHeight = kHeight;
  if (!InitJpgLib() || DibBmp::GetInstance().GetBits() == nullptr) {
    std::fprintf(stderr, "bench_alloc: no JPEG library or no surface\n");
    return 0;
  }
  CorvanePicture* picture = CorvanePicture::GetInstance();
  if (picture == nullptr) return 0;

  CBenchPictures::Set set = CBenchPictures::Textured(8, kWidth, kHeight);
  CBenchPictures::Set pattern = CBenchPictures::Pattern(8, kWidth, kHeight);
  set.m_Jpegs.insert(set.m_Jpegs.end(), pattern.m_Jpegs.begin(), pattern.m_Jpegs.end());
  std::vector<std::vector<uint8_t>> packages;
  for (size_t i = 0; i < set.m_Jpegs.size(); ++i) {
    packages.push_back(phonesim::CAppProtocol::StreamFrame(phonesim::APPMSG_PICTURE, static_cast<uint32_t>(i),
                                                           set.m_Jpegs[i].data(), set.m_Jpegs[i].size()));
  }
  // A heartbeat between pictures, as the phone sends one when 100 ms passed without a picture.
  const std::vector<uint8_t> heartbeat =
      phonesim::CAppProtocol::StreamFrame(phonesim::APPMSG_HEARTBEAT, 0, nullptr, 0);

  CAllocCounter::CountThisThread();
  uint64_t news = 0;
  uint64_t mallocs = 0;
  int before = 0;
  for (int i = 0; i < warmup + pictures; ++i) {
    if (i == warmup) before = DibBmp::GetInstance().GetPictureCount();
    fakeadb::Feed(kVideoChannel, packages[static_cast<size_t>(i) % packages.size()]);
    if (i % 10 == 0) fakeadb::Feed(kVideoChannel, heartbeat);
    const bool counted = i >= warmup;
    if (counted) CAllocCounter::Start();
    picture->receivePackageData();
    CAllocCounter::Stop();
    if (counted) {
      news += CAllocCounter::News();
      mallocs += CAllocCounter::Mallocs();
    }
  }
  const int shown = DibBmp::GetInstance().GetPictureCount() - before;

  // The same pictures decoded bare: what libturbojpeg allocates by itself.
  CBareDecoder bare(kWidth, kHeight);
  uint64_t bareMallocs = 0;
  uint64_t headerMallocs = 0;
  for (int i = 0; i < pictures; ++i) {
    const std::vector<uint8_t>& jpeg = set.m_Jpegs[static_cast<size_t>(i) % set.m_Jpegs.size()];
    CAllocCounter::Start();
    bare.Decode(jpeg);
    CAllocCounter::Stop();
    bareMallocs += CAllocCounter::Mallocs();
    CAllocCounter::Start();
    bare.ReadHeader(jpeg);
    CAllocCounter::Stop();
    headerMallocs += CAllocCounter::Mallocs();
  }

  std::printf("(e) allocations per picture in steady state, read step and decode, %d pictures after %d\n",
              pictures, warmup);
  const double perPicture = static_cast<double>(news) / pictures;
  const double libPerPicture = static_cast<double>(bareMallocs + headerMallocs) / pictures;
  // The engine's share: what the read step and decode allocate beyond libturbojpeg's own calls.
  const double enginePerPicture = static_cast<double>(mallocs) / pictures - libPerPicture;
  CBenchReport::Result("e", "engine-allocations/picture", enginePerPicture < 0 ? 0 : enginePerPicture,
                       "allocs", "==0");
  CBenchReport::Result("e", "operator-new/picture", perPicture, "allocs", "==0");
  CBenchReport::Result("e", "all-mallocs-with-libturbojpeg/picture", static_cast<double>(mallocs) / pictures,
                       "allocs", "");
  char line[200];
  std::snprintf(line, sizeof line,
                "%d of %d pictures shown; libturbojpeg alone: tjDecompress2 %.2f, tjDecompressHeader2 %.2f "
                "mallocs/picture",
                shown, pictures, static_cast<double>(bareMallocs) / pictures,
                static_cast<double>(headerMallocs) / pictures);
  CBenchReport::Note(line);
  UninitJpgLib();
  CorvanePicture::DestroyInstance();
  return 0;
}
