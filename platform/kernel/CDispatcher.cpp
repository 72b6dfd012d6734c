#include "CDispatcher.h"

#include "CWaitableObject.h"
#include "kernel.h"

#include <chrono>

CDispatcher& CDispatcher::GetInstance() {
  // Never destroyed: threads that outlive main may still signal or wait during exit.
  static CDispatcher* instance = new CDispatcher();
  return *instance;
}

void CDispatcher::Unlink(WaitBlock& block) {
  for (const auto& obj : *block.objects) obj->m_waiters.remove(&block);
}

DWORD CDispatcher::WaitAny(const std::vector<std::shared_ptr<CWaitableObject>>& objects, DWORD ms) {
  DWORD self = GetCurrentThreadId();
  std::unique_lock<std::mutex> lock(m_lock);
  for (size_t i = 0; i < objects.size(); ++i) {
    if (objects[i]->IsSignalledFor(self)) {
      objects[i]->Acquire(self);
      return WAIT_OBJECT_0 + static_cast<DWORD>(i);
    }
  }
  if (ms == 0) return WAIT_TIMEOUT;

  WaitBlock block;
  block.threadId = self;
  block.objects = &objects;
  for (const auto& obj : objects) obj->m_waiters.push_back(&block);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (block.satisfiedIndex < 0) {
    if (ms == INFINITE) {
      block.wake.wait(lock);
    } else if (block.wake.wait_until(lock, deadline) == std::cv_status::timeout && block.satisfiedIndex < 0) {
      Unlink(block);
      return WAIT_TIMEOUT;
    }
  }
  return WAIT_OBJECT_0 + static_cast<DWORD>(block.satisfiedIndex);
}

void CDispatcher::SatisfyWaiters(CWaitableObject& obj) {
  while (!obj.m_waiters.empty()) {
    WaitBlock* block = obj.m_waiters.front();
    if (!obj.IsSignalledFor(block->threadId)) break;
    obj.Acquire(block->threadId);
    // The same object may stand more than once in a wait: the lowest index is the answer.
    for (size_t i = 0; i < block->objects->size(); ++i) {
      if ((*block->objects)[i].get() == &obj) {
        block->satisfiedIndex = static_cast<int>(i);
        break;
      }
    }
    Unlink(*block);
    block->wake.notify_one();
  }
}
