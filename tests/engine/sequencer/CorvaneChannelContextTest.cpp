#include "SequencerHarness.h"

#include "CorvaneChannelContext.h"
#include "CorvaneCommand.h"
#include "CorvaneVRecord.h"
#include "CorvaneWindowMessages.h"

#include "kernel/kernel.h"
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
    ASSERT_EQ(CreateChannelObjects(h.Window()), 1);
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
    for (const PostedMsg& m : h.Posted(msg)) n += m.lParam == lParam ? 1 : 0;
    return n;
  }
  // Pumps for ms milliseconds (a window in which the threads make several idle passes).
  void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    h.PumpUntil([&] { return GetTickCount() - start >= ms; });
  }

  SequencerHarness h;
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
  // A heartbeat on the video channel: video has been seen.
  fakeadb::Feed(1, {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x02, 0x00, 0x02});
  PumpFor(400);
  // Everything but voice recognition closes.
  for (int c : {0, 1, 2, 3, 5}) fakeadb::SetChannelConnected(c, false);
  ASSERT_TRUE(h.PumpUntil([&] { return !h.Posted(INNER_MSG_PHONE_CORVANE_EXIT).empty(); }));
  PumpFor(1200);   // four more idle passes of the video thread
  EXPECT_EQ(h.Posted(INNER_MSG_PHONE_CORVANE_EXIT).size(), 1u);
}

TEST_F(ChannelContextTest, LongVideoGapsAskForTenFramesUnlessThePhoneRunsAtTen) {
  fakeadb::SetChannelConnected(1, true);
  g_nPhoneFrameRate = 10;
  RevThread();
  PumpFor(1000);
  EXPECT_EQ(CountPosted(INNER_MSG_FRAME_RATE_CHANGE, 10), 0u);
  g_nPhoneFrameRate = 3;
  ASSERT_TRUE(h.PumpUntil([&] { return CountPosted(INNER_MSG_FRAME_RATE_CHANGE, 10) >= 2; }));
}

TEST_F(ChannelContextTest, ResettingTheReceiversAlsoResetsVoiceRecognition) {
  g_CorvaneConfig.bNotifyMsg = 1;
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
  EXPECT_EQ(broadcasts[0].msg, N_WMMSG_CORVANE_TTS_STATE);
  EXPECT_EQ(broadcasts[0].wParam, 2u);
  EXPECT_EQ(broadcasts[0].lParam, 1);
}

}  // namespace
