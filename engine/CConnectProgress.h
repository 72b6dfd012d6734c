// The connection-progress record: four words that the command dispatcher sets and the sequencer
// polls. Word 0: the phone answered the protocol version; word 1: its encoder is ready; words 2
// and 3 stay zero. One writer (the command thread) and one reader (the sequencer), so atomic words.
#pragma once

#include <atomic>
#include <cstdint>

class CConnectProgress {
 public:
  // Created zeroed on first use.
  static CConnectProgress* Instance();
  // Frees the record (the sequencer at its end; tests).
  static void Free();

  void Clear();
  void SetVersionAnswered() { m_nWord[0] = 1; }
  void SetEncoderReady() { m_nWord[1] = 1; }
  int32_t IsVersionAnswered() const { return m_nWord[0]; }
  int32_t IsEncoderReady() const { return m_nWord[1]; }
  int32_t Word(int i) const { return (i >= 0 && i < 4) ? m_nWord[i].load() : 0; }

 private:
  CConnectProgress() = default;
  std::atomic<int32_t> m_nWord[4] = {0, 0, 0, 0};
};
