#pragma once
// Cuts one channel's byte stream into packages. The header kind follows the
// channel; a header announcing more than the reader's limit is not trusted:
// the buffered bytes are dropped and the reader starts again on the next
// bytes, as a reader that lost the framing must.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace phonesim {

struct SAppFrame {
  uint32_t m_nType = 0;
  uint32_t m_nLength = 0;
  uint32_t m_nTimestamp = 0;  // stream headers only
  std::vector<uint8_t> m_Payload;
};

class CFrameReader {
 public:
  // A stream package may be this long at most (the microphone's blocks are 4096).
  static constexpr uint32_t DEFAULT_STREAM_LIMIT = 1024 * 1024;

  explicit CFrameReader(int channel = 0, uint32_t limit = DEFAULT_STREAM_LIMIT);
  void Reset();
  void Push(const uint8_t* data, size_t len);
  // Takes the next whole package. false when none is complete; *error is
  // set (and the buffer dropped) when a header could not be trusted.
  bool Next(SAppFrame* frame, std::string* error);
  size_t Buffered() const { return m_Buf.size() - m_nPos; }

 private:
  int m_nChannel;
  uint32_t m_nLimit;
  std::vector<uint8_t> m_Buf;
  size_t m_nPos = 0;
};

}  // namespace phonesim
