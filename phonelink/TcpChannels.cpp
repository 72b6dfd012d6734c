// The six projection channels: TCP streams to ports on the phone, opened through ADB's
// "tcp:" service. Channel streams are found by their small local ids, never in the request list.
#include "AdbSession.h"
#include "CorvaneAdb.h"
#include "LinkCall.h"
#include "LinkLog.h"

#include <cstdio>
#include <cstring>

namespace {
const char kAppStart[] = "shell:am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity";
const uint32_t kVideoFlood = 6291456;
const uint32_t kVideoLarge = 3145728;

bool AllClosed(int from, int to) {
  for (int c = from; c <= to; ++c) {
    if (g_adb.channels[c].remote_id != -1) return false;
  }
  return true;
}

struct ReadRule {
  int channel;
  bool needsChannel;  // keeps reading only while the channel is open
  DWORD sleepMs;
};

int ChannelRead(const ReadRule& rule, uint8_t* buffer, int n) {
  if (n < 1 || !buffer) return 0;
  LinkCall call;
  if (!call.Open()) return 0;
  AdbChannel& ch = g_adb.channels[rule.channel];
  uint32_t done = 0;
  const uint32_t wanted = static_cast<uint32_t>(n);
  while (g_adb.usb_up && (!rule.needsChannel || ch.remote_id != -1) && ch.buffer && g_adb.initialised) {
    uint32_t got = 0;
    if (ch.buffer->Read(buffer + done, wanted - done, &got)) {
      done += got;
      if (done >= wanted) return n;
    } else {
      Sleep(rule.sleepMs);
    }
  }
  return 0;
}
}  // namespace

int FindChannelByLocal(uint32_t localId) {
  for (int c = 0; c < kAdbChannelCount; ++c) {
    if (static_cast<uint32_t>(g_adb.channels[c].local_id.load()) == localId) return c;
  }
  return -1;
}

void ResetRingBuffers() {
  for (AdbChannel& ch : g_adb.channels) {
    if (ch.buffer) ch.buffer->Reset();
  }
}

void OpenChannel(int channel) {
  if (channel < 0 || channel >= kAdbChannelCount) return;
  g_adb.current_op = ADB_OP_CHANNEL_OPEN;
  AdbPacket* p = AdbPacket::Alloc();
  if (!p) return;
  p->command = ADB_CMD_OPEN;
  p->arg0 = static_cast<uint32_t>(g_adb.channels[channel].local_id.load());
  p->arg1 = 0;
  int n = std::snprintf(reinterpret_cast<char*>(p->data), ADB_MAX_PAYLOAD, "tcp:%04d",
                        g_adb.channels[channel].port);
  p->data_length = static_cast<uint32_t>(n + 1);
  SendAdbPacket(p, false, 0);
}

void Corvane_Adb_TcpConnect() {
  LinkCall call;
  if (!call.Open()) return;
  for (AdbChannel& ch : g_adb.channels) ch.local_id += kAdbChannelCount;
  AdbChannel* c = g_adb.channels;
  LinkLog("[@@] TcpConnect ID (%d, %d, %d, %d, %d, %d) \n", c[0].local_id.load(), c[1].local_id.load(),
          c[2].local_id.load(), c[3].local_id.load(), c[4].local_id.load(), c[5].local_id.load());
  for (AdbChannel& ch : g_adb.channels) ResetEvent(ch.event);
  for (int i = 0; i < kAdbChannelCount; ++i) {
    OpenChannel(i);
    WaitForSingleObject(c[i].event, 100);
  }
  for (int pass = 0; pass < 10 && g_adb.usb_up && g_adb.initialised; ++pass) {
    if (c[0].remote_id == -1) {
      if (AllClosed(1, 5)) {
        // Nothing listens: the phone app is not running, start it again.
        SendAdbOpen(kAppStart, ADB_KIND_PLAIN);
        Sleep(150);
        if (c[0].remote_id == -1) OpenChannel(0);
      } else {
        OpenChannel(0);
      }
    }
    for (int i = 1; i <= 5; ++i) {
      if (c[i].remote_id == -1) OpenChannel(i);
    }
    bool all = true;
    for (int i = 0; i < kAdbChannelCount; ++i) all = all && c[i].remote_id != -1;
    if (all) break;
    Sleep(200);
  }
}

int Corvane_Adb_TcpDisconnect(int channel) {
  LinkCall call;
  if (!g_adb.usb_up || !call.Open()) return 0;
  for (int c = 0; c < kAdbChannelCount; ++c) {
    if (channel != 6 && channel != c) continue;
    AdbPacket* p = AdbPacket::Alloc();
    if (!p) continue;
    p->command = ADB_CMD_CLSE;
    p->arg0 = static_cast<uint32_t>(g_adb.channels[c].local_id.load());
    p->arg1 = static_cast<uint32_t>(g_adb.channels[c].remote_id.load());
    SendAdbPacket(p, false, 0);
  }
  for (int i = 0; i <= 10; ++i) {
    if (AllClosed(0, 5)) {
      ResetRingBuffers();
      return 0;
    }
    if (i == 10 || !g_adb.usb_up || !g_adb.initialised) break;
    Sleep(200);
  }
  return 0;
}

BYTE Corvane_Adb_IsChannelConnected(int channel) {
  if (channel < 0 || channel >= kAdbChannelCount) return 0;
  return g_adb.channels[channel].remote_id != -1 ? 1 : 0;
}

int Corvane_Adb_GetChannelDataSize(int channel) {
  LinkCall call;
  if (!call.Open() || channel < 0 || channel >= kAdbChannelCount || !g_adb.channels[channel].buffer) return 0;
  return static_cast<int>(g_adb.channels[channel].buffer->GetUsedSize());
}

int Corvane_Adb_TcpWrite(int channel, const void* data, int length) {
  LinkCall call;
  if (channel < 0 || channel >= kAdbChannelCount || length < 0 || !call.Open()) return 0;
  // One packet per write; the system never writes more than 1024 bytes at once.
  if (static_cast<uint32_t>(length) > ADB_MAX_PAYLOAD || (length > 0 && !data)) return 0;
  g_adb.current_op = ADB_OP_CHANNEL_WRITE;
  AdbPacket* p = AdbPacket::Alloc();
  if (!p) return 0;
  p->command = ADB_CMD_WRTE;
  p->arg0 = static_cast<uint32_t>(g_adb.channels[channel].local_id.load());
  p->arg1 = static_cast<uint32_t>(g_adb.channels[channel].remote_id.load());
  if (length) std::memcpy(p->data, data, static_cast<size_t>(length));
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
  uint8_t open = g_adb.channels[2].remote_id != -1;
  if (!open || !g_adb.usb_up) {
    LinkLog("[@@] Media Read Erroe  Not Connect   len=0X%x, bConnect=%d, isUsbConnected=%d  \n", n, open,
            g_adb.usb_up.load());
  }
  return ChannelRead({2, false, 2}, buffer, n);
}

int Corvane_Adb_TcpRead_TTS(uint8_t* buffer, int n) {
  return ChannelRead({3, true, 2}, buffer, n);
}

int Corvane_Adb_TcpRead_VR(uint8_t* buffer, int n) {
  return ChannelRead({4, true, 2}, buffer, n);
}
