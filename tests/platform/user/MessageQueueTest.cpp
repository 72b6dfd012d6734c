// Registered messages, posting, sending across threads, broadcasts, timers and the quit message.
#include "tests/platform/user/UserTestSupport.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/UserHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

using namespace usertest;

namespace {

class MessageQueueTest : public UserTest {};

TEST_F(MessageQueueTest, SameNameGivesSameRegisteredNumber) {
  const UINT usbOut = RegisterWindowMessageW(u"WMMSG_CORVANE_USB_OUT");
  const UINT showHide = RegisterWindowMessageW(u"NMSG_CORVANE_SHOWHIDE");
  struct Case {
    const char16_t* name;
    UINT expected;
  } cases[] = {
      {u"WMMSG_CORVANE_USB_OUT", usbOut},  // registered a second time by another part of the program
      {u"wmmsg_corvane_usb_out", usbOut},
      {u"NMSG_CORVANE_SHOWHIDE", showHide},
      {u"Nmsg_Corvane_ShowHide", showHide},
  };
  EXPECT_GE(usbOut, 0xC000u);
  EXPECT_GE(showHide, 0xC000u);
  EXPECT_NE(usbOut, showHide);
  for (const Case& c : cases) EXPECT_EQ(c.expected, RegisterWindowMessageW(c.name));

  EXPECT_EQ(u"WMMSG_CORVANE_USB_OUT", wce::GetRegisteredMessageName(usbOut));
  EXPECT_EQ(u"NMSG_CORVANE_SHOWHIDE", wce::GetRegisteredMessageName(showHide));
  EXPECT_EQ(u"", wce::GetRegisteredMessageName(WM_TIMER));
  EXPECT_EQ(u"", wce::GetRegisteredMessageName(showHide + 1));
  EXPECT_EQ(0u, RegisterWindowMessageW(u""));
  EXPECT_EQ(0u, RegisterWindowMessageW(nullptr));
}

TEST_F(MessageQueueTest, PostedMessagesCarryTheirPostingTime) {
  std::atomic<DWORD> tick{1000};
  wce::SetTickSource([&] { return tick.load(); });
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  ASSERT_NE(nullptr, hwnd);

  const DWORD times[] = {1000, 2500, 0xFFFFFFF0u};
  for (DWORD t : times) {
    tick = t;
    ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 5, t, 0));
  }
  tick = 5;  // taking the message later does not restamp it
  for (DWORD t : times) {
    MSG msg;
    ASSERT_EQ(TRUE, GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(hwnd, msg.hwnd);
    EXPECT_EQ(static_cast<UINT>(WM_USER + 5), msg.message);
    EXPECT_EQ(t, msg.time);
    EXPECT_EQ(static_cast<LONG>(t), GetMessageTime());
  }
}

TEST_F(MessageQueueTest, MessagesAndSleepShareTheManualTick) {
  wce::SetManualTick(70000);
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  ASSERT_NE(nullptr, hwnd);
  ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 1, 0, 0));
  Sleep(250);  // moves the one clock the messages read
  ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 2, 0, 0));
  wce::AdvanceTick(30);
  ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 3, 0, 0));
  for (DWORD expected : {70000u, 70250u, 70280u}) {
    MSG msg;
    ASSERT_EQ(TRUE, GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(expected, msg.time);
  }
  EXPECT_EQ(70280u, GetTickCount());
}

TEST_F(MessageQueueTest, PostQuitMessageEndsGetMessageAfterThePostedMessages) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  PostMessageW(hwnd, WM_USER + 1, 0, 0);
  PostQuitMessage(7);
  PostMessageW(hwnd, WM_USER + 2, 0, 0);

  MSG msg;
  ASSERT_EQ(TRUE, GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(static_cast<UINT>(WM_USER + 1), msg.message);
  ASSERT_EQ(TRUE, GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(static_cast<UINT>(WM_USER + 2), msg.message);
  ASSERT_EQ(FALSE, GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
  EXPECT_EQ(7u, msg.wParam);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));  // the quit request was taken
}

