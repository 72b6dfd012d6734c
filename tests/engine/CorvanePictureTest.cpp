#include "tests/engine/EngineTestSupport.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/DibBmp.h"
#include "engine/JpegLib.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/KernelHooks.h"
#include "tests/engine/TestJpeg.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {
using ::testing::ElementsAre;

int s_nDrawCalls = 0;
std::vector<int> s_drawCounts;
void DrawCallback(DibBmp* surface) {
  ++s_nDrawCalls;
  s_drawCounts.push_back(surface->GetPictureCount());
}

// Pixel (x, y) counted from the top of the bottom-up surface, as r, g, b.
Rgb PixelAt(const DibBmp& s, int x, int y) {
  const BYTE* row = s.GetBits() + static_cast<size_t>(s.GetHeight() - 1 - y) * s.GetStride();
  if (s.GetBitCount() == 16) {
    uint16_t px = static_cast<uint16_t>(row[2 * x] | (row[2 * x + 1] << 8));
    return Rgb{static_cast<uint8_t>((px >> 11) << 3), static_cast<uint8_t>(((px >> 5) & 0x3F) << 2),
               static_cast<uint8_t>((px & 0x1F) << 3)};
  }
  const BYTE* p = row + x * (s.GetBitCount() / 8);
  return Rgb{p[2], p[1], p[0]};
}

bool IsColour(Rgb got, Rgb want) {
  return Near(got.m_nR, want.m_nR) && Near(got.m_nG, want.m_nG) && Near(got.m_nB, want.m_nB);
}

class CorvanePictureTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    wce::ResetGdi();
    DibBmp::ResetForTests();
    DecJpg_Deinit();
    fakeadb::SetAllConnected(true);
    ASSERT_EQ(InitJpgLib(), 1);
    m_pPic = CorvanePicture::GetInstance();
    ASSERT_NE(m_pPic, nullptr);
    s_nDrawCalls = 0;
    s_drawCounts.clear();
  }
  void TearDown() override {
    UninitJpgLib();
    DibBmp::ResetForTests();
    EngineTest::TearDown();
  }
  // Each picture's colour tells which one was decoded.
  std::vector<uint8_t> Picture(Rgb colour, int w = 800, int h = 480) {
    return StreamFrame(0x00020001, MakeJpeg(w, h, &colour));
  }
  Rgb Centre() { return PixelAt(DibBmp::GetInstance(), 10, 10); }

  CorvanePicture* m_pPic = nullptr;
  const Rgb m_Red{255, 0, 0}, m_Green{0, 255, 0}, m_Blue{0, 0, 255};
};

TEST_F(CorvanePictureTest, TheFirstPictureAfterAResetIsReadButNotShown) {
  fakeadb::Feed(1, Picture(m_Red));
  EXPECT_EQ(m_pPic->receivePackageData(), 1);
  EXPECT_EQ(fakeadb::Buffered(1), 0u);
  EXPECT_TRUE(Broadcasts().empty());
  EXPECT_FALSE(IsColour(Centre(), m_Red));

  fakeadb::Feed(1, Picture(m_Green));
  EXPECT_EQ(m_pPic->receivePackageData(), 1);
  EXPECT_TRUE(IsColour(Centre(), m_Green));
  EXPECT_THAT(Broadcasts(), ElementsAre(Posted{NMSG_CORVANE_GET_VIDEO_DATA, 0, 0}));
  EXPECT_EQ(DibBmp::GetInstance().IsPictureBusy(), 1);
  EXPECT_TRUE(IsVideoDataReceived());

  // Only the first shown picture is announced; the counter counts every one.
  fakeadb::Feed(1, Picture(m_Blue));
  EXPECT_EQ(m_pPic->receivePackageData(), 1);
  EXPECT_EQ(Broadcasts().size(), 1u);
  EXPECT_EQ(DibBmp::GetInstance().GetPictureCount(), 2);

  m_pPic->Reset();
  EXPECT_FALSE(IsVideoDataReceived());
  fakeadb::Feed(1, Picture(m_Red));
  EXPECT_EQ(m_pPic->receivePackageData(), 1);
  EXPECT_TRUE(IsColour(Centre(), m_Blue));
}

