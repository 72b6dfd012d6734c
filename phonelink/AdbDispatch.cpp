// ADB packets: sending (check word, magic, request tracking) and the dispatch of every packet
// the USB reader accepts.
#include "phonelink/AdbKeys.h"
#include "phonelink/AdbSession.h"
#include "phonelink/CAdbPushFile.h"
#include "phonelink/LinkLog.h"

#include <cstring>

int SendAdbPacket(AdbPacket* packet, bool track, int32_t kind) {
  if (!packet) return 0;
  if (packet->data_length > ADB_MAX_PAYLOAD) packet->data_length = ADB_MAX_PAYLOAD;
  packet->Complete();
  if (track) {
    g_adb.m_Tracker.m_Requests.Add(kind, packet->arg0, packet->arg1);
    ++g_adb.m_Tracker.m_nCounter;
  }
  return QueuePacket(packet);
}

static AdbPacket* NewPacket(uint32_t command, uint32_t arg0, uint32_t arg1, const void* data,
                            uint32_t length) {
  AdbPacket* p = AdbPacket::Alloc();
  if (!p) return nullptr;
  if (length > ADB_MAX_PAYLOAD) length = ADB_MAX_PAYLOAD;
  p->command = command;
  p->arg0 = arg0;
  p->arg1 = arg1;
  if (length) std::memcpy(p->m_Data, data, length);
  p->data_length = length;
  return p;
}

int SendAdbOpen(const char* service, int32_t kind) {
  g_adb.m_Tracker.m_nCurrentOp = kind;
  size_t length = std::strlen(service) + 1;
  if (length > ADB_MAX_PAYLOAD) return 0;
  AdbPacket* p = NewPacket(ADB_CMD_OPEN, static_cast<uint32_t>(g_adb.m_Tracker.m_nCounter.load()), 0, service,
                           static_cast<uint32_t>(length));
  return SendAdbPacket(p, true, kind);
}

int SendAdbOkay(uint32_t localId, uint32_t remoteId) {
  return SendAdbPacket(NewPacket(ADB_CMD_OKAY, localId, remoteId, nullptr, 0), false, 0);
}

static int SendAdbClose(uint32_t localId, uint32_t remoteId) {
  return SendAdbPacket(NewPacket(ADB_CMD_CLSE, localId, remoteId, nullptr, 0), false, 0);
}

int SendAdbConnect() {
  return SendAdbPacket(NewPacket(ADB_CMD_CNXN, ADB_VERSION, ADB_MAX_PAYLOAD, "host::", 7), false, 0);
}

bool AcceptAdbPacket(const AdbPacket* packet) {
  int32_t local = static_cast<int32_t>(packet->arg1);
  if (g_adb.m_Tracker.IsCurrent(local)) return true;
  int32_t staleChannel = g_adb.m_Tracker.m_nStaleChannel;
  int32_t staleRequest = g_adb.m_Tracker.m_nStaleRequest;
  if (packet->command == ADB_CMD_WRTE) {
    LinkLog(
        "[@@] last connected data   [(len=%d) (local_ID=%d)]   [ Invalid_Tcp_ID=%d ,Invalid_Local_ID=%d] \n",
        packet->data_length, local, staleChannel, staleRequest);
    return false;
  }
  LinkLog(
      "[@@] mabye invalid data   [(cmd=%x) (len=%d) (local_ID=%d)]   [ Invalid_Tcp_ID=%d "
      ",Invalid_Local_ID=%d] \n",
      packet->command, packet->data_length, local, staleChannel, staleRequest);
  return true;
}

static void HandleAuth(const AdbPacket* packet) {
  if (packet->arg0 != ADB_AUTH_TOKEN) return;
  AdbKeyNode* key = NextKey(g_adb.m_Life.m_pKeyCursor);
  g_adb.m_Life.m_pKeyCursor = key;
  AdbPacket* reply = NewPacket(ADB_CMD_AUTH, 0, 0, nullptr, 0);
  if (!reply) return;
  if (key) {
    uint32_t length = SignToken(key, packet->m_Data, packet->data_length, reply->m_Data);
    if (length == 0) {
      // No answer to this token: the phone sends another one or gives up.
      AdbPacket::Release(reply);
      return;
    }
    reply->arg0 = ADB_AUTH_SIGNATURE;
    reply->data_length = length;
  } else {
    reply->arg0 = ADB_AUTH_RSAPUBLICKEY;
    reply->data_length = GetPublicKeyText(reinterpret_cast<char*>(reply->m_Data), ADB_MAX_PAYLOAD);
  }
  SendAdbPacket(reply, false, 0);
}

static void HandleOkay(const AdbPacket* packet) {
  int c = g_adb.m_Channels.FindByLocal(packet->arg1);
  if (c >= 0) {
    g_adb.m_Channels[c].m_nRemoteId = static_cast<int32_t>(packet->arg0);
    SetEvent(g_adb.m_Channels[c].m_hEvent);
    return;
  }
  AdbRequest req;
  if (!g_adb.m_Tracker.m_Requests.Find(packet->arg1, &req)) return;
  g_adb.m_Tracker.m_Requests.SetRemote(req.m_nSerial, packet->arg0);
  switch (req.m_nKind) {
    case ADB_KIND_SYNC:
      if (CAdbPushFile* push = CAdbPushFile::Owner(static_cast<int32_t>(packet->arg1))) {
        push->SetOpened(static_cast<int32_t>(packet->arg0));
        push->SendNextSlice();
      } else {
        ++g_adb.m_Tracker.m_nCounter;
        g_adb.m_Push.m_nRemoteId = static_cast<int32_t>(packet->arg0);
        g_adb.m_Push.m_bSyncOpened = 1;
        SetEvent(g_adb.m_Push.m_hSyncOpened);
        SendImageSlice(packet->arg1, packet->arg0);
      }
      break;
    case ADB_KIND_PUSH_END:
      if (CAdbPushFile* push = CAdbPushFile::Owner(static_cast<int32_t>(packet->arg1))) push->SetDone();
      break;
    case ADB_KIND_RUN_VTSC:
      SendAdbOpen("shell:ps", ADB_KIND_PS_WATCH);
      break;
    default:
      break;
  }
}

