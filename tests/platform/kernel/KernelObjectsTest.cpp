#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// Generous upper bound for any wait that is expected to succeed.
constexpr DWORD kLongWait = 10000;

class KernelObjects : public ::testing::Test {
 protected:
  void TearDown() override {
    wce::ResetKernelNames();
    wce::SetTickSource(nullptr);
  }
};

TEST_F(KernelObjects, NamedEventIsSharedByName) {
  HANDLE first = CreateEventW(nullptr, TRUE, FALSE, u"EVENT_INIT");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  // The second creation opens the same event; its reset mode and state are ignored.
  HANDLE second = CreateEventW(nullptr, FALSE, TRUE, u"EVENT_INIT");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_NE(first, second);
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_TIMEOUT);

  EXPECT_TRUE(SetEvent(second));
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);  // manual reset from the first creation

  // The name lives while any handle is open.
  EXPECT_TRUE(CloseHandle(first));
  HANDLE opened = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"EVENT_INIT");
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(WaitForSingleObject(opened, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(second));
  EXPECT_TRUE(CloseHandle(opened));
  EXPECT_EQ(OpenEventW(EVENT_ALL_ACCESS, FALSE, u"EVENT_INIT"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  HANDLE fresh = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_INIT");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(WaitForSingleObject(fresh, 0), WAIT_TIMEOUT);
  CloseHandle(fresh);
}

TEST_F(KernelObjects, EventsAndMutexesShareOneNamespace) {
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, u"CUI_MAIN_VT_CORVANE_MUTEX");
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"CUI_MAIN_VT_CORVANE_MUTEX"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  CloseHandle(ev);
}

TEST_F(KernelObjects, ResetKernelNamesForgetsNamesButKeepsHandles) {
  HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, u"EVENT_RECONNECT");
  wce::ResetKernelNames();
  HANDLE other = CreateEventW(nullptr, TRUE, FALSE, u"EVENT_RECONNECT");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(SetEvent(ev));
  EXPECT_EQ(WaitForSingleObject(other, 0), WAIT_TIMEOUT);
  CloseHandle(ev);
  CloseHandle(other);
}

TEST_F(KernelObjects, WaitAnyConsumesOnlyTheAutoResetEventThatSatisfiesIt) {
  HANDLE a = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  HANDLE b = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  HANDLE m = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  HANDLE ab[] = {a, b};
  EXPECT_EQ(WaitForMultipleObjects(2, ab, FALSE, 0), WAIT_OBJECT_0);      // lowest index wins
  EXPECT_EQ(WaitForMultipleObjects(2, ab, FALSE, 0), WAIT_OBJECT_0 + 1);  // b was left signalled
  EXPECT_EQ(WaitForMultipleObjects(2, ab, FALSE, 0), WAIT_TIMEOUT);

  HANDLE ma[] = {m, a};
  SetEvent(a);
  EXPECT_EQ(WaitForMultipleObjects(2, ma, FALSE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(2, ma, FALSE, 0), WAIT_OBJECT_0);  // manual reset stays set
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);                // a was not consumed
  ResetEvent(m);
  EXPECT_EQ(WaitForMultipleObjects(2, ma, FALSE, 0), WAIT_TIMEOUT);

  // PulseEvent with nobody waiting leaves the event reset.
  EXPECT_TRUE(PulseEvent(m));
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_TIMEOUT);
  for (HANDLE h : {a, b, m}) CloseHandle(h);
}

struct WaitJob {
  HANDLE handles[2];
  DWORD count;
  DWORD ms;
  HANDLE ready;  // set just before the wait
  std::atomic<DWORD> result{0xDEAD};
};

DWORD WaitJobThread(LPVOID param) {
  auto* job = static_cast<WaitJob*>(param);
  SetEvent(job->ready);
  job->result = WaitForMultipleObjects(job->count, job->handles, FALSE, job->ms);
  return 0;
}

TEST_F(KernelObjects, BlockedWaitAnyReportsTheEventThatWasSet) {
  HANDLE a = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE b = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  WaitJob job;
  job.handles[0] = a;
  job.handles[1] = b;
  job.count = 2;
  job.ms = kLongWait;
  job.ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE th = CreateThread(nullptr, 0, WaitJobThread, &job, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(job.ready, kLongWait), WAIT_OBJECT_0);
  SetEvent(b);
  ASSERT_EQ(WaitForSingleObject(th, kLongWait), WAIT_OBJECT_0);
  EXPECT_EQ(job.result.load(), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);  // consumed by the waiter
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT);
  for (HANDLE h : {a, b, job.ready, th}) CloseHandle(h);
}

