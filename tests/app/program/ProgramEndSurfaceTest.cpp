// --dump-surface FILE of both programs: once the run is over, FILE holds the picture surface,
// which is one of the pictures the phone sent, made again here from its frame number and decoded
// independently of the head unit.
#include "tests/app/program/ProgramE2E.h"
#include "tests/support/PhonePicture.h"

#include "phonesim/app/CPictureSource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::EngineE2E;
using e2e::ProgramE2E;

const int kWidth = 800;
const int kHeight = 480;

// Whether every pixel of the written surface is the decoded picture's.
bool SamePixels(const SBmpFile& surface, const std::vector<uint8_t>& rgb) {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
      const uint32_t want = static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
      if (surface.Pixel(x, y) != want) return false;
    }
  }
  return true;
}

template <class Fixture>
class EndSurface : public Fixture {};

using Programs = ::testing::Types<EngineE2E, ProgramE2E>;
TYPED_TEST_SUITE(EndSurface, Programs);

TYPED_TEST(EndSurface, HoldsAPictureThePhoneSent) {
  if (this->m_EngineErr.empty()) this->m_EngineErr = this->m_Root / "program.err";
  const fs::path file = this->m_Root / "end.bmp";
  ASSERT_NO_FATAL_FAILURE(this->Connect({}, {"--dump-surface", file.string()}));
  EXPECT_EQ(this->Quit(), 0);
  EXPECT_EQ(e2e::Occurrences(this->EngineLog(), "no picture surface written"), 0u) << this->EngineLog();

  SBmpFile surface;
  ASSERT_TRUE(ReadBmpFile(file, &surface)) << file;
  ASSERT_EQ(surface.width, kWidth);
  ASSERT_EQ(surface.height, kHeight);
  ASSERT_EQ(surface.bpp, 32);
  // The program has ended: every picture it could have decoded is in the phone's record.
  const e2e::SPhoneLog log = this->Log();
  ASSERT_FALSE(log.m_Pictures.empty());
  phonesim::CPictureSource source;
  bool found = false;
  for (auto p = log.m_Pictures.rbegin(); p != log.m_Pictures.rend() && !found; ++p) {
    std::vector<uint8_t> jpeg, rgb;
    ASSERT_TRUE(source.Picture(p->m_nFrame, kWidth, kHeight, &jpeg));
    ASSERT_EQ(jpeg.size(), p->m_nSize) << "frame " << p->m_nFrame << " could not be made again";
    ASSERT_TRUE(DecodeLikeTheSurface(jpeg, kWidth, kHeight, &rgb));
    found = SamePixels(surface, rgb);
  }
  EXPECT_TRUE(found) << "the written surface is none of the " << log.m_Pictures.size() << " pictures sent";
}

}  // namespace
