#include "bench/CAllocCounter.h"

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
std::atomic<uint64_t> s_nNews[CAllocCounter::kParts];
std::atomic<uint64_t> s_nMallocs[CAllocCounter::kParts];
// Plain thread-local data: its first use must not allocate (malloc itself reads it).
thread_local int t_nPart = -1;

inline bool Counting() {
  return t_nPart >= 0 && s_bOn.load(std::memory_order_relaxed);
}

void* New(size_t size) {
  if (Counting()) s_nNews[t_nPart].fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

uint64_t Sum(const std::atomic<uint64_t>* counts, int part) {
  if (part >= 0) return part < CAllocCounter::kParts ? counts[part].load() : 0;
  uint64_t n = 0;
  for (int i = 0; i < CAllocCounter::kParts; ++i) n += counts[i].load();
  return n;
}
}  // namespace

void CAllocCounter::CountThisThread(int part) {
  if (part >= 0 && part < kParts) t_nPart = part;
}

int CAllocCounter::SwitchThisThread(int part) {
  const int was = t_nPart;
  if (was >= 0 && part >= 0 && part < kParts) t_nPart = part;
  return was;
}

void CAllocCounter::Start() {
  for (int i = 0; i < kParts; ++i) {
    s_nNews[i] = 0;
    s_nMallocs[i] = 0;
  }
  s_bOn = true;
}

void CAllocCounter::Stop() {
  s_bOn = false;
}
uint64_t CAllocCounter::News(int part) {
  return Sum(s_nNews, part);
}
uint64_t CAllocCounter::Mallocs(int part) {
  return Sum(s_nMallocs, part);
}

extern "C" void* malloc(size_t size) {
  if (Counting()) s_nMallocs[t_nPart].fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) {
  if (Counting()) s_nMallocs[t_nPart].fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}

extern "C" void* realloc(void* p, size_t size) {
  if (Counting()) s_nMallocs[t_nPart].fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, size);
}

extern "C" void free(void* p) {
  __libc_free(p);
}

void* operator new(size_t size) {
  return New(size);
}
void* operator new[](size_t size) {
  return New(size);
}
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
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}
