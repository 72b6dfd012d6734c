#include "phonelink/AdbWriterContext.h"

void AdbPacketQueue::Push(AdbPacket* p) {
  if (m_nCount == m_slots.size()) Grow();
  m_slots[(m_nHead + m_nCount) % m_slots.size()] = p;
  ++m_nCount;
}

AdbPacket* AdbPacketQueue::Pop() {
  if (m_nCount == 0) return nullptr;
  AdbPacket* p = m_slots[m_nHead];
  m_nHead = (m_nHead + 1) % m_slots.size();
  --m_nCount;
  return p;
}

void AdbPacketQueue::Grow() {
  std::vector<AdbPacket*> bigger(m_slots.empty() ? 16 : 2 * m_slots.size());
  for (size_t i = 0; i < m_nCount; ++i) bigger[i] = m_slots[(m_nHead + i) % m_slots.size()];
  m_slots.swap(bigger);
  m_nHead = 0;
}
