#include "phonelink/AdbWriterContext.h"

void AdbPacketQueue::Push(AdbPacket* p) {
  if (m_nCount == m_Slots.size()) Grow();
  m_Slots[(m_nHead + m_nCount) % m_Slots.size()] = p;
  ++m_nCount;
}

AdbPacket* AdbPacketQueue::Pop() {
  if (m_nCount == 0) return nullptr;
  AdbPacket* p = m_Slots[m_nHead];
  m_nHead = (m_nHead + 1) % m_Slots.size();
  --m_nCount;
  return p;
}

void AdbPacketQueue::Grow() {
  std::vector<AdbPacket*> bigger(m_Slots.empty() ? 16 : 2 * m_Slots.size());
  for (size_t i = 0; i < m_nCount; ++i) bigger[i] = m_Slots[(m_nHead + i) % m_Slots.size()];
  m_Slots.swap(bigger);
  m_nHead = 0;
}