// WM_QUIT waits for every posted message but not for paint or timers, comes once however often
// PostQuitMessage was called (with the last code), and stays while only peeked at.
TEST_F(MessageQueueTest, QuitComesOnceThePostedMessagesAreTaken) {
  struct Case {
    const char* what;
    std::function<void(HWND)> queue;
    std::vector<UINT> expected;  // what the queue gives, in order, until it is empty
    WPARAM quitCode;
  } cases[] = {
      {"a message posted after the quit goes first",
       [](HWND h) {
         PostQuitMessage(1);
         PostMessageW(h, WM_USER, 0, 0);
       },
       {WM_USER, WM_QUIT},
       1},
      {"a due timer and a paint come after the quit",
       [](HWND h) {
         SetTimer(h, 9, 10, nullptr);
         wce::AdvanceTick(10);
         InvalidateRect(h, nullptr, FALSE);
         PostQuitMessage(2);
       },
       {WM_QUIT, WM_PAINT, WM_TIMER},
       2},
      {"twice gives one quit with the last code",
       [](HWND) {
         PostQuitMessage(3);
         PostQuitMessage(4);
       },
       {WM_QUIT},
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    wce::SetManualTick(100);
    Recorder recorder;
    HWND hwnd = MakeWindow(&recorder, u"", WS_POPUP | WS_VISIBLE);
    ValidateRect(hwnd, nullptr);
    c.queue(hwnd);
    MSG peeked;
    ASSERT_TRUE(PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    std::vector<UINT> got;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && got.size() < 8) {
      if (msg.message == WM_QUIT) {
        EXPECT_EQ(c.quitCode, msg.wParam);
      }
      if (msg.message == WM_PAINT) ValidateRect(hwnd, nullptr);
      if (msg.message == WM_TIMER) KillTimer(hwnd, msg.wParam);
      got.push_back(msg.message);
    }
    EXPECT_EQ(c.expected, got);
    DestroyWindow(hwnd);
  }
}

TEST_F(MessageQueueTest, BlockedGetMessageWakesForAPostAndForQuit) {
  std::atomic<DWORD> threadId{0};
  std::promise<void> ready;
  std::vector<UINT> got;
  int result = -2;
  Worker loop([&] {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists from here on
    threadId = GetCurrentThreadId();
    ready.set_value();
    while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) got.push_back(msg.message);
  });
  ASSERT_EQ(std::future_status::ready, ready.get_future().wait_for(std::chrono::seconds(5)));
  EXPECT_TRUE(PostThreadMessageW(threadId, WM_USER + 3, 0, 0));
  EXPECT_TRUE(PostThreadMessageW(threadId, WM_QUIT, 0, 0));
  ASSERT_TRUE(loop.JoinWithin());
  EXPECT_EQ(0, result);
  EXPECT_EQ(std::vector<UINT>{WM_USER + 3}, got);
  EXPECT_FALSE(PostThreadMessageW(threadId, WM_USER + 3, 0, 0));  // the thread and its queue are gone
}

