#include "platform/kernel/CDispatcher.h"

#include "platform/kernel/CWaitableObject.h"
#include "platform/kernel/kernel.h"

#include <chrono>
#include <thread>

void CDispatcher::WakeList::Add(WaitBlock* block) {
  block->waking.fetch_add(1, std::memory_order_relaxed);
  block->nextWake = m_pFirst;
  m_pFirst = block;
}

void CDispatcher::WakeList::WakeAll() {
  for (WaitBlock* block = m_pFirst; block != nullptr;) {
    WaitBlock* next = block->nextWake;
    block->wake.notify_one();
    // From here on the waiting thread may return and its block go.
    block->waking.fetch_sub(1, std::memory_order_release);
    block = next;
  }
  m_pFirst = nullptr;
}

CDispatcher& CDispatcher::GetInstance() {
  // Never destroyed: threads that outlive main may still signal or wait during exit.
  static CDispatcher* instance = new CDispatcher();
  return *instance;
}

void CDispatcher::Queue(CWaitableObject& obj, WaitLink& link) {
  link.prev = obj.m_pLastWaiter;
  link.next = nullptr;
  if (obj.m_pLastWaiter != nullptr) {
    obj.m_pLastWaiter->next = &link;
  } else {
    obj.m_pFirstWaiter = &link;
  }
  obj.m_pLastWaiter = &link;
}

void CDispatcher::Unlink(WaitBlock& block) {
  for (size_t i = 0; i < block.count; ++i) {
    CWaitableObject& obj = *block.objects[i];
    WaitLink& link = block.links[i];
    if (link.prev != nullptr) {
      link.prev->next = link.next;
    } else {
      obj.m_pFirstWaiter = link.next;
    }
    if (link.next != nullptr) {
      link.next->prev = link.prev;
    } else {
      obj.m_pLastWaiter = link.prev;
    }
    link.prev = link.next = nullptr;
  }
}

DWORD CDispatcher::WaitAny(const std::shared_ptr<CWaitableObject>* objects, size_t count, DWORD ms) {
  DWORD self = GetCurrentThreadId();
  std::unique_lock<std::mutex> lock(m_lock);
  for (size_t i = 0; i < count; ++i) {
    if (objects[i]->IsSignalledFor(self)) {
      objects[i]->Acquire(self);
      return WAIT_OBJECT_0 + static_cast<DWORD>(i);
    }
  }
  if (ms == 0) return WAIT_TIMEOUT;

  WaitBlock block;
  block.threadId = self;
  block.objects = objects;
  block.count = count;
  for (size_t i = 0; i < count; ++i) {
    block.links[i].block = &block;
    Queue(*objects[i], block.links[i]);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (block.satisfiedIndex < 0) {
    if (ms == INFINITE) {
      block.wake.wait(lock);
    } else if (block.wake.wait_until(lock, deadline) == std::cv_status::timeout && block.satisfiedIndex < 0) {
      Unlink(block);
      return WAIT_TIMEOUT;
    }
  }
  const DWORD result = WAIT_OBJECT_0 + static_cast<DWORD>(block.satisfiedIndex);
  lock.unlock();
  // Its waker may not have woken it yet (this thread saw the satisfied wait first): the block
  // stays until it has.
  while (block.waking.load(std::memory_order_acquire) != 0) std::this_thread::yield();
  return result;
}

void CDispatcher::SatisfyWaiters(CWaitableObject& obj, WakeList& wakes) {
  while (obj.m_pFirstWaiter != nullptr) {
    WaitBlock* block = obj.m_pFirstWaiter->block;
    if (!obj.IsSignalledFor(block->threadId)) break;
    obj.Acquire(block->threadId);
    // The same object may stand more than once in a wait: the lowest index is the answer.
    for (size_t i = 0; i < block->count; ++i) {
      if (block->objects[i].get() == &obj) {
        block->satisfiedIndex = static_cast<int>(i);
        break;
      }
    }
    Unlink(*block);
    wakes.Add(block);
  }
}
