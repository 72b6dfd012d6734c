// Sliding window over one process listing: the last 512 bytes seen stay in front of each new
// chunk, so a line split across two WRTE payloads is still found whole. The reader thread
// appends while a caller's kill request refills, so both go under the window's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

class ShellWindow {
 public:
  static constexpr size_t kCarry = 512;
  static constexpr size_t kChunk = 4096;

  ShellWindow() { Refill(); }
  // '#' everywhere: nothing of an earlier listing can be found again.
  void Refill();
  // Slides the window and appends one chunk (longer chunks keep their first 4096 bytes).
  void Append(const uint8_t* data, size_t length);
  // The helper's pid when the window shows it and it was not reported yet for this listing; else 0.
  int TakeHelperPid();

  // For tests, while nothing appends.
  const uint8_t* Text() const { return m_Text; }
  size_t Length() const { return m_nLength; }

 private:
  std::mutex m_Lock;
  uint8_t m_Text[kCarry + kChunk];
  size_t m_nLength = 0;
  int m_nReportedPid = 0;
};
