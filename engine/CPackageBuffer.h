// A receiver's payload buffer: grows to exactly the length of a package that does not fit, up to
// the receiver's limit, and never shrinks. A growth that cannot be made keeps the old buffer, so
// the receiver can always skip the package and stay on its frame boundaries.
#pragma once

#include <cstdint>
#include <memory>

class CPackageBuffer {
 public:
  enum Fit { kFits, kGrown, kTooLong, kNoMemory };

  CPackageBuffer(uint32_t initialSize, uint32_t limit);

  bool IsValid() const { return m_pData != nullptr; }
  uint8_t* Data() { return m_pData.get(); }
  const uint8_t* Data() const { return m_pData.get(); }
  uint32_t Capacity() const { return m_nCapacity; }
  uint32_t Limit() const { return m_nLimit; }

  Fit Reserve(uint32_t length);

  // Tests only: the next growths fail as if memory had run out.
  static void SetFailGrowth(bool fail);

 private:
  std::unique_ptr<uint8_t[]> m_pData;
  uint32_t m_nCapacity;
  uint32_t m_nLimit;
};