static void HandleWrite(const AdbPacket* packet) {
  int c = g_adb.m_Channels.FindByLocal(packet->arg1);
  if (c >= 0) {
    AdbChannel& ch = g_adb.m_Channels[c];
    if (ch.m_nRemoteId == -1) {
      ch.m_nRemoteId = static_cast<int32_t>(packet->arg0);
      LinkLog("[@@] Channel Disconnect but write data index=%d lid=%d  rid=%d \n", c, ch.m_nLocalId.load(),
              ch.m_nRemoteId.load());
    }
    // A payload that does not fit is dropped and counted by the buffer; the stream is still
    // answered, as the phone would otherwise stall every channel behind this one.
    if (ch.m_pBuffer) ch.m_pBuffer->Write(packet->m_Data, packet->data_length);
    if (c == 1 && packet->data_length == 0) {
      LinkLog("[@@] Corvane_Channel_Video write data index=%d   DataLen=%d \n", c, packet->data_length);
    }
    SendAdbOkay(packet->arg1, packet->arg0);
    return;
  }
  AdbRequest req;
  if (!g_adb.m_Tracker.m_Requests.Find(packet->arg1, &req)) {
    SendAdbOkay(packet->arg1, packet->arg0);
    return;
  }
  int32_t kind = req.m_nKind;
  if (g_adb.m_Tracker.m_nCurrentOp == ADB_KIND_PUSH_END) {
    g_adb.m_Tracker.m_Requests.SetKind(req.m_nSerial, ADB_KIND_PUSH_END);
    kind = ADB_KIND_PUSH_END;
    g_adb.m_Tracker.m_nCurrentOp = 0;
  }
  switch (kind) {
    case ADB_KIND_PLAIN:
    case ADB_KIND_PUSH_END:
      SendAdbOkay(packet->arg1, packet->arg0);
      break;
    case ADB_KIND_PS_WATCH:
    case ADB_KIND_PS_KILL:
    case ADB_KIND_RELEASE:
    case ADB_KIND_SDK:
    case ADB_KIND_APP_START:
    case ADB_KIND_LS_JAR:
      HandleShellAnswer(kind, packet);
      break;
    default:
      for (int i = 0; i < kAdbChannelCount; ++i) {
        AdbChannel& ch = g_adb.m_Channels[i];
        if (ch.m_nRemoteId == static_cast<int32_t>(packet->arg0)) {
          if (ch.m_pBuffer) ch.m_pBuffer->Write(packet->m_Data, packet->data_length);
          break;
        }
      }
      SendAdbOkay(packet->arg1, packet->arg0);
      break;
  }
}

static void HandleClose(const AdbPacket* packet) {
  int c = g_adb.m_Channels.FindByLocal(packet->arg1);
  if (c >= 0) {
    g_adb.m_Channels[c].m_nRemoteId = -1;
    SetEvent(g_adb.m_Channels[c].m_hEvent);
    return;
  }
  CAdbPushFile::Vtim().SetClosed(static_cast<int32_t>(packet->arg1));
  AdbRequest req;
  if (!g_adb.m_Tracker.m_Requests.Find(packet->arg1, &req)) return;
  g_adb.m_Tracker.m_Requests.SetRemote(req.m_nSerial, packet->arg0);
  switch (req.m_nKind) {
    case ADB_KIND_PUSH_END:
      SendAdbOpen("shell:chmod 777 /data/local/tmp/vtsc", ADB_KIND_CHMOD_VTSC);
      break;
    case ADB_KIND_CHMOD_VTSC:
      SendAdbOpen("shell:/data/local/tmp/vtsc", ADB_KIND_RUN_VTSC);
      break;
    case ADB_KIND_PS_WATCH:
      HandleHelperWatchClose();
      break;
    case ADB_KIND_APP_START:
      SetEvent(g_adb.m_Shell.m_hAppStart);
      break;
    default:
      break;
  }
  SendAdbOkay(packet->arg1, packet->arg0);
  SendAdbClose(packet->arg1, packet->arg0);
  g_adb.m_Tracker.m_Requests.Remove(req.m_nSerial);
}

void DispatchAdbPacket(AdbPacket* packet) {
  switch (packet->command) {
    case ADB_CMD_CNXN:
      g_adb.m_Life.m_bConnected = 1;
      g_adb.m_Life.m_pKeyCursor = nullptr;
      break;
    case ADB_CMD_AUTH:
      HandleAuth(packet);
      break;
    case ADB_CMD_OKAY:
      HandleOkay(packet);
      break;
    case ADB_CMD_WRTE:
      HandleWrite(packet);
      break;
    case ADB_CMD_CLSE:
      HandleClose(packet);
      break;
    default:
      break;
  }
}