TEST_F(MessageQueueTest, PeekMessageRemovesOnlyWithPmRemove) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  PostMessageW(hwnd, WM_USER + 9, 1, 2);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_USER + 9), msg.message);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, BroadcastReachesTheTapAndEveryTopLevelWindowInOrder) {
  const UINT usbOut = RegisterWindowMessageW(u"WMMSG_CORVANE_USB_OUT");
  const UINT rate = RegisterWindowMessageW(u"INNER_MSG_FRAME_RATE_CHANGE");
  std::vector<std::tuple<UINT, WPARAM, LPARAM>> tapped;
  wce::SetBroadcastTap([&](UINT msg, WPARAM w, LPARAM l) { tapped.emplace_back(msg, w, l); });
  Recorder first, second, child;
  HWND a = MakeWindow(&first);
  HWND b = MakeWindow(&second);
  HWND c = CreateWindowExW(0, kClass, u"", WS_CHILD, 0, 0, 1, 1, a, nullptr, nullptr, &child);
  ASSERT_NE(nullptr, c);

  // Posted from another thread, as the USB threads and receivers do.
  Worker poster([&] {
    PostMessageW(HWND_BROADCAST, usbOut, 0, 1);
    PostMessageW(HWND_BROADCAST, rate, 0, 3);
    PostMessageW(HWND_BROADCAST, usbOut, 0, 0);
  });
  ASSERT_TRUE(poster.JoinWithin());

  const std::vector<std::tuple<UINT, WPARAM, LPARAM>> expected = {
      {usbOut, 0, 1}, {rate, 0, 3}, {usbOut, 0, 0}};
  EXPECT_EQ(expected, tapped);

  // One queue holds both windows: each broadcast reaches the older window first.
  std::vector<std::pair<HWND, LPARAM>> order;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    order.emplace_back(msg.hwnd, msg.lParam);
    DispatchMessageW(&msg);
  }
  const std::vector<std::pair<HWND, LPARAM>> expectedOrder = {{a, 1}, {b, 1}, {a, 3}, {b, 3}, {a, 0}, {b, 0}};
  EXPECT_EQ(expectedOrder, order);
  for (Recorder* r : {&first, &second}) {
    std::vector<LPARAM> seen;
    for (const Seen& s : r->Of(usbOut)) seen.push_back(s.lParam);
    for (const Seen& s : r->Of(rate)) seen.push_back(s.lParam);
    EXPECT_EQ((std::vector<LPARAM>{1, 0, 3}), seen);
  }
  EXPECT_TRUE(child.Of(usbOut).empty());  // child windows are not top-level
}

// Whoever acts on what the tap reported (a test reading a program's message lines) posts after the
// broadcast: the post must not overtake it on its way to the windows.
TEST_F(MessageQueueTest, APostMadeOnceTheTapSawABroadcastIsQueuedBehindIt) {
  const UINT report = RegisterWindowMessageW(u"MESSAGE_CMD_REV");
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  std::promise<void> tapped;
  std::atomic<bool> posted{false};
  Worker reactor([&] {
    tapped.get_future().wait();
    PostMessageW(hwnd, WM_USER + 5, 0, 0);
    posted = true;
  });
  wce::SetBroadcastTap([&](UINT, WPARAM, LPARAM) {
    tapped.set_value();
    // The reactor's post may not land while the broadcast is under way; this bounds the wait for
    // the post that must not come.
    for (int i = 0; i < 50 && !posted; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  });
  Worker broadcaster([&] { PostMessageW(HWND_BROADCAST, report, 0, 0x1C); });
  ASSERT_TRUE(broadcaster.JoinWithin());
  ASSERT_TRUE(reactor.JoinWithin());
  wce::SetBroadcastTap(nullptr);

  std::vector<UINT> order;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) order.push_back(msg.message);
  EXPECT_EQ((std::vector<UINT>{report, WM_USER + 5}), order);
}

TEST_F(MessageQueueTest, SendMessageAcrossThreadsRunsOnTheOwnerAndReturnsItsAnswer) {
  Recorder mainRecorder, workerRecorder;
  HWND mainWnd = MakeWindow(&mainRecorder);
  std::atomic<HWND> workerWnd{nullptr};
  std::atomic<LRESULT> answer{-1};
  std::atomic<bool> finished{false};
  // The owner, while answering, sends back to the waiting thread's own window: the waiting sender
  // must answer that meanwhile instead of deadlocking.
  mainRecorder.onAnswer = [&](HWND, WPARAM w, LPARAM l) {
    return static_cast<LRESULT>(w) + l + SendMessageW(workerWnd.load(), kAnswer, 10, 20);
  };
  Worker sender([&] {
    workerWnd = MakeWindow(&workerRecorder);
    answer = SendMessageW(mainWnd, kAnswer, 2, 3);
    finished = true;
    PostMessageW(mainWnd, WM_NULL, 0, 0);  // wake the owner's loop
    DestroyWindow(workerWnd.load());
  });
  EXPECT_TRUE(PumpUntil([&] { return finished.load(); }));
  ASSERT_TRUE(sender.JoinWithin());
  EXPECT_EQ(35, answer.load());
  ASSERT_EQ(1u, mainRecorder.Of(kAnswer).size());
  EXPECT_EQ(std::this_thread::get_id(), mainRecorder.Of(kAnswer)[0].thread);
  ASSERT_EQ(1u, workerRecorder.Of(kAnswer).size());
  EXPECT_NE(std::this_thread::get_id(), workerRecorder.Of(kAnswer)[0].thread);
  EXPECT_EQ(10u, workerRecorder.Of(kAnswer)[0].wParam);
}