TEST_F(CorvanePictureTest, OneStepReadsEveryWaitingPackageAndShowsOnlyTheNewest) {
  m_pPic->SetDrawCallback(DrawCallback);
  fakeadb::Feed(1, Picture(m_Red));
  ASSERT_EQ(m_pPic->receivePackageData(), 1);  // the skipped first one
  fakeadb::Feed(1, Picture(m_Red));
  fakeadb::Feed(1, Picture(m_Green));
  fakeadb::Feed(1, StreamFrame(0x00020002, {}));
  EXPECT_EQ(m_pPic->receivePackageData(), 1);
  EXPECT_EQ(fakeadb::Buffered(1), 0u);
  EXPECT_TRUE(IsColour(Centre(), m_Green));
  EXPECT_EQ(s_nDrawCalls, 1);
  EXPECT_EQ(m_pPic->GetFrameCount(), 2);
}

TEST_F(CorvanePictureTest, HeartbeatsAreReadPastWithoutLosingAPictureBehindThem) {
  fakeadb::Feed(1, Picture(m_Red));
  ASSERT_EQ(m_pPic->receivePackageData(), 1);
  // A heartbeat alone: nothing to show.
  fakeadb::Feed(1, StreamFrame(0x00020002, {}));
  EXPECT_EQ(m_pPic->receivePackageData(), 0);
  // A heartbeat in front of a picture, one with bytes of its own: the picture is shown at once.
  fakeadb::Feed(1, StreamFrame(0x00020002, {}));
  fakeadb::Feed(1, StreamFrame(0x00020002, {1, 2, 3, 4, 5}));
  fakeadb::Feed(1, Picture(m_Green));
  EXPECT_EQ(m_pPic->receivePackageData(), 1);
  EXPECT_TRUE(IsColour(Centre(), m_Green));
  EXPECT_EQ(fakeadb::Buffered(1), 0u);
  EXPECT_TRUE(Logged("MSG_VIDEO_HEARTBEAT  nPackageDataSize=5"));
}

TEST_F(CorvanePictureTest, AWrongTypeDropsTheHeaderOnly) {
  fakeadb::Feed(1, StreamFrame(0x00030001, {}));
  EXPECT_EQ(m_pPic->receivePackageData(), 0);
  fakeadb::Feed(1, Picture(m_Red));
  EXPECT_EQ(m_pPic->receivePackageData(), 1);
  EXPECT_EQ(m_pPic->GetFrameCount(), 1);

  // Behind a picture of the same step it ends the step: that picture is neither counted nor shown,
  // and the bytes behind the bad header are the next step's header.
  m_pPic->SetDrawCallback(DrawCallback);
  fakeadb::Feed(1, Picture(m_Green));
  fakeadb::Feed(1, StreamFrame(0x00030001, {}));
  fakeadb::Feed(1, Picture(m_Blue));
  EXPECT_EQ(m_pPic->receivePackageData(), 0);
  EXPECT_EQ(m_pPic->GetFrameCount(), 1);
  EXPECT_EQ(s_nDrawCalls, 0);
  EXPECT_FALSE(IsColour(Centre(), m_Green));
  EXPECT_TRUE(Broadcasts().empty());
  EXPECT_EQ(m_pPic->receivePackageData(), 1);
  EXPECT_EQ(m_pPic->GetFrameCount(), 2);
  EXPECT_TRUE(IsColour(Centre(), m_Blue));
  EXPECT_EQ(fakeadb::Buffered(1), 0u);
}

TEST_F(CorvanePictureTest, ABacklogIsDroppedAndTheRateLowered) {
  struct Case {
    int m_nPhoneRate;
    std::vector<Posted> m_Posted;
  } cases[] = {{10, {{INNER_MSG_FRAME_RATE_CHANGE, 0, 3}}}, {3, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_nPhoneRate);
    g_nPhoneFrameRate = c.m_nPhoneRate;
    ClearBroadcasts();
    m_pPic->Reset();
    std::vector<uint8_t> block(29988, 0x11);  // 30000 bytes a package with its header
    for (int i = 0; i < 10; ++i) fakeadb::Feed(1, StreamFrame(0x00020001, block));
    std::vector<uint8_t> last = Picture(m_Green);
    fakeadb::Feed(1, std::vector<uint8_t>(last.begin(), last.begin() + 20));  // the next, half arrived
    ASSERT_GT(fakeadb::Buffered(1), 0x40000u);
    EXPECT_EQ(m_pPic->receivePackageData(), 1);
    EXPECT_EQ(Broadcasts(), c.m_Posted);
    // The half-arrived picture's header stays pending; it is taken whole once it is complete.
    EXPECT_EQ(fakeadb::Buffered(1), 8u);
    fakeadb::Feed(1, std::vector<uint8_t>(last.begin() + 20, last.end()));
    EXPECT_EQ(m_pPic->receivePackageData(), 1);
    EXPECT_EQ(m_pPic->GetLastLength(), last.size() - 12);
    EXPECT_EQ(fakeadb::Buffered(1), 0u);
  }
}

