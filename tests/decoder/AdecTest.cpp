// The audio decoder through the library's exports, against the recording vendor layer.
#include "tests/decoder/LumadecTestSupport.h"

#include "platform/user/user.h"

#include <algorithm>
#include <future>

using lumadectest::CDebugLines;
using lumadectest::CDoneBuffers;
using lumadectest::CountOf;
using lumadectest::kGiveUp;
using lumadectest::kGiveUpMs;
using lumadectest::LastDecoder;
using lumadectest::Pattern;
using msdk::MSDK_CALL;

namespace {

const DWORD kAacCodec = 2;

class AdecTest : public lumadectest::LumadecTest {
 protected:
  void TearDown() override {
    for (ADEC_INSTANCE inst : m_Instances) ADec_ReleaseInstance(inst);
    LumadecTest::TearDown();
  }
  ADEC_INSTANCE Create(DWORD_PTR u4User = 1, DWORD u4Codec = kAacCodec) {
    ADEC_INSTANCE inst = ADec_CreateInstance(u4User, &CDoneBuffers::Callback, u4Codec);
    if (inst != nullptr) m_Instances.push_back(inst);
    return inst;
  }
  void Release(ADEC_INSTANCE inst) {
    m_Instances.erase(std::remove(m_Instances.begin(), m_Instances.end(), inst), m_Instances.end());
    EXPECT_TRUE(ADec_ReleaseInstance(inst));
  }
  static ADEC_AUDIO_PARAM Params(DWORD u4Rate) {
    ADEC_AUDIO_PARAM p = {{11, 12, 13, 14}, u4Rate, {16, 17, 18, 19}};
    return p;
  }
  // Consumes by hand until `total` bytes came out, waiting for the feeder's next publication
  // whenever nothing is there. Returns what was consumed.
  static std::vector<BYTE> ConsumeAll(AVD_HANDLE h, size_t total, DWORD u4Step) {
    while (msdk::MsdkConsumedCount(h) < total) {
      const size_t published = CountOf("AVDecoder_SetInputBuf");
      if (msdk::MsdkConsume(h, u4Step) == 0 &&
          !msdk::MsdkWaitCalls("AVDecoder_SetInputBuf", published + 1, kGiveUpMs))
        break;
    }
    return msdk::MsdkConsumed(h);
  }

  std::vector<ADEC_INSTANCE> m_Instances;
};

struct CodecCase {
  DWORD m_dwCodec;
  DWORD m_dwDecoderType;
  DWORD m_dwConfigParam;  // the first AVDecoder_SetParam's number
};
const CodecCase kCodecs[] = {
    {2, 30, AVD_APARAM_CONFIG}, {3, 46, AVD_APARAM_CONFIG_ALT}, {4, 33, AVD_APARAM_CONFIG},
    {5, 39, AVD_APARAM_CONFIG}, {7, 38, AVD_APARAM_CONFIG},
};

TEST_F(AdecTest, CodecIdsCreateTheirDecoderTypes) {
  for (const CodecCase& c : kCodecs) {
    SCOPED_TRACE(c.m_dwCodec);
    msdk::MsdkReset();
    ADEC_INSTANCE inst = Create(1, c.m_dwCodec);
    ASSERT_NE(inst, nullptr);
    const auto created = msdk::MsdkCallsOf("AVDecoder_CreateInstance");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].au8Arg[0], c.m_dwDecoderType);
    EXPECT_EQ(created[0].au8Arg[1], AVD_KIND_AUDIO);
    const ADEC_AUDIO_PARAM params = Params(44100);
    ASSERT_TRUE(ADec_SetParam(inst, &params));
    const auto set = msdk::MsdkCallsOf("AVDecoder_SetParam");
    ASSERT_EQ(set.size(), 2u);
    EXPECT_EQ(set[0].au8Arg[0], c.m_dwConfigParam);
    Release(inst);
  }
}

