#include "engine/CPackageBuffer.h"

#include <atomic>
#include <new>

namespace {
// A switch of the tests beside the buffers it fails, not engine state: only a test writes it,
// before and after the receivers it checks; receive threads read it, so it is atomic.
std::atomic<bool> s_bFailGrowth{false};
}  // namespace

CPackageBuffer::CPackageBuffer(uint32_t initialSize, uint32_t limit)
    : m_pData(new (std::nothrow) uint8_t[initialSize]),
      m_nCapacity(m_pData ? initialSize : 0),
      m_nLimit(limit) {}

CPackageBuffer::Fit CPackageBuffer::Reserve(uint32_t length) {
  if (length <= m_nCapacity && m_pData) return kFits;
  if (length > m_nLimit) return kTooLong;
  if (s_bFailGrowth.load()) return kNoMemory;
  std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[length == 0 ? 1 : length]);
  if (!grown) return kNoMemory;
  m_pData = std::move(grown);
  m_nCapacity = length;
  return kGrown;
}

void CPackageBuffer::SetFailGrowth(bool fail) {
  s_bFailGrowth.store(fail);
}
