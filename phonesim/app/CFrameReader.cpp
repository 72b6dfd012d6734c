#include "phonesim/app/CFrameReader.h"

#include "phonesim/app/CAppProtocol.h"

namespace phonesim {

CFrameReader::CFrameReader(int channel, uint32_t limit) : m_channel(channel), m_limit(limit) {}

void CFrameReader::Reset() {
  m_buf.clear();
  m_pos = 0;
}

void CFrameReader::Push(const uint8_t* data, size_t len) {
  if (m_pos > 0 && m_pos == m_buf.size()) Reset();
  m_buf.insert(m_buf.end(), data, data + len);
}

bool CFrameReader::Next(SAppFrame* frame, std::string* error) {
  size_t head = CAppProtocol::HeaderSize(m_channel);
  if (Buffered() < head) return false;
  const uint8_t* p = m_buf.data() + m_pos;
  SAppFrame f;
  if (CAppProtocol::IsCommandChannel(m_channel)) {
    f.length = CAppProtocol::Be16(p);
    f.type = CAppProtocol::Be32(p + 4);
  } else {
    f.length = CAppProtocol::Be32(p);
    f.timestamp = CAppProtocol::Be32(p + 4);
    f.type = CAppProtocol::Be32(p + 8);
    if (f.length > m_limit) {
      if (error)
        *error = "package of type " + CAppProtocol::TypeText(f.type) + " announces " +
                 std::to_string(f.length) + " bytes, over " + std::to_string(m_limit) +
                 "; buffered data dropped";
      Reset();
      return false;
    }
  }
  if (Buffered() < head + f.length) return false;
  f.payload.assign(p + head, p + head + f.length);
  m_pos += head + f.length;
  if (m_pos == m_buf.size()) Reset();
  // Keep the buffer from creeping: move the rest down once most of it is read.
  else if (m_pos > 65536 && m_pos * 2 > m_buf.size()) {
    m_buf.erase(m_buf.begin(), m_buf.begin() + static_cast<std::ptrdiff_t>(m_pos));
    m_pos = 0;
  }
  *frame = std::move(f);
  return true;
}

}  // namespace phonesim
