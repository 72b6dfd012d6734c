#include "platform/audio/audio.h"
#include "platform/audio/AudioHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
struct Seen {
  UINT msg;
  DWORD_PTR instance;
  DWORD_PTR param1;
};
std::vector<Seen> s_seen;

void Callback(HWAVEOUT, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  s_seen.push_back(Seen{msg, instance, param1});
}

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
  WAVEFORMATEX f = {};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  f.wBitsPerSample = bits;
  return f;
}

class WaveOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wce::ResetWaveOut();
    s_seen.clear();
  }
};

TEST_F(WaveOutTest, FormatsAcceptedAndRefused) {
  struct Case {
    const char* name;
    WAVEFORMATEX format;
    MMRESULT result;
  };
  WAVEFORMATEX badAlign = Pcm(2, 44100, 16);
  badAlign.nBlockAlign = 2;
  WAVEFORMATEX notPcm = Pcm(1, 8000, 8);
  notPcm.wFormatTag = 2;
  const Case cases[] = {
      {"16 kHz mono 16", Pcm(1, 16000, 16), MMSYSERR_NOERROR},
      {"44.1 kHz stereo 16", Pcm(2, 44100, 16), MMSYSERR_NOERROR},
      {"no channels", Pcm(0, 16000, 16), WAVERR_BADFORMAT},
      {"24 bits", Pcm(1, 16000, 24), WAVERR_BADFORMAT},
      {"block alignment", badAlign, WAVERR_BADFORMAT},
      {"not PCM", notPcm, WAVERR_BADFORMAT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWAVEOUT h = nullptr;
    EXPECT_EQ(waveOutOpen(&h, WAVE_MAPPER, &c.format, 0, 0, CALLBACK_NULL), c.result);
    if (c.result == MMSYSERR_NOERROR) {
      EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
    }
  }
}

TEST_F(WaveOutTest, HeadersThroughTheirStatesWithCallbacks) {
  WAVEFORMATEX f = Pcm(1, 16000, 16);
  HWAVEOUT h = nullptr;
  ASSERT_EQ(waveOutOpen(&h, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(&Callback), 77, CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  char data[2][64];
  WAVEHDR hdr[2] = {};
  for (int i = 0; i < 2; ++i) {
    hdr[i].lpData = data[i];
    hdr[i].dwBufferLength = sizeof(data[i]);
  }
  EXPECT_EQ(waveOutWrite(h, &hdr[0], sizeof(WAVEHDR)), WAVERR_UNPREPARED);
  for (auto& x : hdr) ASSERT_EQ(waveOutPrepareHeader(h, &x, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutWrite(h, &hdr[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutWrite(h, &hdr[1], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_TRUE(hdr[0].dwFlags & WHDR_INQUEUE);
  EXPECT_EQ(waveOutUnprepareHeader(h, &hdr[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutClose(h), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutReset(h), MMSYSERR_NOERROR);
  EXPECT_EQ(hdr[0].dwFlags, WHDR_PREPARED | WHDR_DONE);
  for (auto& x : hdr) EXPECT_EQ(waveOutUnprepareHeader(h, &x, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(h), MMSYSERR_INVALHANDLE);

  ASSERT_EQ(s_seen.size(), 4u);
  EXPECT_EQ(s_seen[0].msg, static_cast<UINT>(WOM_OPEN));
  EXPECT_EQ(s_seen[1].msg, static_cast<UINT>(WOM_DONE));
  EXPECT_EQ(s_seen[1].param1, reinterpret_cast<DWORD_PTR>(&hdr[0]));
  EXPECT_EQ(s_seen[2].param1, reinterpret_cast<DWORD_PTR>(&hdr[1]));
  EXPECT_EQ(s_seen[3].msg, static_cast<UINT>(WOM_CLOSE));
  for (const Seen& s : s_seen) EXPECT_EQ(s.instance, 77u);
}

TEST_F(WaveOutTest, EveryCallIsRecorded) {
  WAVEFORMATEX f = Pcm(2, 48000, 16);
  HWAVEOUT h = nullptr;
  ASSERT_EQ(waveOutOpen(&h, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutSetVolume(h, 0x6E656E65), MMSYSERR_NOERROR);
  DWORD v = 0;
  EXPECT_EQ(waveOutGetVolume(h, &v), MMSYSERR_NOERROR);
  EXPECT_EQ(v, 0x6E656E65u);
  EXPECT_EQ(waveOutGetVolume(nullptr, &v), MMSYSERR_NOERROR);
  EXPECT_EQ(v, 0xFFFFFFFFu);  // the device's own volume is apart from the output's
  EXPECT_EQ(waveOutClose(h), MMSYSERR_NOERROR);
  auto calls = wce::GetWaveOutCalls();
  std::vector<std::string> names;
  for (const auto& c : calls) names.push_back(c.m_strFunction);
  EXPECT_EQ(names, (std::vector<std::string>{"waveOutOpen", "waveOutSetVolume", "waveOutGetVolume",
                                             "waveOutGetVolume", "waveOutClose"}));
  EXPECT_EQ(calls[0].m_Format.nSamplesPerSec, 48000u);
  EXPECT_EQ(calls[1].m_nA, 0x6E656E65u);
}

TEST_F(WaveOutTest, OutputLevelThroughDriverMessages) {
  EXPECT_EQ(waveOutMessage(nullptr, WODM_GET_OUTPUT_LEVEL, 0, 0), 40u);
  EXPECT_EQ(waveOutMessage(nullptr, WODM_SET_OUTPUT_LEVEL, 30, 0), static_cast<MMRESULT>(MMSYSERR_NOERROR));
  EXPECT_EQ(waveOutMessage(nullptr, WODM_GET_OUTPUT_LEVEL, 0, 0), 30u);
  EXPECT_EQ(waveOutMessage(nullptr, 0x1234, 0, 0), static_cast<MMRESULT>(MMSYSERR_NOTSUPPORTED));
}

TEST_F(WaveOutTest, AFailingDeviceRefusesToOpen) {
  wce::SetWaveOutOpenResult(MMSYSERR_NOMEM);
  WAVEFORMATEX f = Pcm(1, 16000, 16);
  HWAVEOUT h = nullptr;
  EXPECT_EQ(waveOutOpen(&h, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), static_cast<MMRESULT>(MMSYSERR_NOMEM));
  EXPECT_EQ(h, nullptr);
}
}  // namespace
