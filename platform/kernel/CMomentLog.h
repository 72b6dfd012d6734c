// Moments a program marks for an observer in another process: a benchmark sees when a picture
// reached the screen of the program it runs. Both map one file of fixed size: a count and a ring
// of monotonic-clock microseconds (the clock every process of the machine shares). Marking makes
// no system call and allocates nothing, so a marked program runs as it does unobserved.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class CMomentLog {
 public:
  // The ring's length: the observer reads moment n while n + kSlots > Count().
  static const size_t kSlots = 1 << 16;

  CMomentLog() = default;
  ~CMomentLog();
  CMomentLog(const CMomentLog&) = delete;
  CMomentLog& operator=(const CMomentLog&) = delete;

  // Maps the file, made (with no moments) when missing; false when it cannot be had or has
  // another size than a moment log's.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return m_pShared != nullptr; }

  // Now, as the next moment; nothing when no file is open.
  void Mark();
  // Moments marked since the file was made.
  uint64_t Count() const;
  // Moment n (0 the first), in microseconds of the monotonic clock; 0 when the ring no longer
  // holds it or it was not marked yet.
  int64_t At(uint64_t n) const;

  // The monotonic clock in microseconds, as Mark reads it.
  static int64_t NowUs();

 private:
  struct Shared {
    std::atomic<uint64_t> m_nCount;
    std::atomic<int64_t> m_Us[kSlots];
  };
  static_assert(std::atomic<uint64_t>::is_always_lock_free, "the count is shared between processes");

  Shared* m_pShared = nullptr;
};