TEST_F(AdecTest, OtherCodecIdsAndAMissingCallbackAreRefusedWithoutADecoder) {
  CDebugLines lines;
  for (DWORD codec : {0u, 1u, 6u, 8u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(codec);
    EXPECT_EQ(Create(1, codec), nullptr);
  }
  EXPECT_TRUE(lines.Has("[Lumadec]Failed Support Audio Codec ID : 6"));
  EXPECT_EQ(ADec_CreateInstance(1, nullptr, kAacCodec), nullptr);
  EXPECT_TRUE(lines.Has("[Lumadec]Failed to Set CB function handle"));
  EXPECT_EQ(CountOf("AVDecoder_CreateInstance"), 0u);
}

TEST_F(AdecTest, AFailedDecoderCreationGivesNoInstance) {
  CDebugLines lines;
  msdk::MsdkFailCall("AVDecoder_CreateInstance", 1);
  EXPECT_EQ(Create(), nullptr);
  EXPECT_TRUE(lines.Has("[Lumadec]Failed of ADec_CreateInstance"));
  // Nothing of the failed one is left running: the next creation is whole.
  ASSERT_NE(Create(), nullptr);
}

TEST_F(AdecTest, SetParamHandsTheWordsOverAndStartsTheDecoderInOrder) {
  ADEC_INSTANCE inst = Create();
  ASSERT_NE(inst, nullptr);
  const AVD_HANDLE h = LastDecoder();
  const ADEC_AUDIO_PARAM params = Params(48000);
  ASSERT_TRUE(ADec_SetParam(inst, &params));
  std::vector<MSDK_CALL> calls;
  for (const MSDK_CALL& c : msdk::MsdkCalls())
    if (c.strName != "AVDecoder_CreateInstance" && c.strName.find("Afifo") == std::string::npos &&
        c.strName != "AVDecoder_GetWritePoint")
      calls.push_back(c);
  ASSERT_EQ(calls.size(), 4u);
  const char* names[] = {"AVDecoder_SetParam", "AVDecoder_Start", "AVDecoder_SetSpeed", "AVDecoder_SetParam"};
  const uintptr_t args[] = {AVD_APARAM_CONFIG, 0, 1, AVD_APARAM_CONFIG_COMMIT};
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(calls[i].strName, names[i]);
    EXPECT_EQ(calls[i].hDecoder, h);
    EXPECT_EQ(calls[i].au8Arg[0], args[i]);
  }
  for (size_t i : {size_t(0), size_t(3)}) {
    const MSDK_CALL& c = calls[i];
    ASSERT_TRUE(c.fgHasParamBlock);
    EXPECT_EQ(c.rParam.u4Type, AVD_PARAM_TYPE_AUDIO);
    const DWORD expected[9] = {11, 12, 13, 14, 48000, 16, 17, 18, 19};
    for (int w = 0; w < 8; ++w) EXPECT_EQ(c.rInfo.au4Word[w], expected[w]) << w;
    EXPECT_EQ(c.rExt.u4Word, expected[8]);
  }
}

TEST_F(AdecTest, RefusedRatesReachNoDecoderAndFailedStepsStopTheSetUp) {
  ADEC_INSTANCE inst = Create();
  ASSERT_NE(inst, nullptr);
  {
    CDebugLines lines;
    for (DWORD rate : {0u, 7999u, 48001u, 96000u}) {
      SCOPED_TRACE(rate);
      const ADEC_AUDIO_PARAM params = Params(rate);
      EXPECT_FALSE(ADec_SetParam(inst, &params));
    }
    EXPECT_TRUE(lines.Has("[Lumadec] AVDecoder_SetParam sample rate is not supported"));
    EXPECT_EQ(CountOf("AVDecoder_SetParam"), 0u);
  }
  Release(inst);
}

// The set-up stops at the first step the decoder refuses.
TEST_F(AdecTest, ASetUpStepRefusedEndsTheSetUp) {
  struct StepCase {
    const char* m_pszFailing;
    int m_nAfter;  // calls of that name that succeed first
    size_t m_nCallsMade;
    const char* m_pszLine;
  };
  const StepCase steps[] = {
      {"AVDecoder_SetParam", 0, 1, "[Lumadec] ERROR:AVDecoder_SetParam return FALSE"},
      {"AVDecoder_Start", 0, 2, "[Lumadec] ERROR:AVDecoder_Start return FALSE"},
      {"AVDecoder_SetSpeed", 0, 3, "[Lumadec] ERROR:AVDecoder_SetSpeed return FALSE"},
      {"AVDecoder_SetParam", 1, 4, "[Lumadec] ERROR:AVDecoder_SetParam--2-- return FALSE"},
  };
  for (const StepCase& s : steps) {
    SCOPED_TRACE(s.m_pszLine);
    msdk::MsdkReset();
    ADEC_INSTANCE inst = Create();
    ASSERT_NE(inst, nullptr);
    CDebugLines lines;
    msdk::MsdkFailCall(s.m_pszFailing, 1, s.m_nAfter);
    const ADEC_AUDIO_PARAM params = Params(32000);
    EXPECT_FALSE(ADec_SetParam(inst, &params));
    EXPECT_TRUE(lines.Has(s.m_pszLine));
    EXPECT_TRUE(lines.Has("[Lumadec] Exit ADec_SetParam fail"));
    size_t made = 0;
    for (const MSDK_CALL& c : msdk::MsdkCalls())
      if (c.strName == "AVDecoder_SetParam" || c.strName == "AVDecoder_Start" ||
          c.strName == "AVDecoder_SetSpeed")
        ++made;
    EXPECT_EQ(made, s.m_nCallsMade);
    Release(inst);
  }
}