TEST_F(KernelObjects, AutoResetEventReleasesOneWaiterPerSet) {
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  WaitJob jobs[2];
  HANDLE threads[2];
  for (int i = 0; i < 2; ++i) {
    jobs[i].handles[0] = ev;
    jobs[i].count = 1;
    jobs[i].ms = kLongWait;
    jobs[i].ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    threads[i] = CreateThread(nullptr, 0, WaitJobThread, &jobs[i], 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(jobs[i].ready, kLongWait), WAIT_OBJECT_0);
  }
  SetEvent(ev);
  DWORD first = WaitForMultipleObjects(2, threads, FALSE, kLongWait);
  ASSERT_LT(first, 2u);
  DWORD other = 1 - first;
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(threads[other], &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  SetEvent(ev);
  ASSERT_EQ(WaitForSingleObject(threads[other], kLongWait), WAIT_OBJECT_0);
  EXPECT_EQ(jobs[0].result.load(), WAIT_OBJECT_0);
  EXPECT_EQ(jobs[1].result.load(), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_TIMEOUT);
  for (int i = 0; i < 2; ++i) {
    CloseHandle(threads[i]);
    CloseHandle(jobs[i].ready);
  }
  CloseHandle(ev);
}

// A wait satisfied by one object leaves the queues of all the others, however many times it
// named them: an event set afterwards goes to the next waiter, or stays set when none is left.
TEST_F(KernelObjects, SatisfiedWaitLeavesEveryQueueItStoodIn) {
  HANDLE a = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE e = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  struct Case {
    HANDLE handles[2];
    DWORD count;
    DWORD expected;
  };
  // On e: the first stands there beside a, the second twice, the third alone.
  const Case cases[] = {
      {{a, e}, 2, WAIT_OBJECT_0}, {{e, e}, 2, WAIT_OBJECT_0}, {{e, nullptr}, 1, WAIT_OBJECT_0}};
  WaitJob jobs[3];
  HANDLE threads[3];
  for (int i = 0; i < 3; ++i) {
    jobs[i].handles[0] = cases[i].handles[0];
    jobs[i].handles[1] = cases[i].handles[1];
    jobs[i].count = cases[i].count;
    jobs[i].ms = kLongWait;
    jobs[i].ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    threads[i] = CreateThread(nullptr, 0, WaitJobThread, &jobs[i], 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(jobs[i].ready, kLongWait), WAIT_OBJECT_0);
  }
  SetEvent(a);
  ASSERT_EQ(WaitForSingleObject(threads[0], kLongWait), WAIT_OBJECT_0);
  // Each set of e ends one of the two waits left, whichever queued first.
  HANDLE left[] = {threads[1], threads[2]};
  SetEvent(e);
  const DWORD first = WaitForMultipleObjects(2, left, FALSE, kLongWait);
  ASSERT_LT(first, 2u);
  SetEvent(e);
  ASSERT_EQ(WaitForSingleObject(left[1 - first], kLongWait), WAIT_OBJECT_0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(jobs[i].result.load(), cases[i].expected) << "case " << i;
  SetEvent(e);
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0) << "no finished wait took it";
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT);
  for (int i = 0; i < 3; ++i) {
    CloseHandle(threads[i]);
    CloseHandle(jobs[i].ready);
  }
  CloseHandle(a);
  CloseHandle(e);
}

// Waits that time out race with sets that satisfy them (a satisfied thread is woken after the
// setter let go of the lock): every set still ends exactly one wait, and none is lost.
TEST_F(KernelObjects, EverySetEndsExactlyOneWaitWhileOthersTimeOut) {
  constexpr int kSets = 2000;
  constexpr int kWaiters = 4;
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE taken = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  std::atomic<int> count{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> waiters;
  for (int i = 0; i < kWaiters; ++i) {
    waiters.emplace_back([&] {
      while (!stop) {
        if (WaitForSingleObject(ev, 1) == WAIT_OBJECT_0) {
          ++count;
          SetEvent(taken);
        }
      }
    });
  }
  int acknowledged = 0;
  for (int i = 0; i < kSets; ++i) {
    SetEvent(ev);
    if (WaitForSingleObject(taken, kLongWait) != WAIT_OBJECT_0) break;
    ++acknowledged;
  }
  stop = true;
  for (std::thread& t : waiters) t.join();
  EXPECT_EQ(acknowledged, kSets);
  EXPECT_EQ(count.load(), kSets);
  EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_TIMEOUT);
  CloseHandle(ev);
  CloseHandle(taken);
}

