// Window timers on the one tick: the manual clock makes them due with no real time passing, and a
// loop blocked waiting for one wakes when the clock is moved; kernel waits keep real timeouts.
#include "tests/platform/user/UserTestSupport.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

using namespace usertest;

namespace {

// An hour: on the real clock such a timer never falls due while a test runs, so a WM_TIMER seen
// here came from moving the manual clock.
const UINT kHour = 3600u * 1000u;

class TimerTickTest : public UserTest {};

size_t TakeTimers(UINT_PTR id) {
  size_t count = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    if (msg.wParam == id) ++count;
  }
  return count;
}

TEST_F(TimerTickTest, ManualClockMakesTimersDueAsItMoves) {
  struct Step {
    DWORD advance;
    size_t timers;  // WM_TIMERs deliverable after the move
  };
  struct Case {
    const char* name;
    DWORD start;
    UINT elapse;
    std::vector<Step> steps;
  } cases[] = {
      {"due exactly at the period", 1000, 100, {{99, 0}, {1, 1}, {0, 0}, {100, 1}}},
      {"a late loop gets one per period", 1000, 100, {{350, 1}, {99, 0}, {1, 1}}},
      {"an hour's timer", 5000, kHour, {{kHour - 1, 0}, {1, 1}, {kHour, 1}}},
      {"across the 32-bit wrap", 0xFFFFFF00u, 0x200, {{0x1FF, 0}, {1, 1}, {0x1FF, 0}, {1, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wce::SetManualTick(c.start);
    Recorder recorder;
    HWND hwnd = MakeWindow(&recorder);
    ASSERT_NE(nullptr, hwnd);
    ASSERT_EQ(77u, SetTimer(hwnd, 77, c.elapse, nullptr));
    for (const Step& step : c.steps) {
      wce::AdvanceTick(step.advance);
      EXPECT_EQ(step.timers, TakeTimers(77)) << "after " << step.advance;
    }
    DestroyWindow(hwnd);
  }
}

TEST_F(TimerTickTest, TimerStampsTheManualTickItFellDueOn) {
  wce::SetManualTick(40000);
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  SetTimer(hwnd, 5, 250, nullptr);
  Sleep(300);  // Sleep moves the manual clock too
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_TIMER), msg.message);
  EXPECT_EQ(40300u, msg.time);
  EXPECT_EQ(40300, GetMessageTime());
}

// The waiting thread blocks in GetMessage (or MsgWaitForMultipleObjects) on an hour's timer; only
// AdvanceTick can end its wait, and every wait is bounded by the worker's join.
TEST_F(TimerTickTest, BlockedLoopWakesWhenTheClockMakesItsTimerDue) {
  enum class Wait { GetMessage, MsgWait };
  struct Case {
    const char* name;
    Wait wait;
  } cases[] = {{"GetMessage", Wait::GetMessage}, {"MsgWaitForMultipleObjects", Wait::MsgWait}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wce::SetManualTick(9000);
    std::promise<HWND> ready;
    std::atomic<UINT> got{0};
    std::atomic<DWORD> waitResult{WAIT_FAILED};
    Worker loop([&] {
      Recorder recorder;
      HWND hwnd = MakeWindow(&recorder);
      SetTimer(hwnd, 12, kHour, nullptr);
      ready.set_value(hwnd);
      MSG msg;
      if (c.wait == Wait::MsgWait) {
        waitResult = MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_TIMER);
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) got = msg.message;
      } else if (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        got = msg.message;
      }
      DestroyWindow(hwnd);
    });
    std::future<HWND> window = ready.get_future();
    ASSERT_EQ(std::future_status::ready, window.wait_for(std::chrono::seconds(5)));
    wce::AdvanceTick(kHour);
    ASSERT_TRUE(loop.JoinWithin());
    EXPECT_EQ(static_cast<UINT>(WM_TIMER), got.load());
    if (c.wait == Wait::MsgWait) {
      EXPECT_EQ(WAIT_OBJECT_0, waitResult.load());
    }
  }
}

TEST_F(TimerTickTest, KernelWaitTimeoutsStayOnRealTime) {
  wce::SetManualTick(123);
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(nullptr, ev);
  // The clock does not move, yet the wait ends: its timeout bounds a wait for another thread.
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(ev, 5));
  EXPECT_EQ(123u, GetTickCount());
  CloseHandle(ev);
}

}  // namespace