// Three buffers larger together than the FIFO: the consumer gets every byte once, in order,
// across the FIFO's wrap, and each buffer is reported once, in order, with the instance's message.
TEST_F(AdecTest, BuffersLargerThanTheFifoArriveByteForByteAcrossTheWrap) {
  const DWORD kFifo = 4096;
  msdk::MsdkSetAfifoSize(kFifo);
  ADEC_INSTANCE inst = Create(7);
  ASSERT_NE(inst, nullptr);
  const AVD_HANDLE h = LastDecoder();
  ADEC_MSG_ID ids = {};
  ASSERT_TRUE(ADec_GetMsgID(inst, &ids));
  EXPECT_EQ(ids.u4BufferDone, RegisterWindowMessageW(u"BUFFER_DONE"));
  EXPECT_EQ(ids.u4OpenSuccess, RegisterWindowMessageW(u"OPEN_SUCCESS"));
  EXPECT_EQ(ids.u4CloseSuccess, RegisterWindowMessageW(u"CLOSE_SUCCESS"));

  const size_t sizes[] = {3001, 2500, 1799};
  std::vector<std::vector<BYTE>> data;
  ADEC_BUFFER bufs[3] = {};
  std::vector<BYTE> all;
  for (int i = 0; i < 3; ++i) {
    data.push_back(Pattern(sizes[i], i + 1));
    all.insert(all.end(), data[i].begin(), data[i].end());
    bufs[i] = {data[i].data(), static_cast<DWORD>(sizes[i]), nullptr};
  }
  for (ADEC_BUFFER& b : bufs) ASSERT_TRUE(ADec_WriteData(inst, &b));

  EXPECT_EQ(ConsumeAll(h, all.size(), 700), all);
  const auto done = CDoneBuffers::GetInstance().WaitFor(7, 3);
  ASSERT_EQ(done.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(done[i].m_pBuf, &bufs[i]) << i;
    EXPECT_EQ(done[i].m_nMsg, ids.u4BufferDone) << i;
  }
  // The write offsets the decoder was given went round the FIFO and stayed inside it.
  bool wrapped = false;
  DWORD last = 0;
  for (const MSDK_CALL& c : msdk::MsdkCallsOf("AVDecoder_SetInputBuf")) {
    EXPECT_EQ(c.au8Arg[0], sizeof(AVD_AUDIO_INPUT));
    EXPECT_LT(c.rAudioInput.u4WriteOffset, kFifo);
    if (c.rAudioInput.u4WriteOffset < last) wrapped = true;
    last = c.rAudioInput.u4WriteOffset;
  }
  EXPECT_TRUE(wrapped);
}

TEST_F(AdecTest, WriteDataRefusesBuffersItCannotRead) {
  ADEC_INSTANCE inst = Create();
  ASSERT_NE(inst, nullptr);
  BYTE byte = 1;
  ADEC_BUFFER noData = {nullptr, 10, nullptr};
  ADEC_BUFFER empty = {&byte, 0, nullptr};
  ADEC_BUFFER past = {reinterpret_cast<BYTE*>(uintptr_t{16}), 4096, nullptr};
  struct Case {
    ADEC_INSTANCE m_hInst;
    ADEC_BUFFER* m_pBuf;
    const char* m_pszLine;
  };
  const Case cases[] = {
      {nullptr, &empty, "[Lumadec]ADec_WriteData parameter error"},
      {inst, nullptr, "[Lumadec]ADec_WriteData parameter error"},
      {inst, &noData, "[Lumadec]ADec_WriteData prBuf->pbData is NULL"},
      {inst, &empty, "[Lumadec]ADec_WriteData prBuf->u4BufferLen == 0"},
      {inst, &past, "[Lumadec]ADec_WriteData prBuf->pbData is bad address"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszLine);
    CDebugLines lines;
    EXPECT_FALSE(ADec_WriteData(c.m_hInst, c.m_pBuf));
    EXPECT_TRUE(lines.Has(c.m_pszLine));
  }
  EXPECT_EQ(CountOf("AVDecoder_GetWritePoint"), 0u);
}