TEST_F(KernelObjects, EventDataTravelsWithTheNamedEvent) {
  HANDLE driver = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_ADB_USB_IN");
  EXPECT_TRUE(SetEventData(driver, 255));
  HANDLE program = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"EVENT_ADB_USB_IN");
  EXPECT_EQ(GetEventData(program), 255u);
  EXPECT_TRUE(SetEventData(program, 0));
  EXPECT_EQ(GetEventData(driver), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(driver);
  CloseHandle(program);
  EXPECT_EQ(GetEventData(program), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

struct MutexProbe {
  HANDLE mutex;
  std::atomic<DWORD> firstWait{0};
  std::atomic<BOOL> releasedForeign{TRUE};
  std::atomic<DWORD> releaseError{0};
};

DWORD ProbeMutexThread(LPVOID param) {
  auto* probe = static_cast<MutexProbe*>(param);
  probe->releasedForeign = ReleaseMutex(probe->mutex);
  probe->releaseError = GetLastError();
  probe->firstWait = WaitForSingleObject(probe->mutex, 0);
  return 0;
}

DWORD TakeMutexThread(LPVOID param) {
  auto* probe = static_cast<MutexProbe*>(param);
  DWORD r = WaitForSingleObject(probe->mutex, kLongWait);
  if (r == WAIT_OBJECT_0) ReleaseMutex(probe->mutex);
  return r;
}

TEST_F(KernelObjects, NamedMutexIsOwnedRecursivelyByOneThread) {
  HANDLE m = CreateMutexW(nullptr, TRUE, u"CUI_MAIN_VT_CORVANE_MUTEX");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE again = CreateMutexW(nullptr, TRUE, u"CUI_MAIN_VT_CORVANE_MUTEX");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));  // the single-instance test
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);                  // recursion: count 2

  MutexProbe probe;
  probe.mutex = m;
  HANDLE th = CreateThread(nullptr, 0, ProbeMutexThread, &probe, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(th, kLongWait), WAIT_OBJECT_0);
  CloseHandle(th);
  EXPECT_EQ(probe.firstWait.load(), WAIT_TIMEOUT);
  EXPECT_FALSE(probe.releasedForeign.load());
  EXPECT_EQ(probe.releaseError.load(), static_cast<DWORD>(ERROR_NOT_OWNER));

  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(again));  // the second handle names the same mutex
  EXPECT_FALSE(ReleaseMutex(m));
  th = CreateThread(nullptr, 0, TakeMutexThread, &probe, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(th, kLongWait), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(th, &code);
  EXPECT_EQ(code, WAIT_OBJECT_0);
  for (HANDLE h : {th, m, again}) CloseHandle(h);
}

struct CsProbe {
  CRITICAL_SECTION* cs;
  std::atomic<BOOL> got{FALSE};
};

DWORD TryEnterThread(LPVOID param) {
  auto* probe = static_cast<CsProbe*>(param);
  probe->got = TryEnterCriticalSection(probe->cs);
  if (probe->got) LeaveCriticalSection(probe->cs);
  return 0;
}

BOOL TryFromOtherThread(CRITICAL_SECTION* cs) {
  CsProbe probe;
  probe.cs = cs;
  HANDLE th = CreateThread(nullptr, 0, TryEnterThread, &probe, 0, nullptr);
  WaitForSingleObject(th, kLongWait);
  CloseHandle(th);
  return probe.got.load();
}

TEST_F(KernelObjects, CriticalSectionIsRecursive) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  EXPECT_FALSE(TryFromOtherThread(&cs));
  LeaveCriticalSection(&cs);
  EXPECT_FALSE(TryFromOtherThread(&cs));
  LeaveCriticalSection(&cs);
  EXPECT_TRUE(TryFromOtherThread(&cs));
  DeleteCriticalSection(&cs);
}

