#include "platform/kernel/CDispatcher.h"

#include "platform/kernel/CWaitableObject.h"
#include "platform/kernel/kernel.h"

#include <chrono>
#include <thread>

void CDispatcher::WakeList::Add(WaitBlock* block) {
  block->m_nWaking.fetch_add(1, std::memory_order_relaxed);
  block->m_pNextWake = m_pFirst;
  m_pFirst = block;
}

void CDispatcher::WakeList::WakeAll() {
  for (WaitBlock* block = m_pFirst; block != nullptr;) {
    WaitBlock* next = block->m_pNextWake;
    block->m_Wake.notify_one();
    // From here on the waiting thread may return and its block go.
    block->m_nWaking.fetch_sub(1, std::memory_order_release);
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
  link.m_pPrev = obj.m_pLastWaiter;
  link.m_pNext = nullptr;
  if (obj.m_pLastWaiter != nullptr) {
    obj.m_pLastWaiter->m_pNext = &link;
  } else {
    obj.m_pFirstWaiter = &link;
  }
  obj.m_pLastWaiter = &link;
}

void CDispatcher::Unlink(WaitBlock& block) {
  for (size_t i = 0; i < block.m_nCount; ++i) {
    CWaitableObject& obj = *block.m_pObjects[i];
    WaitLink& link = block.m_Links[i];
    if (link.m_pPrev != nullptr) {
      link.m_pPrev->m_pNext = link.m_pNext;
    } else {
      obj.m_pFirstWaiter = link.m_pNext;
    }
    if (link.m_pNext != nullptr) {
      link.m_pNext->m_pPrev = link.m_pPrev;
    } else {
      obj.m_pLastWaiter = link.m_pPrev;
    }
    link.m_pPrev = link.m_pNext = nullptr;
  }
}

DWORD CDispatcher::WaitAny(const std::shared_ptr<CWaitableObject>* objects, size_t count, DWORD ms) {
  DWORD self = GetCurrentThreadId();
  std::unique_lock<std::mutex> lock(m_Lock);
  for (size_t i = 0; i < count; ++i) {
    if (objects[i]->IsSignalledFor(self)) {
      objects[i]->Acquire(self);
      return WAIT_OBJECT_0 + static_cast<DWORD>(i);
    }
  }
  if (ms == 0) return WAIT_TIMEOUT;

  WaitBlock block;
  block.m_dwThreadId = self;
  block.m_pObjects = objects;
  block.m_nCount = count;
  for (size_t i = 0; i < count; ++i) {
    block.m_Links[i].m_pBlock = &block;
    Queue(*objects[i], block.m_Links[i]);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (block.m_nSatisfiedIndex < 0) {
    if (ms == INFINITE) {
      block.m_Wake.wait(lock);
    } else if (block.m_Wake.wait_until(lock, deadline) == std::cv_status::timeout &&
               block.m_nSatisfiedIndex < 0) {
      Unlink(block);
      return WAIT_TIMEOUT;
    }
  }
  const DWORD result = WAIT_OBJECT_0 + static_cast<DWORD>(block.m_nSatisfiedIndex);
  lock.unlock();
  // Its waker may not have woken it yet (this thread saw the satisfied wait first): the block
  // stays until it has.
  while (block.m_nWaking.load(std::memory_order_acquire) != 0) std::this_thread::yield();
  return result;
}

void CDispatcher::SatisfyWaiters(CWaitableObject& obj, WakeList& wakes) {
  while (obj.m_pFirstWaiter != nullptr) {
    WaitBlock* block = obj.m_pFirstWaiter->m_pBlock;
    if (!obj.IsSignalledFor(block->m_dwThreadId)) break;
    obj.Acquire(block->m_dwThreadId);
    // The same object may stand more than once in a wait: the lowest index is the answer.
    for (size_t i = 0; i < block->m_nCount; ++i) {
      if (block->m_pObjects[i].get() == &obj) {
        block->m_nSatisfiedIndex = static_cast<int>(i);
        break;
      }
    }
    Unlink(*block);
    wakes.Add(block);
  }
}
