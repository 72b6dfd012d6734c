// The six projection channels: TCP streams to ports on the phone, opened through ADB's
// "tcp:" service. Channel streams are found by their small local ids, never in the request list.
#include "phonelink/AdbSession.h"
#include "phonelink/CorvaneAdb.h"
#include "phonelink/LinkCall.h"
#include "phonelink/LinkLog.h"

#include <cstdio>
#include <cstring>

namespace {
const uint32_t kVideoFlood = 6291456;
const uint32_t kVideoLarge = 3145728;

struct ReadRule {
  int m_nChannel;
  bool m_bNeedsChannel;  // keeps reading only while the channel is open
  DWORD m_dwSleepMs;
};

int ChannelRead(const ReadRule& rule, uint8_t* buffer, int n) {
  if (n < 1 || !buffer) return 0;
  LinkCall call;
  if (!call.Open()) return 0;
  AdbChannel& ch = g_adb.m_Channels[rule.m_nChannel];
  uint32_t done = 0;
  const uint32_t wanted = static_cast<uint32_t>(n);
  while (g_adb.m_Life.m_bUsbUp && (!rule.m_bNeedsChannel || ch.m_nRemoteId != -1) && ch.m_pBuffer &&
         g_adb.m_Life.m_bInitialised) {
    uint32_t got = 0;
    if (ch.m_pBuffer->Read(buffer + done, wanted - done, &got)) {
      done += got;
      if (done >= wanted) return n;
    } else {
      Sleep(rule.m_dwSleepMs);
    }
  }
  return 0;
}
}  // namespace

void OpenChannel(int channel) {
  if (channel < 0 || channel >= kAdbChannelCount) return;
  g_adb.m_Tracker.m_nCurrentOp = ADB_OP_CHANNEL_OPEN;
  AdbPacket* p = AdbPacket::Alloc();
  if (!p) return;
  p->command = ADB_CMD_OPEN;
  p->arg0 = static_cast<uint32_t>(g_adb.m_Channels[channel].m_nLocalId.load());
  p->arg1 = 0;
  int n = std::snprintf(reinterpret_cast<char*>(p->m_Data), ADB_MAX_PAYLOAD, "tcp:%04d",
                        g_adb.m_Channels[channel].m_nPort);
  p->data_length = static_cast<uint32_t>(n + 1);
  SendAdbPacket(p, false, 0);
}

void Corvane_Adb_TcpConnect() {
  LinkCall call;
  if (!call.Open() || g_adb.m_Life.m_bClosing) return;
  for (AdbChannel& ch : g_adb.m_Channels) ch.m_nLocalId += kAdbChannelCount;
  AdbChannelTable& c = g_adb.m_Channels;
  LinkLog("[@@] TcpConnect ID (%d, %d, %d, %d, %d, %d) \n", c[0].m_nLocalId.load(), c[1].m_nLocalId.load(),
          c[2].m_nLocalId.load(), c[3].m_nLocalId.load(), c[4].m_nLocalId.load(), c[5].m_nLocalId.load());
  for (AdbChannel& ch : g_adb.m_Channels) ResetEvent(ch.m_hEvent);
  for (int i = 0; i < kAdbChannelCount && !g_adb.m_Life.m_bClosing; ++i) {
    OpenChannel(i);
    g_adb.m_Life.WaitOrClosing(c[i].m_hEvent, 100);
  }
  for (int pass = 0; pass < 10 && g_adb.m_Life.PhoneReachable(); ++pass) {
    if (c[0].m_nRemoteId == -1) {
      if (g_adb.m_Channels.AllClosed(1, 5)) {
        // Nothing listens: the phone app is not running, start it again.
        SendAdbOpen(kAdbAppStartService, ADB_KIND_PLAIN);
        if (!g_adb.m_Life.Pause(150)) break;
        if (c[0].m_nRemoteId == -1) OpenChannel(0);
      } else {
        OpenChannel(0);
      }
    }
    for (int i = 1; i <= 5; ++i) {
      if (c[i].m_nRemoteId == -1) OpenChannel(i);
    }
    bool all = true;
    for (int i = 0; i < kAdbChannelCount; ++i) all = all && c[i].m_nRemoteId != -1;
    if (all || !g_adb.m_Life.Pause(200)) break;
  }
}

