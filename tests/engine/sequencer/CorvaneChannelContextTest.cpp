#include "tests/engine/sequencer/SequencerHarness.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneCommand.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvanePicture.h"
#include "engine/CorvaneVRecord.h"
#include "engine/CorvaneWindowMessages.h"

#include "phonelink/CorvaneAdb.h"
#include "platform/kernel/kernel.h"
#include "platform/user/UserHooks.h"
#include "services/CorvaneConfig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

// The receive threads against the fake link; the harness's window takes their posts.
class ChannelContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetCorvaneConfig();
    ResetPhoneVideoState();
    ASSERT_EQ(CreateChannelObjects(m_H.Window()), 1);
  }
  void TearDown() override {
    StopInTime();
    wce::SetBroadcastTap(nullptr);
  }
  // StopRevThreads on a thread of its own, so that a hang fails the test instead of holding it.
  bool StopInTime() {
    std::atomic<bool> done{false};
    std::thread stopper([&] {
      StopRevThreads();
      done = true;
    });
    const DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < 10000) Sleep(10);
    if (!done) {
      stopper.detach();
      return false;
    }
    stopper.join();
    return true;
  }
  size_t CountPosted(UINT msg, LPARAM lParam) {
    size_t n = 0;
    for (const PostedMsg& m : m_H.Posted(msg)) n += m.m_lParam == lParam ? 1 : 0;
    return n;
  }
  // The video thread makes one more whole pass of its loop, wait included: a hold is answered
  // from the top of the loop, and a hold after a release by a new park.
  void VideoThreadComesRound() {
    for (int i = 0; i < 2; ++i) {
      HoldVideoThread(true);
      ASSERT_TRUE(WaitVideoThreadHeld(10000));
      HoldVideoThread(false);
    }
  }
  // The window has received every message posted to it before this call.
  void ReceivePosted() {
    const UINT mark = RegisterWindowMessageW(u"CHANNEL_CONTEXT_TEST_MARK");
    const size_t before = m_H.Posted(mark).size();
    PostMessageW(m_H.Window(), mark, 0, 0);
    ASSERT_TRUE(m_H.PumpUntil([&] { return m_H.Posted(mark).size() > before; }));
  }

  SequencerHarness m_H;
};

TEST_F(ChannelContextTest, ASecondRevThreadStartsNothingAndStopEndsAllFour) {
  RevThread();
  const HANDLE threads[4] = {g_hdThreadCmd, g_hdThreadVideo, g_hdThreadMedia, g_hdThreadTTS};
  for (HANDLE t : threads) EXPECT_NE(t, nullptr);
  RevThread();
  EXPECT_EQ(g_hdThreadCmd, threads[0]);
  EXPECT_EQ(g_hdThreadVideo, threads[1]);
  EXPECT_EQ(g_hdThreadMedia, threads[2]);
  EXPECT_EQ(g_hdThreadTTS, threads[3]);
  // The media channel is open but never carries data: its thread waits without a time limit.
  fakeadb::SetChannelConnected(2, true);
  Sleep(300);
  ASSERT_TRUE(StopInTime());
  EXPECT_EQ(g_hdThreadCmd, nullptr);
  EXPECT_EQ(g_hdThreadMedia, nullptr);
  EXPECT_EQ(g_CorvaneChannelContext.m_pCommand, nullptr);
  EXPECT_EQ(g_CorvaneChannelContext.m_pTts, nullptr);
}

TEST_F(ChannelContextTest, APhoneThatWentAwayWhileUsbStayedInIsReportedOnce) {
  for (int c = 0; c < 6; ++c) fakeadb::SetChannelConnected(c, true);
  RevThread();
  // A heartbeat on the video channel: video has been seen once the thread read it and came round
  // to a wait with the data event set.
  fakeadb::Feed(1, {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x02, 0x00, 0x02});
  ASSERT_TRUE(m_H.PumpUntil([] { return Corvane_Adb_GetChannelDataSize(1) == 0; }));
  ASSERT_NO_FATAL_FAILURE(VideoThreadComesRound());
  // Everything but voice recognition closes.
  for (int c : {0, 1, 2, 3, 5}) fakeadb::SetChannelConnected(c, false);
  ASSERT_TRUE(m_H.PumpUntil([&] { return !m_H.Posted(INNER_MSG_PHONE_CORVANE_EXIT).empty(); }));
  // Two more idle passes of the video thread.
  ASSERT_NO_FATAL_FAILURE(VideoThreadComesRound());
  ASSERT_NO_FATAL_FAILURE(VideoThreadComesRound());
  ASSERT_NO_FATAL_FAILURE(ReceivePosted());
  EXPECT_EQ(m_H.Posted(INNER_MSG_PHONE_CORVANE_EXIT).size(), 1u);
}

TEST_F(ChannelContextTest, LongVideoGapsAskForTenFramesUnlessThePhoneRunsAtTen) {
  fakeadb::SetChannelConnected(1, true);
  g_nPhoneFrameRate = 10;
  RevThread();
  // A whole pass waits 300 ms for data that never comes.
  ASSERT_NO_FATAL_FAILURE(VideoThreadComesRound());
  ASSERT_NO_FATAL_FAILURE(ReceivePosted());
  EXPECT_EQ(CountPosted(INNER_MSG_FRAME_RATE_CHANGE, 10), 0u);
  g_nPhoneFrameRate = 3;
  ASSERT_TRUE(m_H.PumpUntil([&] { return CountPosted(INNER_MSG_FRAME_RATE_CHANGE, 10) >= 2; }));
}