struct GatedJob {
  HANDLE gate;
  HANDLE done;
  int priorityInside = 0;
};

DWORD GatedThread(LPVOID param) {
  auto* job = static_cast<GatedJob*>(param);
  if (WaitForSingleObject(job->gate, kLongWait) != WAIT_OBJECT_0) return 1;
  job->priorityInside = CeGetThreadPriority(GetCurrentThread());
  CeSetThreadPriority(GetCurrentThread(), 248);
  if (job->done) SetEvent(job->done);
  return 7;
}

TEST_F(KernelObjects, ThreadHandleIsSignalledWhenTheThreadEnds) {
  GatedJob job{CreateEventW(nullptr, TRUE, FALSE, nullptr), nullptr};
  DWORD id = 0;
  HANDLE th = CreateThread(nullptr, 0, GatedThread, &job, 0, &id);
  ASSERT_NE(th, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_EQ(CeGetThreadPriority(th), 251);
  EXPECT_TRUE(CeSetThreadPriority(th, 250));
  EXPECT_FALSE(CeSetThreadPriority(th, 256));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WaitForSingleObject(th, 0), WAIT_TIMEOUT);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(th, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));

  SetEvent(job.gate);
  ASSERT_EQ(WaitForSingleObject(th, kLongWait), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(th, 0), WAIT_OBJECT_0);  // stays signalled
  EXPECT_TRUE(GetExitCodeThread(th, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(job.priorityInside, 250);
  EXPECT_EQ(CeGetThreadPriority(th), 248);
  CloseHandle(th);
  CloseHandle(job.gate);
}

TEST_F(KernelObjects, ClosingAThreadHandleDoesNotStopTheThread) {
  GatedJob job{CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE th = CreateThread(nullptr, 0, GatedThread, &job, 0, nullptr);
  EXPECT_TRUE(CloseHandle(th));
  EXPECT_FALSE(CloseHandle(th));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetEvent(job.gate);
  EXPECT_EQ(WaitForSingleObject(job.done, kLongWait), WAIT_OBJECT_0);
  CloseHandle(job.gate);
  CloseHandle(job.done);
}

TEST_F(KernelObjects, SuspendedThreadRunsOnlyAfterResume) {
  GatedJob job{CreateEventW(nullptr, TRUE, TRUE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE th = CreateThread(nullptr, 0, GatedThread, &job, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(WaitForSingleObject(job.done, 0), WAIT_TIMEOUT);
  EXPECT_EQ(ResumeThread(th), 1u);
  EXPECT_EQ(WaitForSingleObject(th, kLongWait), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(job.done, 0), WAIT_OBJECT_0);
  EXPECT_EQ(ResumeThread(th), 0u);
  for (HANDLE h : {th, job.gate, job.done}) CloseHandle(h);
}

TEST_F(KernelObjects, InvalidHandlesFail) {
  HANDLE closed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(closed);
  for (HANDLE h : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, closed}) {
    SetLastError(0);
    EXPECT_FALSE(SetEvent(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_FALSE(ReleaseMutex(h));
    EXPECT_EQ(CeGetThreadPriority(h), 0x7FFFFFFF);
  }
  HANDLE ev = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForMultipleObjects(1, &ev, TRUE, 0), WAIT_FAILED);  // wait-all is not offered
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  HANDLE mixed[] = {ev, closed};
  EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_OBJECT_0);  // the failed wait consumed nothing
  CloseHandle(ev);
}

TEST_F(KernelObjects, ClosingAHandleWhileAnotherThreadWaitsOnItIsSafe) {
  constexpr int kWaiters = 6;
  HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, u"EVENT_USB_WRITE");
  HANDLE keep = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"EVENT_USB_WRITE");
  WaitJob jobs[kWaiters];
  HANDLE threads[kWaiters];
  for (int i = 0; i < kWaiters; ++i) {
    jobs[i].handles[0] = ev;
    jobs[i].count = 1;
    jobs[i].ms = kLongWait;
    jobs[i].ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    threads[i] = CreateThread(nullptr, 0, WaitJobThread, &jobs[i], 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(jobs[i].ready, kLongWait), WAIT_OBJECT_0);
  }
  EXPECT_TRUE(CloseHandle(ev));
  // A wait that was under way keeps the event alive, so the other handle still ends it; a wait
  // that only started after the close fails at once.
  SetEvent(keep);
  for (int i = 0; i < kWaiters; ++i) {
    ASSERT_EQ(WaitForSingleObject(threads[i], kLongWait), WAIT_OBJECT_0);
    DWORD r = jobs[i].result.load();
    EXPECT_TRUE(r == WAIT_OBJECT_0 || r == WAIT_FAILED) << r;
    CloseHandle(threads[i]);
    CloseHandle(jobs[i].ready);
  }
  CloseHandle(keep);
}

TEST_F(KernelObjects, TickSourceCanBeSwappedAndWaitsStillEnd) {
  DWORD fake = 0xFFFFFFF0u;
  wce::SetTickSource([&] { return fake; });
  DWORD start = GetTickCount();
  fake += 0x20;
  EXPECT_EQ(GetTickCount() - start, 0x20u);  // 32-bit wrap, as callers compute intervals
  // A frozen clock does not hold up timeouts.
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(ev, 20), WAIT_TIMEOUT);
  CloseHandle(ev);
  wce::SetTickSource(nullptr);
  DWORD a = GetTickCount();
  DWORD b = GetTickCount();
  EXPECT_LT(b - a, 0x80000000u);  // not running backwards
}

TEST_F(KernelObjects, ManualTickMovesOnlyBySleepAndAdvance) {
  wce::SetManualTick(0xFFFFFFF0u);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  wce::AdvanceTick(0x10);
  EXPECT_EQ(GetTickCount(), 0u);  // wraps at 32 bits
  // A day's Sleep returns at once and the day has passed on the clock.
  Sleep(86400000u);
  EXPECT_EQ(GetTickCount(), 86400000u);
  Sleep(0);
  EXPECT_EQ(GetTickCount(), 86400000u);
  // A thread pacing itself with Sleep sees the time it slept, however the threads are scheduled.
  HANDLE paced = CreateThread(
      nullptr, 0,
      [](LPVOID) -> DWORD {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 1000) Sleep(10);
        return 0;
      },
      nullptr, 0, nullptr);
  ASSERT_NE(paced, nullptr);
  EXPECT_EQ(WaitForSingleObject(paced, 10000), WAIT_OBJECT_0);
  CloseHandle(paced);
  EXPECT_GE(GetTickCount() - 86400000u, 1000u);
  wce::SetTickSource(nullptr);
  wce::AdvanceTick(5);  // nothing to move: the real clock is back
  DWORD a = GetTickCount();
  DWORD b = GetTickCount();
  EXPECT_LT(b - a, 0x80000000u);
}

