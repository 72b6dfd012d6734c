// The process's windows, window classes and per-thread message queues. Lock order: the broadcast
// lock, then the window table lock, then a queue's lock; window procedures and the broadcast tap
// are never called with the window table locked.
#pragma once

#include "user/CMessageQueue.h"
#include "user/user.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct WindowRecord {
  HWND hwnd = nullptr;
  std::u16string className;
  std::u16string title;
  WNDPROC proc = nullptr;
  DWORD style = 0;  // WS_VISIBLE here is the window's visibility
  DWORD exStyle = 0;
  RECT rect = {0, 0, 0, 0};  // screen coordinates
  LONG_PTR userData = 0;
  HWND parent = nullptr;
  bool destroying = false;
  std::shared_ptr<CMessageQueue> owner;
};

class CWindowManager {
 public:
  static CWindowManager& GetInstance();

  // The calling thread's queue, made on first use and closed when the thread ends.
  std::shared_ptr<CMessageQueue> CurrentQueue();
  std::shared_ptr<CMessageQueue> QueueOfThread(DWORD threadId);

  ATOM AddClass(const WNDCLASSW& wc, DWORD* error);
  bool FindClass(LPCWSTR name, WNDCLASSW* wc, std::u16string* spelling);

  HWND Add(WindowRecord record);
  bool Get(HWND hwnd, WindowRecord* record);
  // The window's rectangle alone, without a copy of its texts.
  bool GetRect(HWND hwnd, RECT* rect);
  // Runs `change` on the window under the table lock; false when there is no such window.
  bool Change(HWND hwnd, const std::function<void(WindowRecord&)>& change);
  void Remove(HWND hwnd);
  // Top-level windows, oldest first.
  std::vector<WindowRecord> TopLevel();

  bool PostTo(HWND hwnd, const MSG& msg);
  void Broadcast(const MSG& msg);
  // Runs the broadcast tap (if one is set) for a broadcast that is about to go out.
  void Tap(UINT msg, WPARAM wParam, LPARAM lParam);
  void SetTap(std::function<void(UINT, WPARAM, LPARAM)> tap);

  void OnThreadExit(const std::shared_ptr<CMessageQueue>& queue);
  void Reset();

 private:
  CWindowManager();

  struct ClassRecord {
    std::u16string name;
    WNDCLASSW wc;
    ATOM atom;
  };

  std::recursive_mutex m_broadcastMutex;  // keeps the tap's order the windows' order
  std::function<void(UINT, WPARAM, LPARAM)> m_tap;
  std::mutex m_mutex;
  std::map<uintptr_t, WindowRecord> m_windows;  // handles only grow, so this is creation order
  uintptr_t m_nextHandle = 0x10000;
  std::vector<ClassRecord> m_classes;
  ATOM m_nextAtom = 0xC000;
  std::map<DWORD, std::shared_ptr<CMessageQueue>> m_queues;
};
