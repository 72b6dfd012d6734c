#include "tests/engine/EngineTestSupport.h"

#include "engine/WavPlay.h"
#include "platform/audio/AudioHooks.h"

#include <gmock/gmock.h>

#include <thread>

namespace {
using ::testing::ElementsAre;

class CorvaneAudioTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    fakeadb::SetAllConnected(true);
  }
  // A media receiver of its own for one case of a table, on a phone link with nothing buffered.
  static CorvaneMedia* FreshMedia() {
    CorvaneMedia::DestroyInstance();
    CSingleInstanceBase::OpenAll();
    CorvaneMedia* media = CorvaneMedia::GetInstance();
    fakeadb::Reset();
    fakeadb::SetAllConnected(true);
    return media;
  }
  static std::vector<std::string> WaveFunctions() {
    std::vector<std::string> names;
    for (const auto& c : wce::GetWaveOutCalls()) names.push_back(c.m_strFunction);
    return names;
  }
};

TEST_F(CorvaneAudioTest, MediaKeepsItsFormatAndDropsEverythingElseWhole) {
  CorvaneMedia* media = CorvaneMedia::GetInstance();
  fakeadb::Feed(2, StreamFrame(0x00030001, Pb().Int(1, 44100).Int(2, 2).Int(3, 16).m_Bytes));
  fakeadb::Feed(2, StreamFrame(0x00030003, std::vector<uint8_t>(4000, 0x30)));
  fakeadb::Feed(2, StreamFrame(0x00030002, std::vector<uint8_t>(33000, 0x31)));
  fakeadb::Feed(2, StreamFrame(0x00030006, {}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(media->receivePackageData(), 1) << i;
  EXPECT_EQ(media->GetSampleRate(), 44100);
  EXPECT_EQ(media->GetChannels(), 2);
  EXPECT_EQ(media->GetBits(), 16);
  EXPECT_EQ(media->GetMaxRevLen(), 33000u);
  EXPECT_EQ(fakeadb::Buffered(2), 0u);
  media->Reset();
  EXPECT_EQ(media->GetSampleRate(), 0);
}

TEST_F(CorvaneAudioTest, MediaFindsItsFramingAgainAfterABadHeader) {
  struct Case {
    const char* m_pszName;
    size_t m_nJunk;  // bytes of garbage before the good packages
  } cases[] = {{"straight after", 0}, {"header across two windows", 250}, {"far on", 700}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    CorvaneMedia* media = FreshMedia();
    fakeadb::Feed(2, StreamFrame(0x00990001, {}));  // the bad header
    fakeadb::Feed(2, std::vector<uint8_t>(c.m_nJunk, 0xEE));
    fakeadb::Feed(2, StreamFrame(0x00030002, std::vector<uint8_t>(150, 1)));
    fakeadb::Feed(2, StreamFrame(0x00030002, std::vector<uint8_t>(300, 2)));
    fakeadb::Feed(2, StreamFrame(0x00030001, Pb().Int(1, 48000).Int(2, 1).Int(3, 16).m_Bytes));
    EXPECT_EQ(media->receivePackageData(), 0);
    // Whatever the scan dropped, it stopped on a boundary: the format package reads whole.
    int handled = 0;
    for (int i = 0; i < 4 && fakeadb::Buffered(2) > 0; ++i) handled += media->receivePackageData();
    EXPECT_GE(handled, 1);
    EXPECT_EQ(media->GetSampleRate(), 48000);
    EXPECT_EQ(fakeadb::Buffered(2), 0u);
  }
}

// A media header whose length lies outside 100..7000 ends the scan of its window: a good header
// after it in the same window is no candidate, so the scan reads on and drops what it read.
TEST_F(CorvaneAudioTest, MediaHeaderWithABadLengthEndsTheScanOfItsWindow) {
  struct Case {
    const char* m_pszName;
    uint32_t m_nBadLength;  // 0: no such header before the good one
    int m_nSampleRate;      // the format package after the window: read, or dropped by the scan
  } cases[] = {{"good header first", 0, 48000}, {"bad length first", 50, 0}, {"too long first", 7001, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    CorvaneMedia* media = FreshMedia();
    ClearLog();
    fakeadb::Feed(2, StreamFrame(0x00990001, {}));  // the bad header that starts the scan
    // The bad one claims its length but only 50 bytes follow it, so the good header lies in the
    // same first window.
    if (c.m_nBadLength != 0)
      fakeadb::Feed(2, StreamFrame(0x00030002, std::vector<uint8_t>(50, 1), 0, c.m_nBadLength));
    fakeadb::Feed(2, StreamFrame(0x00030002, std::vector<uint8_t>(150, 1)));
    // Crosses the end of the first window: a scan that took the good header stops after it.
    fakeadb::Feed(2, StreamFrame(0x00030002, std::vector<uint8_t>(300, 2)));
    fakeadb::Feed(2, StreamFrame(0x00030001, Pb().Int(1, 48000).Int(2, 1).Int(3, 16).m_Bytes));
    EXPECT_EQ(media->receivePackageData(), 0);
    for (int i = 0; i < 4 && fakeadb::Buffered(2) > 0; ++i) media->receivePackageData();
    EXPECT_EQ(media->GetSampleRate(), c.m_nSampleRate);
    EXPECT_EQ(fakeadb::Buffered(2), 0u);
    EXPECT_EQ(Logged("dwCurType=196610  dwPackLen=" + std::to_string(c.m_nBadLength) + " "),
              c.m_nBadLength != 0);
    EXPECT_EQ(Logged("####### Correct Successed 1"), c.m_nBadLength == 0);
  }
}

TEST_F(CorvaneAudioTest, TtsKeepsItsFormatAndDropsABadHeaderOnly) {
  CorvaneTts* tts = CorvaneTts::GetInstance();
  EXPECT_EQ(tts->GetSampleRate(), 16000);
  EXPECT_EQ(tts->GetChannels(), 1);
  EXPECT_EQ(tts->GetBits(), 16);
  fakeadb::Feed(3, StreamFrame(0x00050002, {}));
  EXPECT_EQ(tts->receivePackageData(), 0);
  fakeadb::Feed(3, StreamFrame(0x00040001, Pb().Int(1, 22050).Int(2, 2).Int(3, 8).m_Bytes));
  fakeadb::Feed(3, StreamFrame(0x00040002, std::vector<uint8_t>(20000, 0)));
  fakeadb::Feed(3, StreamFrame(0x00040003, {1}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(tts->receivePackageData(), 1);
  EXPECT_EQ(tts->GetSampleRate(), 22050);
  EXPECT_EQ(tts->GetChannels(), 2);
  EXPECT_EQ(tts->GetBits(), 8);
  EXPECT_EQ(tts->GetMaxRevLen(), 20000u);
}

TEST_F(CorvaneAudioTest, AudioPackagesThatCannotBeHeldAreSkipped) {
  struct Case {
    int m_nChannel;
    uint32_t m_nType;
    std::function<int()> m_fnStep;
  } cases[] = {
      {2, 0x00030002, [] { return CorvaneMedia::GetInstance()->receivePackageData(); }},
      {3, 0x00040002, [] { return CorvaneTts::GetInstance()->receivePackageData(); }},
      {4, 0x00050003, [] { return CorvaneVRecord::GetInstance()->receivePackageData(); }},
  };
  for (bool failGrowth : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "channel " << c.m_nChannel << " failGrowth " << failGrowth);
      CPackageBuffer::SetFailGrowth(failGrowth);
      uint32_t length = failGrowth ? 40000 : 60000;
      std::vector<uint8_t> big = StreamFrame(c.m_nType, std::vector<uint8_t>(length, 0x12));
      fakeadb::Feed(c.m_nChannel, std::vector<uint8_t>(big.begin(), big.begin() + 500));
      EXPECT_EQ(c.m_fnStep(), 0);
      fakeadb::Feed(c.m_nChannel, std::vector<uint8_t>(big.begin() + 500, big.end()));
      fakeadb::Feed(c.m_nChannel, StreamFrame(c.m_nType, {1, 2, 3}));
      EXPECT_EQ(c.m_fnStep(), 1);
      EXPECT_EQ(fakeadb::Buffered(c.m_nChannel), 0u);
      CPackageBuffer::SetFailGrowth(false);
    }
  }
}

TEST_F(CorvaneAudioTest, VoiceRecognitionOpensTheWaveOutputAndBroadcastsItsState) {
  struct Case {
    BYTE m_byNotify;
    std::vector<Posted> m_Posted;
  } cases[] = {{1, {{N_WMMSG_CORVANE_TTS_STATE, 2, 1}, {N_WMMSG_CORVANE_TTS_STATE, 2, 2}}}, {0, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.m_byNotify));
    WavPlayer_Release();
    wce::ResetWaveOut();
    ClearBroadcasts();
    g_CorvaneConfig.m_bNotifyMsg = c.m_byNotify;
    CorvaneVRecord* vr = CorvaneVRecord::GetInstance();
    fakeadb::Feed(4, StreamFrame(0x00050002, Pb().Int(1, 16000).Int(2, 1).Int(3, 16).m_Bytes));
    fakeadb::Feed(4, StreamFrame(0x00050003, std::vector<uint8_t>(640, 0)));
    fakeadb::Feed(4, StreamFrame(0x00050004, {}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(vr->receivePackageData(), 1);
    EXPECT_EQ(Broadcasts(), c.m_Posted);
    EXPECT_EQ(WavPlayer_GetState(), WAVPLAYER_STOPPED);

    auto calls = wce::GetWaveOutCalls();
    ASSERT_EQ(calls.size(), 1u + 48u + 1u);
    EXPECT_EQ(calls[0].m_strFunction, "waveOutOpen");
    EXPECT_EQ(calls[0].m_nA, static_cast<DWORD_PTR>(WAVE_MAPPER));
    EXPECT_EQ(calls[0].m_nB, CALLBACK_FUNCTION);
    EXPECT_EQ(calls[0].m_Format.wFormatTag, 1);
    EXPECT_EQ(calls[0].m_Format.nChannels, 1);
    EXPECT_EQ(calls[0].m_Format.nSamplesPerSec, 16000u);
    EXPECT_EQ(calls[0].m_Format.nBlockAlign, 2);
    EXPECT_EQ(calls[0].m_Format.nAvgBytesPerSec, 32000u);
    EXPECT_EQ(calls[0].m_Format.wBitsPerSample, 16);
    EXPECT_EQ(calls[0].m_Format.cbSize, 0);
    for (int i = 1; i <= 48; ++i) {
      EXPECT_EQ(calls[i].m_strFunction, "waveOutPrepareHeader");
      const WAVEHDR* hdr = reinterpret_cast<const WAVEHDR*>(calls[i].m_nA);
      // Each chunk of 6272 bytes: the header, then its audio data.
      EXPECT_EQ(reinterpret_cast<const BYTE*>(hdr->lpData),
                reinterpret_cast<const BYTE*>(hdr) + WavPlay::kHeaderRoom);
      EXPECT_EQ(hdr->dwBufferLength, static_cast<DWORD>(6272 - WavPlay::kHeaderRoom));
    }
    EXPECT_EQ(calls[49].m_strFunction, "waveOutSetVolume");
    EXPECT_EQ(calls[49].m_nA, 0x6E656E65u);
    EXPECT_EQ(WavPlayer_GetCurrent()->GetFreeCount(), 48);
  }
}

TEST_F(CorvaneAudioTest, ASecondStartKeepsTheOpenDeviceAndAStartAfterAStopReplacesIt) {
  CorvaneVRecord* vr = CorvaneVRecord::GetInstance();
  auto start = StreamFrame(0x00050002, Pb().Int(1, 16000).Int(2, 1).Int(3, 16).m_Bytes);
  fakeadb::Feed(4, start);
  fakeadb::Feed(4, StreamFrame(0x00050002, Pb().Int(1, 8000).Int(2, 2).Int(3, 16).m_Bytes));
  EXPECT_EQ(vr->receivePackageData(), 1);
  EXPECT_EQ(vr->receivePackageData(), 1);
  std::vector<std::string> opens;
  for (const auto& c : wce::GetWaveOutCalls())
    if (c.m_strFunction == "waveOutOpen" || c.m_strFunction == "waveOutClose")
      opens.push_back(c.m_strFunction);
  EXPECT_THAT(opens, ElementsAre("waveOutOpen"));
  EXPECT_EQ(WavPlayer_GetCurrent()->GetFormat().nSamplesPerSec, 16000u);

  fakeadb::Feed(4, StreamFrame(0x00050004, {}));
  fakeadb::Feed(4, start);
  EXPECT_EQ(vr->receivePackageData(), 1);
  EXPECT_EQ(vr->receivePackageData(), 1);
  std::vector<std::string> closing;
  bool afterSecondOpen = false;
  int openCount = 0;
  for (const auto& c : wce::GetWaveOutCalls()) {
    if (c.m_strFunction == "waveOutOpen") ++openCount;
    if (openCount == 1 && !afterSecondOpen &&
        (c.m_strFunction == "waveOutReset" || c.m_strFunction == "waveOutUnprepareHeader" ||
         c.m_strFunction == "waveOutClose"))
      closing.push_back(c.m_strFunction);
  }
  EXPECT_EQ(openCount, 2);
  ASSERT_EQ(closing.size(), 1u + 48u + 1u);
  EXPECT_EQ(closing.front(), "waveOutReset");
  EXPECT_EQ(closing.back(), "waveOutClose");
  EXPECT_EQ(WavPlayer_GetState(), WAVPLAYER_OPEN);
}

TEST_F(CorvaneAudioTest, AFailedOpenLeavesThePlayerWithoutADevice) {
  wce::SetWaveOutOpenResult(MMSYSERR_NOMEM);
  CorvaneVRecord* vr = CorvaneVRecord::GetInstance();
  fakeadb::Feed(4, StreamFrame(0x00050002, Pb().Int(1, 16000).Int(2, 1).Int(3, 16).m_Bytes));
  fakeadb::Feed(4, StreamFrame(0x00050003, {1, 2}));
  EXPECT_EQ(vr->receivePackageData(), 1);
  EXPECT_EQ(vr->receivePackageData(), 1);
  EXPECT_EQ(WavPlayer_GetCurrent()->GetHandle(), nullptr);
  EXPECT_FALSE(vr->IsDataRetry());
  wce::SetWaveOutOpenResult(MMSYSERR_NOERROR);
}

TEST_F(CorvaneAudioTest, WrittenChunksComeBackToTheFreeList) {
  WavPlay play(16000, 1, 16, 0x6E656E65);
  ASSERT_EQ(play.AllocChunks(6272, 60), 1);
  EXPECT_EQ(play.GetChunkCount(), 48);  // capped
  ASSERT_EQ(play.Open(), 1);
  EXPECT_EQ(play.GetFreeCount(), 48);
  ASSERT_EQ(waveOutWrite(play.GetHandle(), play.GetChunkHeader(0), sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(wce::FinishWaveOut(play.GetHandle()), 1);
  // Nothing takes chunks off the list here (the audio is dropped), so the returned one counts again.
  EXPECT_EQ(play.GetFreeCount(), 49);
  EXPECT_EQ(play.Close(), 1);
  EXPECT_EQ(play.GetHandle(), nullptr);
  EXPECT_EQ(play.Close(), 1);
}
// Whatever size a chunk is asked with, its header is where a header may be on the head unit's
// processor, and its audio data takes the rest of the chunk without reaching the next one.
TEST_F(CorvaneAudioTest, EveryChunkHeaderIsAlignedWhateverTheChunkSize) {
  for (int size : {6272, 1001, WavPlay::kHeaderRoom + 1}) {
    SCOPED_TRACE(size);
    WavPlay play(16000, 1, 16, 0);
    ASSERT_EQ(play.AllocChunks(size, 3), 1);
    ASSERT_EQ(play.Open(), 1);
    for (int i = 0; i < 3; ++i) {
      const WAVEHDR* hdr = play.GetChunkHeader(i);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(hdr) % alignof(WAVEHDR), 0u) << i;
      EXPECT_EQ(hdr->dwBufferLength, static_cast<DWORD>(size - WavPlay::kHeaderRoom));
      if (i > 0) {
        const BYTE* end =
            reinterpret_cast<const BYTE*>(play.GetChunkHeader(i - 1)->lpData) + hdr->dwBufferLength;
        EXPECT_LE(end, reinterpret_cast<const BYTE*>(hdr)) << i;
      }
    }
    EXPECT_EQ(play.Close(), 1);
  }
}

// The wave-out callback runs on the audio system's thread and asks whether a player exists while
// the voice thread makes and frees players. Every chunk handed back is either returned to its
// player's free list or logged as arriving with no player; under ThreadSanitizer the two threads
// share nothing but that mark, so a mark that is no atomic word is reported whichever runs first.
TEST_F(CorvaneAudioTest, TheCallbackAsksWhetherAPlayerExistsWhileTheVoiceThreadChangesIt) {
  WavPlay play(16000, 1, 16, 0x6E656E65);
  ASSERT_EQ(play.AllocChunks(6272, 1), 1);
  ASSERT_EQ(play.Open(), 1);
  ASSERT_EQ(play.GetFreeCount(), 1);
  const int kRounds = 200;
  std::thread voice([] {
    for (int i = 0; i < kRounds; ++i) WavPlay replaced(8000, 1, 16, 0);
  });
  int finished = 0;
  std::thread audio([&play, &finished] {
    for (int i = 0; i < kRounds; ++i) {
      if (waveOutWrite(play.GetHandle(), play.GetChunkHeader(0), sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return;
      finished += wce::FinishWaveOut(play.GetHandle());
    }
  });
  voice.join();
  audio.join();
  ASSERT_EQ(finished, kRounds);
  int withoutPlayer = 0;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    for (const std::string& line : m_Log)
      if (line.find("####### waveOutProc  cannot be here") != std::string::npos) ++withoutPlayer;
  }
  EXPECT_EQ(play.GetFreeCount() - 1 + withoutPlayer, kRounds);
}
}  // namespace