// Paced writing reports a finished buffer only once less than a block (by the sample rate) waits
// in the FIFO. The FIFO counts one byte more than it holds, as the decoder reports it.
TEST_F(AdecTest, PacedWritingHoldsTheReportUntilLessThanABlockWaits) {
  struct RateCase {
    DWORD m_dwRate;
    DWORD m_dwBlock;
  };
  const RateCase rates[] = {{8000, 6144},   {16000, 6144},  {16001, 8192},  {22050, 8192},
                            {22051, 10240}, {32000, 10240}, {32001, 12288}, {48000, 12288}};
  for (const RateCase& r : rates) {
    SCOPED_TRACE(r.m_dwRate);
    msdk::MsdkReset();
    CDoneBuffers::GetInstance().Reset();
    ADEC_INSTANCE inst = Create(3);
    ASSERT_NE(inst, nullptr);
    const AVD_HANDLE h = LastDecoder();
    const ADEC_AUDIO_PARAM params = Params(r.m_dwRate);
    ASSERT_TRUE(ADec_SetParam(inst, &params));
    ASSERT_TRUE(ADec_SetCmmb(inst));
    std::vector<BYTE> data = Pattern(r.m_dwBlock - 1, 5);
    ADEC_BUFFER buf = {data.data(), static_cast<DWORD>(data.size()), nullptr};
    ASSERT_TRUE(ADec_WriteData(inst, &buf));
    // The copy takes one write-point query; two more mean the pacing looked twice and held.
    ASSERT_TRUE(msdk::MsdkWaitCalls("AVDecoder_GetWritePoint", 3, kGiveUpMs));
    EXPECT_TRUE(CDoneBuffers::GetInstance().Of(3).empty());
    ASSERT_EQ(msdk::MsdkConsume(h, 1), 1u);
    ASSERT_EQ(CDoneBuffers::GetInstance().WaitFor(3, 1).size(), 1u);
    Release(inst);
  }
}

TEST_F(AdecTest, UnpacedWritingAndPacingWithoutABlockSizeReportAtOnce) {
  for (bool paced : {false, true}) {
    SCOPED_TRACE(paced);
    msdk::MsdkReset();
    CDoneBuffers::GetInstance().Reset();
    ADEC_INSTANCE inst = Create(4);
    ASSERT_NE(inst, nullptr);
    ASSERT_TRUE(ADec_Pause(inst));
    // No ADec_SetParam: no block size to pace against.
    if (paced) {
      ASSERT_TRUE(ADec_SetCmmb(inst));
    }
    std::vector<BYTE> data = Pattern(20000, 2);
    ADEC_BUFFER buf = {data.data(), static_cast<DWORD>(data.size()), nullptr};
    ASSERT_TRUE(ADec_WriteData(inst, &buf));
    ASSERT_EQ(CDoneBuffers::GetInstance().WaitFor(4, 1).size(), 1u);
    EXPECT_TRUE(msdk::MsdkFrozen(LastDecoder()));
    Release(inst);
  }
}

