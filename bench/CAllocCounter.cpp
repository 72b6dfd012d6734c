#include "CAllocCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
// glibc's allocator under its own names, so that the replacements below can forward to it.
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void __libc_free(void* p);
}

namespace {
std::atomic<bool> s_bOn{false};
std::atomic<uint64_t> s_nNews{0};
std::atomic<uint64_t> s_nMallocs{0};
// Plain thread-local data: its first use must not allocate (malloc itself reads it).
thread_local bool t_bCounted = false;

inline bool Counting() { return t_bCounted && s_bOn.load(std::memory_order_relaxed); }

void* New(size_t size) {
  if (Counting()) s_nNews.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
}  // namespace

void CAllocCounter::CountThisThread() { t_bCounted = true; }

void CAllocCounter::Start() {
  s_nNews = 0;
  s_nMallocs = 0;
  s_bOn = true;
}

void CAllocCounter::Stop() { s_bOn = false; }
uint64_t CAllocCounter::News() { return s_nNews.load(); }
uint64_t CAllocCounter::Mallocs() { return s_nMallocs.load(); }

extern "C" void* malloc(size_t size) {
  if (Counting()) s_nMallocs.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) {
  if (Counting()) s_nMallocs.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}

extern "C" void* realloc(void* p, size_t size) {
  if (Counting()) s_nMallocs.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, size);
}

extern "C" void free(void* p) { __libc_free(p); }

void* operator new(size_t size) { return New(size); }
void* operator new[](size_t size) { return New(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return New(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return New(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
