#include "engine/CPackageReader.h"

#include "engine/EngineLog.h"

#include <cstring>

CPackageReader::CPackageReader(int channel, CorvaneChannel::ReadFn read, Framing framing,
                               uint32_t initialSize, uint32_t limit, const LogNames& names, TypeCheck accepts)
    : m_Channel(channel, read),
      m_Framing(framing),
      m_Names(names),
      m_pfnAccepts(accepts),
      m_Buffer(initialSize, limit) {
  std::memset(m_byHeader, 0, sizeof(m_byHeader));
}

void CPackageReader::LogIfNoBuffer(const char* owner) const {
  if (!m_Buffer.IsValid())
    EngineLog("!!!!!!! %s Error packageHead=0x%x  packageData=0x%x\n", owner, LogHex(m_byHeader), 0u);
}

void CPackageReader::Reset() {
  m_bHeaderPending = false;
  m_nSkipRemaining = 0;
}

bool CPackageReader::ReadHeader() {
  if (m_bHeaderPending) return true;
  const uint32_t size =
      m_Framing == kCommandFrame ? CorvaneFrame::kCmdHeaderSize : CorvaneFrame::kStreamHeaderSize;
  if (m_Channel.Buffered() < size) return false;
  if (!m_Channel.Read(m_byHeader, size)) return false;
  m_bHeaderPending = true;
  if (m_Framing == kCommandFrame) {
    CmdFrameHeader h = CorvaneFrame::ParseCmdHeader(m_byHeader);
    m_nLength = h.length;
    m_nTimestamp = 0;
    m_nType = h.type;
  } else {
    StreamFrameHeader h = CorvaneFrame::ParseStreamHeader(m_byHeader);
    m_nLength = h.length;
    m_nTimestamp = h.timestamp;
    m_nType = h.type;
  }
  return true;
}

bool CPackageReader::Reserve() {
  CPackageBuffer::Fit fit = m_Buffer.Reserve(m_nLength);
  if (fit == CPackageBuffer::kFits) return true;
  if (fit == CPackageBuffer::kGrown) {
    if (m_Names.m_bLogGrowth)
      EngineLog("!!!!!!! ReSize %s Rev Buffer m_nMaxRevLen=%d   \n", m_Names.m_pszBuffer,
                m_Buffer.Capacity());
    return true;
  }
  if (fit == CPackageBuffer::kNoMemory)
    EngineLog("!!!!!!! ReSize %s Rev Buffer Error m_nMaxRevLen=%d  \r\n", m_Names.m_pszBuffer, m_nLength);
  else
    EngineLog("!!!!!!! %s receivePackageData Error packageDataSize=%d \n", m_Names.m_pszReceiver, m_nLength);
  return false;
}

bool CPackageReader::Skip(uint32_t length) {
  m_bHeaderPending = false;
  m_nSkipRemaining = length;
  return m_Channel.Skip(&m_nSkipRemaining);
}

bool CPackageReader::ContinueSkip() {
  return m_nSkipRemaining == 0 || m_Channel.Skip(&m_nSkipRemaining);
}

CPackageReader::Step CPackageReader::ReadStep() {
  if (!ContinueSkip()) return kNothing;
  if (!m_bHeaderPending) {
    if (!ReadHeader()) return kNothing;
    if (m_pfnAccepts != nullptr && !m_pfnAccepts(m_nType)) {
      m_bHeaderPending = false;
      return kBadType;
    }
    if (!Reserve()) {
      Skip(m_nLength);
      return kSkipped;
    }
  }
  if (m_nLength > 0) {
    if (m_Channel.Buffered() < m_nLength) return kNothing;
    // Only a link that went down fails here; the next connection starts at a header.
    if (!m_Channel.Read(m_Buffer.Data(), m_nLength)) {
      m_bHeaderPending = false;
      return kNothing;
    }
  }
  m_bHeaderPending = false;
  return kPackage;
}

bool CPackageReader::SetPackage(uint32_t type, const uint8_t* payload, uint32_t length) {
  if (m_Buffer.Reserve(length) > CPackageBuffer::kGrown) return false;
  if (length > 0) std::memcpy(m_Buffer.Data(), payload, length);
  m_nType = type;
  m_nLength = length;
  return true;
}