// Release ends a feeder wherever it waits on a decoder that drains nothing.
TEST_F(AdecTest, ReleaseWhilePausedReturns) {
  struct Case {
    const char* m_pszName;
    bool m_bPaced;
    size_t m_nBytes;  // more than the FIFO takes: the feeder waits for room
  };
  const Case cases[] = {{"paced, polling the FIFO", true, 20000}, {"no room in the FIFO", false, 100000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    msdk::MsdkReset();
    ADEC_INSTANCE inst = Create(5);
    ASSERT_NE(inst, nullptr);
    const ADEC_AUDIO_PARAM params = Params(48000);
    ASSERT_TRUE(ADec_SetParam(inst, &params));
    if (c.m_bPaced) {
      ASSERT_TRUE(ADec_SetCmmb(inst));
    }
    ASSERT_TRUE(ADec_Pause(inst));
    std::vector<BYTE> data = Pattern(c.m_nBytes, 3);
    ADEC_BUFFER buf = {data.data(), static_cast<DWORD>(data.size()), nullptr};
    ASSERT_TRUE(ADec_WriteData(inst, &buf));
    ASSERT_TRUE(msdk::MsdkWaitCalls("AVDecoder_GetWritePoint", 3, kGiveUpMs));
    m_Instances.clear();
    auto released = std::async(std::launch::async, [inst] { return ADec_ReleaseInstance(inst); });
    ASSERT_EQ(released.wait_for(kGiveUp), std::future_status::ready);
    EXPECT_TRUE(released.get());
    EXPECT_EQ(CountOf("AVDecoder_ReleaseAfifoAddr"), 1u);
    EXPECT_EQ(CountOf("AVDecoder_Release"), 1u);
  }
}

// Each instance has its own wake-ups: buffers written to one never wake or end the other's feeder.
TEST_F(AdecTest, TwoInstancesKeepTheirOwnData) {
  ADEC_INSTANCE a = Create(10);
  const AVD_HANDLE ha = LastDecoder();
  ADEC_INSTANCE b = Create(20);
  const AVD_HANDLE hb = LastDecoder();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  msdk::MsdkSetDrain(ha, msdk::Drain::kThread);
  msdk::MsdkSetDrain(hb, msdk::Drain::kThread);
  const int kBuffers = 40;
  std::vector<std::vector<BYTE>> dataA, dataB;
  std::vector<ADEC_BUFFER> bufsA(kBuffers), bufsB(kBuffers);
  std::vector<BYTE> allA, allB;
  for (int i = 0; i < kBuffers; ++i) {
    dataA.push_back(Pattern(1000 + i * 37, i));
    dataB.push_back(Pattern(700 + i * 53, 100 + i));
    allA.insert(allA.end(), dataA[i].begin(), dataA[i].end());
    allB.insert(allB.end(), dataB[i].begin(), dataB[i].end());
    bufsA[i] = {dataA[i].data(), static_cast<DWORD>(dataA[i].size()), nullptr};
    bufsB[i] = {dataB[i].data(), static_cast<DWORD>(dataB[i].size()), nullptr};
  }
  // Writers on two threads: every write of one instance into its empty queue sets a wake-up that
  // only its own feeder may take.
  auto writer = [](ADEC_INSTANCE inst, std::vector<ADEC_BUFFER>* bufs) {
    for (ADEC_BUFFER& buf : *bufs)
      if (!ADec_WriteData(inst, &buf)) return false;
    return true;
  };
  auto wa = std::async(std::launch::async, writer, a, &bufsA);
  auto wb = std::async(std::launch::async, writer, b, &bufsB);
  EXPECT_TRUE(wa.get());
  EXPECT_TRUE(wb.get());
  const auto doneA = CDoneBuffers::GetInstance().WaitFor(10, kBuffers);
  const auto doneB = CDoneBuffers::GetInstance().WaitFor(20, kBuffers);
  ASSERT_EQ(doneA.size(), static_cast<size_t>(kBuffers));
  ASSERT_EQ(doneB.size(), static_cast<size_t>(kBuffers));
  for (int i = 0; i < kBuffers; ++i) {
    EXPECT_EQ(doneA[i].m_pBuf, &bufsA[i]) << i;
    EXPECT_EQ(doneB[i].m_pBuf, &bufsB[i]) << i;
  }
  // Every byte has been published once the last buffer was reported; the drains take it all.
  ASSERT_TRUE(ADec_WaitEOS(a));
  ASSERT_TRUE(ADec_WaitEOS(b));
  EXPECT_EQ(msdk::MsdkConsumed(ha), allA);
  EXPECT_EQ(msdk::MsdkConsumed(hb), allB);
  // A wake-up without data (the other instance's, before) leaves a feeder waiting: it still feeds.
  std::vector<BYTE> more = Pattern(333, 9);
  ADEC_BUFFER late = {more.data(), static_cast<DWORD>(more.size()), nullptr};
  ASSERT_TRUE(ADec_WriteData(b, &late));
  EXPECT_EQ(CDoneBuffers::GetInstance().WaitFor(20, kBuffers + 1).size(), static_cast<size_t>(kBuffers + 1));
}

TEST_F(AdecTest, WaitEosReturnsOnceEverythingQueuedHasPlayed) {
  ADEC_INSTANCE inst = Create(6);
  ASSERT_NE(inst, nullptr);
  const AVD_HANDLE h = LastDecoder();
  std::vector<BYTE> data = Pattern(5000, 4);
  ADEC_BUFFER buf = {data.data(), static_cast<DWORD>(data.size()), nullptr};
  ASSERT_TRUE(ADec_WriteData(inst, &buf));
  auto eos = std::async(std::launch::async, [inst] { return ADec_WaitEOS(inst); });
  ASSERT_TRUE(msdk::MsdkWaitCalls("AVDecoder_SetParam", 1, kGiveUpMs));
  const auto asked = msdk::MsdkCallsOf("AVDecoder_SetParam");
  EXPECT_EQ(asked[0].au8Arg[0], AVD_APARAM_GET_EOS);
  EXPECT_EQ(msdk::MsdkPending(h), data.size());
  EXPECT_EQ(msdk::MsdkConsume(h, 5000), 5000u);
  ASSERT_EQ(eos.wait_for(kGiveUp), std::future_status::ready);
  EXPECT_TRUE(eos.get());
}

TEST_F(AdecTest, WaitEosEndsWhenTheDecoderIsStopped) {
  ADEC_INSTANCE inst = Create(6);
  ASSERT_NE(inst, nullptr);
  ASSERT_TRUE(ADec_Pause(inst));
  std::vector<BYTE> data = Pattern(100, 4);
  ADEC_BUFFER buf = {data.data(), static_cast<DWORD>(data.size()), nullptr};
  ASSERT_TRUE(ADec_WriteData(inst, &buf));
  auto eos = std::async(std::launch::async, [inst] { return ADec_WaitEOS(inst); });
  ASSERT_TRUE(msdk::MsdkWaitCalls("AVDecoder_SetParam", 1, kGiveUpMs));
  ASSERT_TRUE(ADec_Stop(inst));
  ASSERT_EQ(eos.wait_for(kGiveUp), std::future_status::ready);
  EXPECT_TRUE(eos.get());
}

// A feeder that ended on the decoder's error stays ended; a wait for the end of stream says so.
TEST_F(AdecTest, AFeederEndedOnAnErrorEndsTheWaitForTheEndOfStream) {
  const char* failing[] = {"AVDecoder_GetAfifoAddr", "AVDecoder_GetWritePoint", "AVDecoder_SetInputBuf"};
  for (const char* name : failing) {
    SCOPED_TRACE(name);
    msdk::MsdkReset();
    msdk::MsdkFailCall(name, -1);
    ADEC_INSTANCE inst = Create(8);
    ASSERT_NE(inst, nullptr);
    std::vector<BYTE> data = Pattern(100, 4);
    ADEC_BUFFER buf = {data.data(), static_cast<DWORD>(data.size()), nullptr};
    ASSERT_TRUE(ADec_WriteData(inst, &buf));
    EXPECT_FALSE(ADec_WaitEOS(inst));
    EXPECT_TRUE(CDoneBuffers::GetInstance().Of(8).empty());
    Release(inst);
  }
}

struct ControlCase {
  const char* m_pszName;
  BOOL (*m_pfnCall)(ADEC_INSTANCE);
  const char* m_pszDecoderCall;
  const char* m_pszLine;  // without an instance
};
const ControlCase kControls[] = {
    {"flush", ADec_Flush, "AVDecoder_Refresh", "[Lumadec]Flush failed"},
    {"pause", ADec_Pause, "AVDecoder_Freeze", "[Lumadec]Pause failed"},
    {"resume", ADec_Resume, "AVDecoder_UNFreeze", "[Lumadec]Resume failed"},
    {"stop", ADec_Stop, "AVDecoder_Stop", "[Lumadec]Stop failed"},
};

TEST_F(AdecTest, ControlsReachTheDecoderAndRefuseNoInstance) {
  ADEC_INSTANCE inst = Create();
  ASSERT_NE(inst, nullptr);
  const AVD_HANDLE h = LastDecoder();
  for (const ControlCase& c : kControls) {
    SCOPED_TRACE(c.m_pszName);
    EXPECT_TRUE(c.m_pfnCall(inst));
    const auto calls = msdk::MsdkCallsOf(c.m_pszDecoderCall);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].hDecoder, h);
    CDebugLines lines;
    EXPECT_FALSE(c.m_pfnCall(nullptr));
    EXPECT_TRUE(lines.Has(c.m_pszLine));
  }
  EXPECT_FALSE(ADec_SetCmmb(nullptr));
  EXPECT_FALSE(ADec_SetiPod(nullptr));
  EXPECT_FALSE(ADec_ReleaseInstance(nullptr));
  EXPECT_FALSE(ADec_WaitEOS(nullptr));
  EXPECT_FALSE(ADec_GetMsgID(inst, nullptr));
}

