#include "user/CWindowManager.h"

#include "kernel/kernel.h"

namespace {
// Handles advance by this step and are never reused, so a stale handle stays invalid.
const uintptr_t kHandleStep = 4;

struct ThreadQueue {
  std::shared_ptr<CMessageQueue> queue;
  ~ThreadQueue() {
    if (queue) CWindowManager::GetInstance().OnThreadExit(queue);
  }
};
thread_local ThreadQueue t_queue;

uintptr_t Key(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }
}  // namespace

CWindowManager& CWindowManager::GetInstance() {
  // Never destroyed: thread-exit hooks of late threads still reach it.
  static CWindowManager* instance = new CWindowManager();
  return *instance;
}

std::shared_ptr<CMessageQueue> CWindowManager::CurrentQueue() {
  if (!t_queue.queue) {
    auto queue = std::make_shared<CMessageQueue>(GetCurrentThreadId());
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queues_[queue->ThreadId()] = queue;
    }
    t_queue.queue = queue;
  }
  return t_queue.queue;
}

std::shared_ptr<CMessageQueue> CWindowManager::QueueOfThread(DWORD threadId) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = queues_.find(threadId);
  return it == queues_.end() ? nullptr : it->second;
}

ATOM CWindowManager::AddClass(const WNDCLASSW& wc, DWORD* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const ClassRecord& c : classes_) {
    if (_wcsicmp(c.name.c_str(), wc.lpszClassName) == 0) {
      *error = ERROR_CLASS_ALREADY_EXISTS;
      return 0;
    }
  }
  if (nextAtom_ == 0) {   // wrapped past 0xFFFF
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return 0;
  }
  ClassRecord record{wc.lpszClassName, wc, nextAtom_++};
  // The caller's strings need not outlive the call.
  record.wc.lpszClassName = nullptr;
  record.wc.lpszMenuName = nullptr;
  classes_.push_back(record);
  return record.atom;
}

bool CWindowManager::FindClass(LPCWSTR name, WNDCLASSW* wc, std::u16string* spelling) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const ClassRecord& c : classes_) {
    if (_wcsicmp(c.name.c_str(), name) == 0) {
      *wc = c.wc;
      *spelling = c.name;
      return true;
    }
  }
  return false;
}

HWND CWindowManager::Add(WindowRecord record) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uintptr_t key = nextHandle_;
  nextHandle_ += kHandleStep;
  record.hwnd = reinterpret_cast<HWND>(key);
  windows_[key] = std::move(record);
  return reinterpret_cast<HWND>(key);
}

bool CWindowManager::Get(HWND hwnd, WindowRecord* record) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = windows_.find(Key(hwnd));
  if (it == windows_.end()) return false;
  if (record != nullptr) *record = it->second;
  return true;
}

bool CWindowManager::GetRect(HWND hwnd, RECT* rect) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = windows_.find(Key(hwnd));
  if (it == windows_.end()) return false;
  *rect = it->second.rect;
  return true;
}

bool CWindowManager::Change(HWND hwnd, const std::function<void(WindowRecord&)>& change) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = windows_.find(Key(hwnd));
  if (it == windows_.end()) return false;
  change(it->second);
  return true;
}

void CWindowManager::Remove(HWND hwnd) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = windows_.find(Key(hwnd));
  if (it == windows_.end()) return;
  // Under the table lock, so no post can slip in for the window after its messages are dropped.
  it->second.owner->DropWindow(hwnd);
  windows_.erase(it);
}

std::vector<WindowRecord> CWindowManager::TopLevel() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<WindowRecord> result;
  for (const auto& entry : windows_) {
    if ((entry.second.style & WS_CHILD) == 0) result.push_back(entry.second);
  }
  return result;
}

bool CWindowManager::PostTo(HWND hwnd, const MSG& msg) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = windows_.find(Key(hwnd));
  if (it == windows_.end()) return false;
  return it->second.owner->Post(msg);
}

void CWindowManager::Broadcast(const MSG& msg) {
  std::lock_guard<std::recursive_mutex> order(broadcastMutex_);
  Tap(msg.message, msg.wParam, msg.lParam);
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& entry : windows_) {
    if ((entry.second.style & WS_CHILD) != 0) continue;
    MSG copy = msg;
    copy.hwnd = entry.second.hwnd;
    entry.second.owner->Post(copy);
  }
}

void CWindowManager::Tap(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::recursive_mutex> order(broadcastMutex_);
  if (tap_) tap_(msg, wParam, lParam);
}

void CWindowManager::SetTap(std::function<void(UINT, WPARAM, LPARAM)> tap) {
  std::lock_guard<std::recursive_mutex> order(broadcastMutex_);
  tap_ = std::move(tap);
}

void CWindowManager::OnThreadExit(const std::shared_ptr<CMessageQueue>& queue) {
  {
    // The thread's windows die with it, without further messages, as on CE.
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = windows_.begin(); it != windows_.end();) {
      it = it->second.owner == queue ? windows_.erase(it) : std::next(it);
    }
    auto it = queues_.find(queue->ThreadId());
    if (it != queues_.end() && it->second == queue) queues_.erase(it);
  }
  queue->Close();
}

void CWindowManager::Reset() {
  SetTap(nullptr);
  std::vector<std::shared_ptr<CMessageQueue>> queues;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    windows_.clear();
    classes_.clear();
    nextAtom_ = 0xC000;
    for (const auto& entry : queues_) queues.push_back(entry.second);
  }
  for (const auto& queue : queues) queue->Clear();
}