int Corvane_Adb_TcpDisconnect(int channel) {
  LinkCall call;
  if (!g_adb.m_Life.m_bUsbUp || !call.Open()) return 0;
  for (int c = 0; c < kAdbChannelCount; ++c) {
    if (channel != 6 && channel != c) continue;
    AdbPacket* p = AdbPacket::Alloc();
    if (!p) continue;
    p->command = ADB_CMD_CLSE;
    p->arg0 = static_cast<uint32_t>(g_adb.m_Channels[c].m_nLocalId.load());
    p->arg1 = static_cast<uint32_t>(g_adb.m_Channels[c].m_nRemoteId.load());
    SendAdbPacket(p, false, 0);
  }
  for (int i = 0; i <= 10; ++i) {
    if (g_adb.m_Channels.AllClosed(0, 5)) {
      g_adb.m_Channels.ResetRingBuffers();
      return 0;
    }
    if (i == 10 || !g_adb.m_Life.m_bUsbUp || !g_adb.m_Life.m_bInitialised) break;
    Sleep(200);
  }
  return 0;
}

BYTE Corvane_Adb_IsChannelConnected(int channel) {
  if (channel < 0 || channel >= kAdbChannelCount) return 0;
  return g_adb.m_Channels[channel].m_nRemoteId != -1 ? 1 : 0;
}

int Corvane_Adb_GetChannelDataSize(int channel) {
  LinkCall call;
  if (!call.Open() || channel < 0 || channel >= kAdbChannelCount || !g_adb.m_Channels[channel].m_pBuffer)
    return 0;
  return static_cast<int>(g_adb.m_Channels[channel].m_pBuffer->GetUsedSize());
}

int Corvane_Adb_TcpWrite(int channel, const void* data, int length) {
  LinkCall call;
  if (channel < 0 || channel >= kAdbChannelCount || length < 0 || !call.Open()) return 0;
  // One packet per write; the system never writes more than 1024 bytes at once.
  if (static_cast<uint32_t>(length) > ADB_MAX_PAYLOAD || (length > 0 && !data)) return 0;
  g_adb.m_Tracker.m_nCurrentOp = ADB_OP_CHANNEL_WRITE;
  AdbPacket* p = AdbPacket::Alloc();
  if (!p) return 0;
  p->command = ADB_CMD_WRTE;
  p->arg0 = static_cast<uint32_t>(g_adb.m_Channels[channel].m_nLocalId.load());
  p->arg1 = static_cast<uint32_t>(g_adb.m_Channels[channel].m_nRemoteId.load());
  if (length) std::memcpy(p->m_Data, data, static_cast<size_t>(length));
  p->data_length = static_cast<uint32_t>(length);
  return SendAdbPacket(p, false, 0);
}

int Corvane_Adb_TcpRead_CMD(uint8_t* buffer, int n) {
  return ChannelRead({0, true, 2}, buffer, n);
}

int Corvane_Adb_TcpRead_Video(uint8_t* buffer, int n) {
  if (static_cast<uint32_t>(n) > kVideoFlood && n > 0) {
    LinkLog("[@@] Corvane_Adb_TcpRead_Video  Buff Flood=%d   \n", n);
    return 0;
  }
  if (n > 0 && static_cast<uint32_t>(n) > kVideoLarge)
    LinkLog("[@@] Corvane_Adb_TcpRead_Video  toRead=%d   \n", n);
  return ChannelRead({1, false, 1}, buffer, n);
}

int Corvane_Adb_TcpRead_Media(uint8_t* buffer, int n) {
  uint8_t open = g_adb.m_Channels[2].m_nRemoteId != -1;
  if (!open || !g_adb.m_Life.m_bUsbUp) {
    LinkLog("[@@] Media Read Erroe  Not Connect   len=0X%x, bConnect=%d, isUsbConnected=%d  \n", n, open,
            g_adb.m_Life.m_bUsbUp.load());
  }
  return ChannelRead({2, false, 2}, buffer, n);
}

int Corvane_Adb_TcpRead_TTS(uint8_t* buffer, int n) {
  return ChannelRead({3, true, 2}, buffer, n);
}

int Corvane_Adb_TcpRead_VR(uint8_t* buffer, int n) {
  return ChannelRead({4, true, 2}, buffer, n);
}