struct VolumeCase {
  INT m_nPercent;
  INT m_nValue;   // (p * 131072) / 100
  BYTE m_byBack;  // (v * 100) >> 17, plus 1 with any of the low 15 bits set
};
const VolumeCase kVolumes[] = {{0, 0, 0},       {1, 1310, 1},     {33, 43253, 33},
                               {50, 65536, 50}, {99, 129761, 99}, {100, 131072, 100}};

TEST_F(AdecTest, VolumesGoToTheDecoderScaleAndBack) {
  ADEC_INSTANCE inst = Create();
  ASSERT_NE(inst, nullptr);
  for (const VolumeCase& v : kVolumes) {
    SCOPED_TRACE(v.m_nPercent);
    const size_t before = CountOf("AVDecoder_SetParam");
    ASSERT_TRUE(ADec_SetVolume(inst, ADEC_SINK_BOTH, v.m_nPercent, 100 - v.m_nPercent));
    const auto set = msdk::MsdkCallsOf("AVDecoder_SetParam");
    ASSERT_EQ(set.size() - before, 2u);
    EXPECT_EQ(set[before].au8Arg[0], AVD_APARAM_FRONT_VOLUME);
    EXPECT_EQ(set[before].i4Value, v.m_nValue);
    EXPECT_EQ(set[before + 1].au8Arg[0], AVD_APARAM_REAR_VOLUME);
    BYTE front = 0xEE, rear = 0xEE;
    ASSERT_TRUE(ADec_GetVolume(inst, ADEC_SINK_FRONT, &front, &rear));
    EXPECT_EQ(front, v.m_byBack);
    EXPECT_EQ(rear, 0xEE);
  }
}

