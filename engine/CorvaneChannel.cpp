#include "engine/CorvaneChannel.h"

#include "phonelink/CorvaneAdb.h"

#include <algorithm>

bool CorvaneChannel::IsConnected() const {
  return Corvane_Adb_IsChannelConnected(m_nChannel) != 0;
}

uint32_t CorvaneChannel::Buffered() const {
  int n = Corvane_Adb_GetChannelDataSize(m_nChannel);
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

bool CorvaneChannel::Read(uint8_t* buffer, uint32_t n) const {
  if (n == 0) return true;
  if (n > 0x7FFFFFFFu) return false;
  return m_pfnRead(buffer, static_cast<int>(n)) == static_cast<int>(n);
}

bool CorvaneChannel::Skip(uint32_t* remaining) const {
  uint8_t scratch[512];
  while (*remaining > 0) {
    uint32_t n = std::min<uint32_t>({*remaining, Buffered(), sizeof(scratch)});
    if (n == 0) return false;
    if (!Read(scratch, n)) return false;
    *remaining -= n;
  }
  return true;
}
