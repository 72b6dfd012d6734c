#include "phonesim/app/CFrameReader.h"

#include "phonesim/app/CAppProtocol.h"

namespace phonesim {

CFrameReader::CFrameReader(int channel, uint32_t limit) : m_nChannel(channel), m_nLimit(limit) {}

void CFrameReader::Reset() {
  m_Buf.clear();
  m_nPos = 0;
}

void CFrameReader::Push(const uint8_t* data, size_t len) {
  if (m_nPos > 0 && m_nPos == m_Buf.size()) Reset();
  m_Buf.insert(m_Buf.end(), data, data + len);
}

bool CFrameReader::Next(SAppFrame* frame, std::string* error) {
  size_t head = CAppProtocol::HeaderSize(m_nChannel);
  if (Buffered() < head) return false;
  const uint8_t* p = m_Buf.data() + m_nPos;
  SAppFrame f;
  if (CAppProtocol::IsCommandChannel(m_nChannel)) {
    f.m_nLength = CAppProtocol::Be16(p);
    f.m_nType = CAppProtocol::Be32(p + 4);
  } else {
    f.m_nLength = CAppProtocol::Be32(p);
    f.m_nTimestamp = CAppProtocol::Be32(p + 4);
    f.m_nType = CAppProtocol::Be32(p + 8);
    if (f.m_nLength > m_nLimit) {
      if (error)
        *error = "package of type " + CAppProtocol::TypeText(f.m_nType) + " announces " +
                 std::to_string(f.m_nLength) + " bytes, over " + std::to_string(m_nLimit) +
                 "; buffered data dropped";
      Reset();
      return false;
    }
  }
  if (Buffered() < head + f.m_nLength) return false;
  f.m_Payload.assign(p + head, p + head + f.m_nLength);
  m_nPos += head + f.m_nLength;
  if (m_nPos == m_Buf.size()) Reset();
  // Keep the buffer from creeping: move the rest down once most of it is read.
  else if (m_nPos > 65536 && m_nPos * 2 > m_Buf.size()) {
    m_Buf.erase(m_Buf.begin(), m_Buf.begin() + static_cast<std::ptrdiff_t>(m_nPos));
    m_nPos = 0;
  }
  *frame = std::move(f);
  return true;
}

}  // namespace phonesim
