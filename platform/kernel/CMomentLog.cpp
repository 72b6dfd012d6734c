#include "platform/kernel/CMomentLog.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

CMomentLog::~CMomentLog() {
  Close();
}

bool CMomentLog::Open(const std::string& path) {
  Close();
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st = {};
  bool ok = fstat(fd, &st) == 0;
  // A new file is sized here; its pages read as zeros, which is a log with no moments.
  if (ok && st.st_size == 0)
    ok = ftruncate(fd, sizeof(Shared)) == 0;
  else if (ok)
    ok = static_cast<size_t>(st.st_size) == sizeof(Shared);
  void* p = ok ? mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
  close(fd);
  if (p == MAP_FAILED) return false;
  m_pShared = static_cast<Shared*>(p);
  return true;
}

void CMomentLog::Close() {
  if (m_pShared == nullptr) return;
  munmap(m_pShared, sizeof(Shared));
  m_pShared = nullptr;
}

int64_t CMomentLog::NowUs() {
  timespec ts = {};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void CMomentLog::Mark() {
  if (m_pShared == nullptr) return;
  const int64_t now = NowUs();
  // One thread marks (the one that draws the pictures); the count that publishes a moment is
  // stored after its slot, so an observer never reads a slot before it is written.
  const uint64_t n = m_pShared->m_nCount.load(std::memory_order_relaxed);
  m_pShared->m_Us[n % kSlots].store(now, std::memory_order_relaxed);
  m_pShared->m_nCount.store(n + 1, std::memory_order_release);
}

uint64_t CMomentLog::Count() const {
  return m_pShared != nullptr ? m_pShared->m_nCount.load(std::memory_order_acquire) : 0;
}

int64_t CMomentLog::At(uint64_t n) const {
  const uint64_t count = Count();
  if (n >= count || n + kSlots <= count) return 0;
  return m_pShared->m_Us[n % kSlots].load(std::memory_order_relaxed);
}

namespace wce {

const char kMomentLogVariable[] = "CORVANE_MOMENTS";

void MarkMoment() {
  // Opened at the first moment and kept for the process's life: threads may mark while it ends.
  static CMomentLog* const s_pLog = [] {
    CMomentLog* pLog = new CMomentLog();
    const char* path = std::getenv(kMomentLogVariable);
    if (path != nullptr && *path != 0 && !pLog->Open(path))
      DebugPrint("moments: cannot map %s '%s'\n", kMomentLogVariable, path);
    return pLog;
  }();
  s_pLog->Mark();
}

}  // namespace wce