TEST_F(KernelObjects, AHeldClockStandsThroughRealTimeAndRunsOnFromWhereItStood) {
  wce::HoldTick();
  const DWORD held = GetTickCount();
  // Real time passes for Sleep and for a wait's timeout; the clock does not.
  Sleep(30);
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(never, 30), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(never);
  EXPECT_EQ(GetTickCount(), held);
  EXPECT_EQ(wce::RealWaitForTicks(100), INFINITE);
  wce::HoldTick();  // held already: it stays where it is
  EXPECT_EQ(GetTickCount(), held);
  wce::AdvanceTick(211);
  EXPECT_EQ(GetTickCount(), held + 211);

  const auto before = std::chrono::steady_clock::now();
  wce::ReleaseTick();
  const DWORD after = GetTickCount();
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before);
  // On from the held tick: never back, and not on by the time it stood.
  EXPECT_LT(after - (held + 211), 0x80000000u);
  EXPECT_LE(after - (held + 211), static_cast<DWORD>(elapsed.count()) + 1);
  EXPECT_EQ(wce::RealWaitForTicks(100), 100u);
  wce::AdvanceTick(5000);  // a running clock is not moved by hand
  EXPECT_LT(GetTickCount() - after, 5000u);
}

DWORD LastErrorThread(LPVOID) {
  DWORD seen = GetLastError();
  SetLastError(ERROR_GEN_FAILURE);
  return seen;
}

TEST_F(KernelObjects, LastErrorIsPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  HANDLE th = CreateThread(nullptr, 0, LastErrorThread, nullptr, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(th, kLongWait), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeThread(th, &code);
  EXPECT_EQ(code, static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(th);
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