TEST_F(MessageQueueTest, SendToAWindowWhoseThreadEndsReturnsZero) {
  Recorder recorder;
  std::atomic<HWND> wnd{nullptr};
  std::promise<void> created;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  Worker owner([&] {
    wnd = MakeWindow(&recorder);
    created.set_value();
    released.wait_for(std::chrono::seconds(5));  // never pumps its queue
  });
  ASSERT_EQ(std::future_status::ready, created.get_future().wait_for(std::chrono::seconds(5)));
  std::atomic<LRESULT> answer{-1};
  Worker sender([&] { answer = SendMessageW(wnd.load(), kAnswer, 1, 1); });
  release.set_value();
  ASSERT_TRUE(owner.JoinWithin());
  ASSERT_TRUE(sender.JoinWithin());
  EXPECT_EQ(0, answer.load());
  EXPECT_FALSE(IsWindow(wnd.load()));
}

TEST_F(MessageQueueTest, TimerSetFromAnotherThreadFiresOnTheOwnerLoop) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  Worker setter([&] { EXPECT_EQ(338u, SetTimer(hwnd, 338, 10, nullptr)); });
  ASSERT_TRUE(setter.JoinWithin());
  ASSERT_TRUE(PumpUntil([&] { return recorder.Of(WM_TIMER).size() >= 2; }));
  const std::vector<Seen> timers = recorder.Of(WM_TIMER);
  for (const Seen& s : timers) {
    EXPECT_EQ(hwnd, s.hwnd);
    EXPECT_EQ(338u, s.wParam);
    EXPECT_EQ(0, s.lParam);
    EXPECT_EQ(std::this_thread::get_id(), s.thread);
  }

  Worker killer([&] { EXPECT_TRUE(KillTimer(hwnd, 338)); });
  ASSERT_TRUE(killer.JoinWithin());
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(KillTimer(hwnd, 338));
}

std::atomic<int> g_timerProcCalls{0};
std::thread::id g_timerProcThread;
void CountingTimerProc(HWND, UINT msg, UINT_PTR id, DWORD) {
  if (msg == WM_TIMER && id == 1365) {
    g_timerProcThread = std::this_thread::get_id();
    ++g_timerProcCalls;
  }
}

TEST_F(MessageQueueTest, TimerProcRunsInsteadOfTheWindowProcedure) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  g_timerProcCalls = 0;
  Worker setter([&] { SetTimer(hwnd, 1365, 10, CountingTimerProc); });
  ASSERT_TRUE(setter.JoinWithin());
  ASSERT_TRUE(PumpUntil([&] { return g_timerProcCalls.load() >= 1; }));
  EXPECT_EQ(std::this_thread::get_id(), g_timerProcThread);
  EXPECT_TRUE(recorder.Of(WM_TIMER).empty());
  KillTimer(hwnd, 1365);
}

TEST_F(MessageQueueTest, PostedTimerWithAForeignProcedureIsNotCalled) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  g_timerProcCalls = 0;
  // No timer 1365 exists: a WM_TIMER naming a procedure must not become a call through it.
  PostMessageW(hwnd, WM_TIMER, 1365, reinterpret_cast<LPARAM>(CountingTimerProc));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  DispatchMessageW(&msg);
  EXPECT_EQ(0, g_timerProcCalls.load());
}

TEST_F(MessageQueueTest, DestroyedWindowLosesItsTimersAndMessages) {
  Recorder recorder;
  HWND hwnd = MakeWindow(&recorder);
  SetTimer(hwnd, 1, 10, nullptr);
  PostMessageW(hwnd, WM_USER, 0, 0);
  ASSERT_TRUE(DestroyWindow(hwnd));
  EXPECT_EQ(1u, recorder.Of(WM_DESTROY).size());
  EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(0u, SetTimer(hwnd, 1, 10, nullptr));
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

}  // namespace
