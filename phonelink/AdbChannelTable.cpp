#include "phonelink/AdbChannelTable.h"

#include "phonelink/LinkHandle.h"

namespace {
const int32_t kPorts[kAdbChannelCount] = {7240, 8240, 9240, 9241, 9242, 9340};
const uint32_t kRingSizes[kAdbChannelCount] = {65536, 4718592, 1572864, 786432, 393216, 65536};
}  // namespace

void AdbChannelTable::Create() {
  for (int c = 0; c < kAdbChannelCount; ++c) {
    CircleBuff* buffer = new CircleBuff();
    if (!buffer->Init(kRingSizes[c], static_cast<uint8_t>(c))) {
      buffer->Free();
      delete buffer;
      buffer = nullptr;
    }
    m_Channels[c].m_pBuffer = buffer;
  }
  for (AdbChannel& ch : m_Channels) ch.m_hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

void AdbChannelTable::FreeBuffers() {
  for (AdbChannel& ch : m_Channels) {
    CircleBuff* buffer = ch.m_pBuffer;
    ch.m_pBuffer = nullptr;
    if (buffer) {
      buffer->Free();
      delete buffer;
    }
  }
}

void AdbChannelTable::CloseEvents() {
  for (AdbChannel& ch : m_Channels) {
    CloseLinkHandle(&ch.m_hEvent);
    ch.m_nRemoteId = -1;
  }
}

int AdbChannelTable::FindByLocal(uint32_t localId) {
  for (int c = 0; c < kAdbChannelCount; ++c) {
    if (static_cast<uint32_t>(m_Channels[c].m_nLocalId.load()) == localId) return c;
  }
  return -1;
}

void AdbChannelTable::ResetRingBuffers() {
  for (AdbChannel& ch : m_Channels) {
    if (ch.m_pBuffer) ch.m_pBuffer->Reset();
  }
}

bool AdbChannelTable::AnyOpen() {
  return !AllClosed(0, kAdbChannelCount - 1);
}

bool AdbChannelTable::AllClosed(int from, int to) {
  for (int c = from; c <= to; ++c) {
    if (m_Channels[c].m_nRemoteId != -1) return false;
  }
  return true;
}

void AdbChannelTable::ResetIds() {
  for (int c = 0; c < kAdbChannelCount; ++c) {
    // The first connect adds the channel count: channel c opens with local id c + 1.
    m_Channels[c].m_nLocalId = c + 1 - kAdbChannelCount;
    m_Channels[c].m_nRemoteId = -1;
    m_Channels[c].m_nPort = kPorts[c];
  }
}