TEST_F(AdecTest, VolumesBySinkType) {
  ADEC_INSTANCE inst = Create();
  ASSERT_NE(inst, nullptr);
  struct Case {
    DWORD m_dwSink;
    BOOL m_bOk;
    std::vector<DWORD> m_Params;  // AVDecoder_SetParam numbers, in order
    const char* m_pszLine;
  };
  const Case cases[] = {
      {ADEC_SINK_NONE, FALSE, {}, "SWI_SINK_TYPE_NONE,set nothing"},
      {ADEC_SINK_FRONT, TRUE, {AVD_APARAM_FRONT_VOLUME}, ""},
      {ADEC_SINK_REAR, TRUE, {AVD_APARAM_REAR_VOLUME}, ""},
      {ADEC_SINK_BOTH, TRUE, {AVD_APARAM_FRONT_VOLUME, AVD_APARAM_REAR_VOLUME}, ""},
      {4, FALSE, {}, "The sink of setting volume info is not valid 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_dwSink);
    const size_t before = CountOf("AVDecoder_SetParam");
    CDebugLines lines;
    EXPECT_EQ(ADec_SetVolume(inst, c.m_dwSink, 20, 70), c.m_bOk);
    const auto set = msdk::MsdkCallsOf("AVDecoder_SetParam");
    ASSERT_EQ(set.size() - before, c.m_Params.size());
    for (size_t i = 0; i < c.m_Params.size(); ++i) EXPECT_EQ(set[before + i].au8Arg[0], c.m_Params[i]);
    if (*c.m_pszLine) {
      EXPECT_TRUE(lines.Has(c.m_pszLine));
    }
  }
  BYTE front = 0, rear = 0;
  ASSERT_TRUE(ADec_GetVolume(inst, ADEC_SINK_BOTH, &front, &rear));
  EXPECT_EQ(front, 20);
  EXPECT_EQ(rear, 70);
  EXPECT_FALSE(ADec_GetVolume(inst, ADEC_SINK_NONE, &front, &rear));
  EXPECT_FALSE(ADec_GetVolume(inst, 4, &front, &rear));
  EXPECT_FALSE(ADec_GetVolume(nullptr, ADEC_SINK_FRONT, &front, &rear));
  EXPECT_FALSE(ADec_SetVolume(nullptr, ADEC_SINK_FRONT, 1, 1));
  msdk::MsdkFailCall("AVDecoder_SetParam", 1, 1);
  CDebugLines lines;
  EXPECT_FALSE(ADec_SetVolume(inst, ADEC_SINK_BOTH, 1, 1));
  EXPECT_TRUE(lines.Has("[Lumadec]ERROR:ERROR:FrontRear Set ADec_SetRear Volume failed"));
}

// The outputs opened and closed for every change of sink, written from the table of the sinks:
// a positive number opens that output, a negative one closes it.
struct SinkCase {
  DWORD m_dwFrom;
  DWORD m_dwTo;
  std::vector<int> m_Steps;
};
const SinkCase kSinks[] = {
    {0, 0, {}},      {1, 0, {-1}}, {2, 0, {-2}}, {3, 0, {-3}},    {0, 1, {1}}, {1, 1, {1}},
    {2, 1, {1, -2}}, {3, 1, {-2}}, {0, 2, {2}},  {1, 2, {2, -1}}, {2, 2, {2}}, {3, 2, {-1}},
    {0, 3, {3}},     {1, 3, {2}},  {2, 3, {1}},  {3, 3, {3}},
};

const std::vector<int>& TableSteps(DWORD u4From, DWORD u4To) {
  for (const SinkCase& c : kSinks)
    if (c.m_dwFrom == u4From && c.m_dwTo == u4To) return c.m_Steps;
  ADD_FAILURE() << "no sink change " << u4From << " to " << u4To;
  static const std::vector<int> none;
  return none;
}

// The outputs opened (positive) and closed (negative) by the calls made since `before`, all on
// decoder h.
std::vector<int> OutputStepsSince(size_t before, AVD_HANDLE h) {
  const auto calls = msdk::MsdkCalls();
  std::vector<int> steps;
  for (size_t i = before; i < calls.size(); ++i) {
    const int out = static_cast<int>(calls[i].au8Arg[0]);
    if (calls[i].strName == "AVDecoder_OpenAOut") steps.push_back(out);
    if (calls[i].strName == "AVDecoder_CloseAOut") steps.push_back(-out);
    EXPECT_EQ(calls[i].hDecoder, h);
  }
  return steps;
}

TEST_F(AdecTest, SinksOpenAndCloseTheOutputsByTheTable) {
  ADEC_INSTANCE inst = Create();
  ASSERT_NE(inst, nullptr);
  const AVD_HANDLE h = LastDecoder();
  for (const SinkCase& c : kSinks) {
    SCOPED_TRACE(testing::Message() << c.m_dwFrom << " to " << c.m_dwTo);
    ASSERT_TRUE(ADec_SetSinkInfo(inst, ADEC_SINK_NONE));
    ASSERT_TRUE(ADec_SetSinkInfo(inst, c.m_dwFrom));
    const size_t before = msdk::MsdkCalls().size();
    ASSERT_TRUE(ADec_SetSinkInfo(inst, c.m_dwTo));
    EXPECT_EQ(OutputStepsSince(before, h), c.m_Steps);
  }
  EXPECT_FALSE(ADec_SetSinkInfo(inst, 4));
  EXPECT_FALSE(ADec_SetSinkInfo(nullptr, 1));
}

TEST_F(AdecTest, AFailedOutputKeepsTheSinkAndLogsItsLine) {
  struct Case {
    DWORD m_dwFrom;
    DWORD m_dwTo;
    const char* m_pszFailing;
    const char* m_pszLine;
  };
  // Two changes log the other call's line, as the library always has.
  const Case cases[] = {
      {0, 1, "AVDecoder_OpenAOut", "[Lumadec] AVDecoder_SetSinkInfo return FALSE"},
      {2, 0, "AVDecoder_CloseAOut", "[Lumadec] AVDecoder_CloseAOut return FALSE"},
      {2, 3, "AVDecoder_OpenAOut", "[Lumadec] AVDecoder_CloseAOut return FALSE"},
      {1, 0, "AVDecoder_CloseAOut", "[Lumadec] AVDecoder_SetSinkInfo return FALSE"},
  };
  ADEC_INSTANCE inst = Create();
  ASSERT_NE(inst, nullptr);
  const AVD_HANDLE h = LastDecoder();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.m_dwFrom << " to " << c.m_dwTo);
    // A next sink whose change from the old sink and from the refused one differ by the table, so
    // the steps taken towards it tell which of the two the instance still holds.
    DWORD u4Next = 0;
    while (u4Next < ADEC_SINK_BOTH && TableSteps(c.m_dwFrom, u4Next) == TableSteps(c.m_dwTo, u4Next))
      ++u4Next;
    ASSERT_NE(TableSteps(c.m_dwFrom, u4Next), TableSteps(c.m_dwTo, u4Next));
    ASSERT_TRUE(ADec_SetSinkInfo(inst, ADEC_SINK_NONE));
    ASSERT_TRUE(ADec_SetSinkInfo(inst, c.m_dwFrom));
    CDebugLines lines;
    msdk::MsdkFailCall(c.m_pszFailing, 1);
    EXPECT_FALSE(ADec_SetSinkInfo(inst, c.m_dwTo));
    EXPECT_TRUE(lines.Has(c.m_pszLine));
    // The sink is still the old one: the change to the next is the one from the old sink.
    const size_t before = msdk::MsdkCalls().size();
    ASSERT_TRUE(ADec_SetSinkInfo(inst, u4Next));
    EXPECT_EQ(OutputStepsSince(before, h), TableSteps(c.m_dwFrom, u4Next)) << "towards " << u4Next;
  }
}

}  // namespace