TEST_F(CorvanePictureTest, BufferGrowsToAPackageAndSkipsWhatItCannotHold) {
  // Arriving in two parts, as it does: whole, 500000 bytes would be a backlog to drop.
  std::vector<uint8_t> first = StreamFrame(0x00020001, std::vector<uint8_t>(500000, 1));
  fakeadb::Feed(1, std::vector<uint8_t>(first.begin(), first.begin() + 1000));
  EXPECT_EQ(m_pPic->receivePackageData(), 0);
  fakeadb::Feed(1, std::vector<uint8_t>(first.begin() + 1000, first.end()));
  EXPECT_EQ(m_pPic->receivePackageData(), 1);
  EXPECT_EQ(m_pPic->GetMaxRevLen(), 500000u);

  struct Case {
    const char* m_pszName;
    uint32_t m_nLength;
    bool m_bFailGrowth;
  } cases[] = {{"over the limit", 700000, false}, {"failed growth", 600000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    CPackageBuffer::SetFailGrowth(c.m_bFailGrowth);
    m_pPic->Reset();
    fakeadb::Feed(1, Picture(m_Red));
    ASSERT_EQ(m_pPic->receivePackageData(), 1);  // skipped first picture
    fakeadb::Feed(1, Picture(m_Green));
    std::vector<uint8_t> big = StreamFrame(0x00020001, std::vector<uint8_t>(c.m_nLength, 0x22));
    fakeadb::Feed(1, std::vector<uint8_t>(big.begin(), big.begin() + 1000));
    // The green picture is shown; the unholdable one is being read past.
    EXPECT_EQ(m_pPic->receivePackageData(), 1);
    EXPECT_TRUE(IsColour(Centre(), m_Green));
    fakeadb::Feed(1, std::vector<uint8_t>(big.begin() + 1000, big.end()));
    fakeadb::Feed(1, Picture(m_Blue));
    EXPECT_EQ(m_pPic->receivePackageData(), 1);
    EXPECT_TRUE(IsColour(Centre(), m_Blue));
    EXPECT_EQ(m_pPic->GetMaxRevLen(), 500000u);
    EXPECT_EQ(fakeadb::Buffered(1), 0u);
    CPackageBuffer::SetFailGrowth(false);
  }
}

TEST_F(CorvanePictureTest, ARequestedDrainDropsEverythingAndResetsAtTheNextStep) {
  fakeadb::Feed(1, Picture(m_Red));
  fakeadb::Feed(1, std::vector<uint8_t>(3000, 7));
  const unsigned ticket = m_pPic->RequestDrain();
  // Asked, not done: the receiver is the video thread's, which does it at its next step.
  EXPECT_FALSE(m_pPic->WaitDrained(ticket, 0));
  EXPECT_GT(fakeadb::Buffered(1), 0u);
  EXPECT_EQ(m_pPic->receivePackageData(), 0);
  EXPECT_TRUE(m_pPic->WaitDrained(ticket, 0));
  EXPECT_EQ(fakeadb::Buffered(1), 0u);
  EXPECT_EQ(m_pPic->GetFrameCount(), 0);
  EXPECT_FALSE(IsVideoDataReceived());
}

TEST_F(CorvanePictureTest, DirectPaintCountSeenByTheDrawCallback) {
  m_pPic->SetDrawCallback(DrawCallback);
  for (int i = 0; i < 8; ++i) {
    fakeadb::Feed(1, Picture(i % 2 ? m_Red : m_Green, 160, 96));
    m_pPic->receivePackageData();
  }
  // Seven shown pictures; the callback of the n-th shown sees n - 1 before it, so a painter that
  // wants the seventh picture on waits for a count of 6.
  EXPECT_THAT(s_drawCounts, ElementsAre(0, 1, 2, 3, 4, 5, 6));
  DibBmp::GetInstance().SetPictureBusy(0);
  EXPECT_EQ(DibBmp::GetInstance().GetPictureCount(), 0);
}

struct DecodeCase {
  const char* m_pszName;
  int m_nMode;
  int m_nJpegW, m_nJpegH;  // the picture the phone sends
  int m_nAnnouncedW, m_nAnnouncedH;
  int m_nDecodedW, m_nDecodedH;  // what lands in the 800 x 480 surface
};

TEST_F(CorvanePictureTest, DecodesIntoTheSurfaceWithinItsSize) {
  const DecodeCase cases[] = {
      {"32-bit, screen size", DibBmp::kMode32, 800, 480, 800, 480, 800, 480},
      {"32-bit, smaller", DibBmp::kMode32, 320, 240, 320, 240, 320, 240},
      {"32-bit, larger, scaled by 5/8", DibBmp::kMode32, 1280, 720, 1280, 720, 800, 450},
      {"32-bit, larger than announced", DibBmp::kMode32, 1600, 960, 800, 480, 800, 480},
      {"32-bit, odd width", DibBmp::kMode32, 333, 211, 333, 211, 333, 211},
      {"565, smaller", DibBmp::kMode16, 320, 240, 320, 240, 320, 240},
      {"565, larger, scaled by 1/2", DibBmp::kMode16, 1600, 960, 1600, 960, 800, 480},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    DibBmp& surface = DibBmp::GetInstance();
    surface.SetMode(c.m_nMode);
    ASSERT_NE(surface.CreateDibBmp(800, 480), nullptr);
    std::vector<uint8_t> jpeg = MakeJpeg(c.m_nJpegW, c.m_nJpegH);
    ASSERT_NE(
        DecodeJpgToSurface(jpeg.data(), static_cast<DWORD>(jpeg.size()), c.m_nAnnouncedW, c.m_nAnnouncedH),
        nullptr);
    int w = 0, h = 0;
    GetDecodedSize(&w, &h);
    EXPECT_EQ(w, c.m_nDecodedW);
    EXPECT_EQ(h, c.m_nDecodedH);
    // Quadrants at the top left, the rest of the surface untouched (black).
    EXPECT_TRUE(IsColour(PixelAt(surface, w / 4, h / 4), Rgb{255, 0, 0}));
    EXPECT_TRUE(IsColour(PixelAt(surface, 3 * w / 4, h / 4), Rgb{0, 255, 0}));
    EXPECT_TRUE(IsColour(PixelAt(surface, w / 4, 3 * h / 4), Rgb{0, 0, 255}));
    EXPECT_TRUE(IsColour(PixelAt(surface, 3 * w / 4, 3 * h / 4), Rgb{255, 255, 255}));
    if (w < 800) {
      EXPECT_TRUE(IsColour(PixelAt(surface, 799, 0), Rgb{0, 0, 0}));
    }
    if (h < 480) {
      EXPECT_TRUE(IsColour(PixelAt(surface, 0, 479), Rgb{0, 0, 0}));
    }
  }
}

TEST_F(CorvanePictureTest, RefusedDecodes) {
  std::vector<uint8_t> jpeg = MakeJpeg(64, 64);
  const struct { int m_nW, m_nH; } sizes[] = {{0, 480}, {800, 0}, {-800, 480}};
  for (auto s : sizes)
    EXPECT_EQ(DecodeJpgToSurface(jpeg.data(), static_cast<DWORD>(jpeg.size()), s.m_nW, s.m_nH), nullptr);
  std::vector<uint8_t> junk(100, 0x42);
  EXPECT_EQ(DecodeJpgToSurface(junk.data(), 100, 800, 480), nullptr);
  // A picture more than 8 times larger than what may be filled cannot be scaled down enough.
  EXPECT_EQ(DecodeJpgToSurface(jpeg.data(), static_cast<DWORD>(jpeg.size()), 7, 7), nullptr);
  // Without the library nothing decodes, and nothing is left of the decompressor.
  DecJpg_Deinit();
  EXPECT_EQ(DecodeJpgToSurface(jpeg.data(), static_cast<DWORD>(jpeg.size()), 800, 480), nullptr);
  EXPECT_EQ(DecJpg_CreateDecompressor(), 0);
}

// A bad picture costs itself alone: the good picture after it decodes, whatever the bad one left
// the decoder in.
TEST_F(CorvanePictureTest, AGoodPictureDecodesAfterEveryBadOne) {
  const std::vector<uint8_t> good = MakeJpeg(320, 240);
  std::vector<uint8_t> startThenNoise{0xFF, 0xD8};
  uint32_t seed = 12345;
  for (int i = 0; i < 4000; ++i) {
    seed = seed * 1103515245u + 12345u;
    startThenNoise.push_back(static_cast<uint8_t>(seed >> 24));
  }
  const std::vector<uint8_t> cutShort(good.begin(),
                                      good.begin() + static_cast<std::ptrdiff_t>(good.size() / 3));
  const std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 200);
  const struct {
    const char* m_pszName;
    std::vector<uint8_t> m_Bytes;
  } bad[] = {
      {"the start marker, then noise", startThenNoise},
      {"a picture cut short", cutShort},
      {"the headers alone", headerOnly},
      {"no picture at all", std::vector<uint8_t>(100, 0x42)},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.m_pszName);
    DecodeJpgToSurface(b.m_Bytes.data(), static_cast<DWORD>(b.m_Bytes.size()), 800, 480);
    for (int i = 0; i < 2; ++i) {
      ASSERT_NE(DecodeJpgToSurface(good.data(), static_cast<DWORD>(good.size()), 800, 480), nullptr) << i;
      EXPECT_TRUE(IsColour(PixelAt(DibBmp::GetInstance(), 80, 60), Rgb{255, 0, 0}));
    }
  }
}

