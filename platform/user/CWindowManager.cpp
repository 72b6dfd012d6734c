#include "user/CWindowManager.h"

#include "gdi/gdi.h"
#include "kernel/kernel.h"
#include "user/user.h"

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

uintptr_t Key(HWND hwnd) {
  return reinterpret_cast<uintptr_t>(hwnd);
}
}  // namespace

CWindowManager& CWindowManager::GetInstance() {
  // Never destroyed: thread-exit hooks of late threads still reach it.
  static CWindowManager* instance = new CWindowManager();
  return *instance;
}

// Window DCs need to know which windows exist and how large they are; GDI learns it from here,
// before the first window can exist, since GDI may not call up into USER by name.
CWindowManager::CWindowManager() {
  wce::SetGdiWindowSource(wce::GdiWindowSource{&IsWindow, &GetClientRect});
}

std::shared_ptr<CMessageQueue> CWindowManager::CurrentQueue() {
  if (!t_queue.queue) {
    auto queue = std::make_shared<CMessageQueue>(GetCurrentThreadId());
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_queues[queue->ThreadId()] = queue;
    }
    t_queue.queue = queue;
  }
  return t_queue.queue;
}

std::shared_ptr<CMessageQueue> CWindowManager::QueueOfThread(DWORD threadId) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_queues.find(threadId);
  return it == m_queues.end() ? nullptr : it->second;
}

ATOM CWindowManager::AddClass(const WNDCLASSW& wc, DWORD* error) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const ClassRecord& c : m_classes) {
    if (_wcsicmp(c.name.c_str(), wc.lpszClassName) == 0) {
      *error = ERROR_CLASS_ALREADY_EXISTS;
      return 0;
    }
  }
  if (m_nextAtom == 0) {  // wrapped past 0xFFFF
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return 0;
  }
  ClassRecord record{wc.lpszClassName, wc, m_nextAtom++};
  // The caller's strings need not outlive the call.
  record.wc.lpszClassName = nullptr;
  record.wc.lpszMenuName = nullptr;
  m_classes.push_back(record);
  return record.atom;
}

bool CWindowManager::FindClass(LPCWSTR name, WNDCLASSW* wc, std::u16string* spelling) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const ClassRecord& c : m_classes) {
    if (_wcsicmp(c.name.c_str(), name) == 0) {
      *wc = c.wc;
      *spelling = c.name;
      return true;
    }
  }
  return false;
}

HWND CWindowManager::Add(WindowRecord record) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const uintptr_t key = m_nextHandle;
  m_nextHandle += kHandleStep;
  record.hwnd = reinterpret_cast<HWND>(key);
  m_windows[key] = std::move(record);
  return reinterpret_cast<HWND>(key);
}

bool CWindowManager::Get(HWND hwnd, WindowRecord* record) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_windows.find(Key(hwnd));
  if (it == m_windows.end()) return false;
  if (record != nullptr) *record = it->second;
  return true;
}

bool CWindowManager::GetRect(HWND hwnd, RECT* rect) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_windows.find(Key(hwnd));
  if (it == m_windows.end()) return false;
  *rect = it->second.rect;
  return true;
}

bool CWindowManager::Change(HWND hwnd, const std::function<void(WindowRecord&)>& change) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_windows.find(Key(hwnd));
  if (it == m_windows.end()) return false;
  change(it->second);
  return true;
}

void CWindowManager::Remove(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_windows.find(Key(hwnd));
  if (it == m_windows.end()) return;
  // Under the table lock, so no post can slip in for the window after its messages are dropped.
  it->second.owner->DropWindow(hwnd);
  m_windows.erase(it);
}

std::vector<WindowRecord> CWindowManager::TopLevel() {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<WindowRecord> result;
  for (const auto& entry : m_windows) {
    if ((entry.second.style & WS_CHILD) == 0) result.push_back(entry.second);
  }
  return result;
}

bool CWindowManager::PostTo(HWND hwnd, const MSG& msg) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_windows.find(Key(hwnd));
  if (it == m_windows.end()) return false;
  return it->second.owner->Post(msg);
}

void CWindowManager::Broadcast(const MSG& msg) {
  std::lock_guard<std::recursive_mutex> order(m_broadcastMutex);
  Tap(msg.message, msg.wParam, msg.lParam);
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& entry : m_windows) {
    if ((entry.second.style & WS_CHILD) != 0) continue;
    MSG copy = msg;
    copy.hwnd = entry.second.hwnd;
    entry.second.owner->Post(copy);
  }
}

void CWindowManager::Tap(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::recursive_mutex> order(m_broadcastMutex);
  if (m_tap) m_tap(msg, wParam, lParam);
}

void CWindowManager::SetTap(std::function<void(UINT, WPARAM, LPARAM)> tap) {
  std::lock_guard<std::recursive_mutex> order(m_broadcastMutex);
  m_tap = std::move(tap);
}

void CWindowManager::OnThreadExit(const std::shared_ptr<CMessageQueue>& queue) {
  {
    // The thread's windows die with it, without further messages, as on CE.
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_windows.begin(); it != m_windows.end();) {
      it = it->second.owner == queue ? m_windows.erase(it) : std::next(it);
    }
    auto it = m_queues.find(queue->ThreadId());
    if (it != m_queues.end() && it->second == queue) m_queues.erase(it);
  }
  queue->Close();
}

void CWindowManager::Reset() {
  SetTap(nullptr);
  std::vector<std::shared_ptr<CMessageQueue>> queues;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_windows.clear();
    m_classes.clear();
    m_nextAtom = 0xC000;
    for (const auto& entry : m_queues) queues.push_back(entry.second);
  }
  for (const auto& queue : queues) queue->Clear();
}
