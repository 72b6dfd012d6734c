// Shared pieces of the USER tests: a window procedure that records what it sees, and bounded
// message loops (every wait ends: a watchdog posts to the waiting thread when time is up).
#pragma once

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace usertest {

const WCHAR kClass[] = u"TestWnd";
const UINT kWatchdog = WM_USER + 0x3FF;
const UINT kAnswer = WM_USER + 1;  // the procedure answers wParam + lParam

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  std::thread::id thread;
};

class Recorder {
 public:
  void Add(const Seen& s) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_seen.push_back(s);
  }
  std::vector<Seen> Of(UINT msg) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Seen> result;
    for (const Seen& s : m_seen) {
      if (s.msg == msg) result.push_back(s);
    }
    return result;
  }
  // Called from the procedure for kAnswer; may send further.
  std::function<LRESULT(HWND, WPARAM, LPARAM)> onAnswer;

 private:
  std::mutex m_mutex;
  std::vector<Seen> m_seen;
};

inline LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    const CREATESTRUCTW* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  Recorder* recorder = reinterpret_cast<Recorder*>(GetWindowLongW(hwnd, GWL_USERDATA));
  if (recorder != nullptr) recorder->Add(Seen{hwnd, msg, wParam, lParam, std::this_thread::get_id()});
  if (msg == kAnswer) {
    if (recorder != nullptr && recorder->onAnswer) return recorder->onAnswer(hwnd, wParam, lParam);
    return static_cast<LRESULT>(wParam) + lParam;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

inline void RegisterTestClass() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
}

// Each test on a clean window system (no windows, classes, timers or queued messages; the
// recording class registered) and the kernel's own clock back afterwards.
class UserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wce::ResetUser();
    RegisterTestClass();
  }
  void TearDown() override {
    wce::ResetUser();
    wce::SetTickSource(nullptr);
  }
};

inline HWND MakeWindow(Recorder* recorder, LPCWSTR title = u"", DWORD style = WS_POPUP) {
  return CreateWindowExW(0, kClass, title, style, 0, 0, 100, 50, nullptr, nullptr, nullptr, recorder);
}

// Posts kWatchdog to a thread when its time is up, unless stopped first.
class Watchdog {
 public:
  Watchdog(DWORD threadId, int ms)
      : m_thread([this, threadId, ms] {
          std::unique_lock<std::mutex> lock(m_mutex);
          if (!m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopped; })) {
            PostThreadMessageW(threadId, kWatchdog, 0, 0);
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stopped = true;
    }
    m_wake.notify_all();
    m_thread.join();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_stopped = false;
  std::thread m_thread;
};

// Runs this thread's loop until `done` holds after a dispatch. False on WM_QUIT or when the
// watchdog fired first.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  MSG probe;
  PeekMessageW(&probe, nullptr, 0, 0, PM_NOREMOVE);  // the queue must exist for the watchdog
  if (done()) return true;
  Watchdog watchdog(GetCurrentThreadId(), timeoutMs);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == kWatchdog) return false;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (done()) return true;
  }
  return false;
}

// A thread that should end by itself; one still running after the timeout is a failure and is
// left detached so the test ends.
class Worker {
 public:
  explicit Worker(std::function<void()> body) {
    auto finished = std::make_shared<std::promise<void>>();
    m_done = finished->get_future();
    m_thread = std::thread([finished, body] {
      body();
      finished->set_value();
    });
  }
  ~Worker() {
    if (m_thread.joinable()) m_thread.detach();
  }
  bool JoinWithin(int timeoutMs = 5000) {
    if (m_done.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) return false;
    m_thread.join();
    return true;
  }

 private:
  std::future<void> m_done;
  std::thread m_thread;
};

}  // namespace usertest