TEST_F(CorvanePictureTest, PaintsTheSurfaceOntoAWindow) {
  std::vector<uint8_t> jpeg = MakeJpeg(800, 480);
  ASSERT_NE(DecodeJpgToSurface(jpeg.data(), static_cast<DWORD>(jpeg.size()), 800, 480), nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"PaintTestWnd";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, u"PaintTestWnd", u"", 0, 0, 0, 800, 480, nullptr, nullptr, nullptr, nullptr);
  HDC dc = GetWindowDC(hwnd);
  EXPECT_NE(DibBmp::GetInstance().PaintDibBmp(dc), 0);
  ReleaseDC(hwnd, dc);
  BITMAP bm;
  ASSERT_TRUE(wce::GetWindowSurface(hwnd, &bm));
  const BYTE* topLeft = static_cast<const BYTE*>(bm.bmBits) + 100 * bm.bmWidthBytes + 100 * 4;
  EXPECT_TRUE(IsColour(Rgb{topLeft[2], topLeft[1], topLeft[0]}, Rgb{255, 0, 0}));
  DestroyWindow(hwnd);
}

TEST_F(CorvanePictureTest, TheLibraryBesideTheProgramComesFirst) {
  namespace fs = std::filesystem;
  DecJpg_Deinit();
  fs::path root = fs::temp_directory_path() / ("engine-jpeg-" + std::to_string(getpid()));
  fs::create_directories(root / "App");
  wce::SetRootDir(root.string());
  wce::SetModuleFileName(u"\\App\\CECorvane.exe");
  struct Case {
    const char* m_pszPresent;
    std::string m_strExpected;
  } cases[] = {
      {nullptr, "libturbojpeg.so.0"},
      {"cximagelib.dll", (root / "App" / "cximagelib.dll").string()},
      {"libjpeg.dll", (root / "App" / "libjpeg.dll").string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_strExpected);
    if (c.m_pszPresent != nullptr) fs::copy_file(TURBOJPEG_LIBRARY, root / "App" / c.m_pszPresent);
    EXPECT_EQ(DecJpg_Init(), 1);
    EXPECT_EQ(DecJpg_LoadedPath(), c.m_strExpected);
    EXPECT_EQ(DecJpg_Init(), 0);  // already loaded
    DecJpg_Deinit();
  }
  wce::ResetFileSystemView();
  fs::remove_all(root);
}
}  // namespace