// A video stream package: length, timestamp and type, big-endian, then the payload.
std::vector<uint8_t> VideoPackage(uint32_t type, uint32_t length) {
  std::vector<uint8_t> p = {static_cast<uint8_t>(length >> 24),
                            static_cast<uint8_t>(length >> 16),
                            static_cast<uint8_t>(length >> 8),
                            static_cast<uint8_t>(length),
                            0,
                            0,
                            0,
                            0,
                            static_cast<uint8_t>(type >> 24),
                            static_cast<uint8_t>(type >> 16),
                            static_cast<uint8_t>(type >> 8),
                            static_cast<uint8_t>(type)};
  p.resize(p.size() + length, 0);
  return p;
}

TEST_F(ChannelContextTest, AHeldVideoThreadParksAtAPackageBoundaryAndFindsTheBacklogOnRelease) {
  fakeadb::SetChannelConnected(1, true);
  // At 10 no wait asks for 10; the backlog still asks for 3.
  g_nPhoneFrameRate = 10;
  CorvanePicture* picture = g_CorvaneChannelContext.m_pPicture;
  ASSERT_NE(picture, nullptr);
  RevThread();
  // A picture's header arrives without its payload: the receiver holds it pending.
  const std::vector<uint8_t> first = VideoPackage(MSG_VIDEO_PICTURE, 1000);
  fakeadb::Feed(1, std::vector<uint8_t>(first.begin(), first.begin() + 12));
  ASSERT_TRUE(m_H.PumpUntil([&] { return picture->IsHeaderPending(); }));
  HoldVideoThread(true);
  fakeadb::Feed(1, std::vector<uint8_t>(first.begin() + 12, first.end()));
  // Parked only after the pending package was read whole.
  ASSERT_TRUE(WaitVideoThreadHeld(10000));
  EXPECT_FALSE(picture->IsHeaderPending());
  EXPECT_EQ(Corvane_Adb_GetChannelDataSize(1), 0);

  // Three pictures of 100000 bytes pile up: nothing is read while held.
  std::vector<uint8_t> backlog;
  for (int i = 0; i < 3; ++i) {
    const std::vector<uint8_t> p = VideoPackage(MSG_VIDEO_PICTURE, 100000);
    backlog.insert(backlog.end(), p.begin(), p.end());
  }
  fakeadb::Feed(1, backlog);
  ASSERT_TRUE(WaitVideoThreadHeld(0));
  EXPECT_EQ(Corvane_Adb_GetChannelDataSize(1), static_cast<int>(backlog.size()));
  EXPECT_EQ(CountPosted(INNER_MSG_FRAME_RATE_CHANGE, 3), 0u);

  // Released, the first step finds more than 256 KiB waiting: dropped, and 3 asked for.
  HoldVideoThread(false);
  ASSERT_TRUE(m_H.PumpUntil([&] { return CountPosted(INNER_MSG_FRAME_RATE_CHANGE, 3) == 1; }));
  ASSERT_TRUE(m_H.PumpUntil([] { return Corvane_Adb_GetChannelDataSize(1) == 0; }));
  EXPECT_EQ(CountPosted(INNER_MSG_FRAME_RATE_CHANGE, 10), 0u);
}

TEST_F(ChannelContextTest, StopEndsAParkedVideoThread) {
  RevThread();
  HoldVideoThread(true);
  ASSERT_TRUE(WaitVideoThreadHeld(10000));
  ASSERT_TRUE(StopInTime());
  EXPECT_EQ(g_hdThreadVideo, nullptr);
}

TEST_F(ChannelContextTest, ResettingTheReceiversAlsoResetsVoiceRecognition) {
  g_CorvaneConfig.m_bNotifyMsg = 1;
  std::mutex lock;
  std::vector<PostedMsg> broadcasts;
  wce::SetBroadcastTap([&](UINT msg, WPARAM w, LPARAM l) {
    std::lock_guard<std::mutex> hold(lock);
    broadcasts.push_back({msg, w, l});
  });
  fakeadb::SetChannelConnected(4, true);
  CorvaneVRecord* vr = g_CorvaneChannelContext.m_pVRecord;
  ASSERT_NE(vr, nullptr);
  // The header of a 16-byte data package whose payload never comes: the connection is lost.
  fakeadb::Feed(4, {0x00, 0x00, 0x00, 0x10, 0, 0, 0, 0, 0x00, 0x05, 0x00, 0x03});
  EXPECT_EQ(vr->receivePackageData(), 0);
  ResetChannelReceivers();
  // The next connection starts with a voice-recognition start and no payload.
  fakeadb::Feed(4, {0x00, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0x00, 0x05, 0x00, 0x02});
  EXPECT_EQ(vr->receivePackageData(), 1);
  std::lock_guard<std::mutex> hold(lock);
  ASSERT_EQ(broadcasts.size(), 1u);
  EXPECT_EQ(broadcasts[0].m_nMsg, N_WMMSG_CORVANE_TTS_STATE);
  EXPECT_EQ(broadcasts[0].m_wParam, 2u);
  EXPECT_EQ(broadcasts[0].m_lParam, 1);
}

}  // namespace
