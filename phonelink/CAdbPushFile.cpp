#include "phonelink/CAdbPushFile.h"

#include "phonelink/AdbSession.h"
#include "phonelink/LinkLog.h"
#include "phonelink/LocalFile.h"
#include "phonelink/SyncImage.h"

#include "platform/kernel/CsLock.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
const uint32_t kVtimTime = 0x55AE13B4;
const uint32_t kJarTime = 0x55AE13B8;
}  // namespace

CAdbPushFile& CAdbPushFile::Vtim() {
  static CAdbPushFile vtim;
  return vtim;
}

CAdbPushFile& CAdbPushFile::Jar() {
  static CAdbPushFile jar;
  return jar;
}

CAdbPushFile* CAdbPushFile::Owner(int32_t localId) {
  if (Vtim().OwnsId(localId)) return &Vtim();
  if (Jar().OwnsId(localId)) return &Jar();
  return nullptr;
}

CAdbPushFile::CAdbPushFile() {
  m_hOpened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  InitializeCriticalSection(&m_cs);
}

CAdbPushFile::~CAdbPushFile() {
  CloseHandle(m_hOpened);
  CloseHandle(m_hDone);
  DeleteCriticalSection(&m_cs);
}

void CAdbPushFile::SetHeader(const char* remotePathOrHeader, bool copy) {
  if (m_szHeader[0]) return;
  if (copy) {
    std::snprintf(m_szHeader, sizeof(m_szHeader), "%s", remotePathOrHeader);
  } else {
    SyncImage::MakeHeader(m_szHeader, sizeof(m_szHeader), remotePathOrHeader);
  }
}

void CAdbPushFile::Reset() {
  CsLock lock(&m_cs);
  ResetEvent(m_hOpened);
  ResetEvent(m_hDone);
  std::vector<uint8_t>().swap(m_Image);
  m_nFileSize = 0;
  m_nSlice = 0;
  m_bDone = 0;
  m_nLocalId = -1;
  m_nRemoteId = -1;
  m_nClosedId = -1;
}

int CAdbPushFile::Load(const char* directory, const char* name) {
  std::string path = directory ? directory : "";
  if (path.empty() || path.back() != '\\') path += '\\';
  path += name;
  CsLock lock(&m_cs);
  m_bDone = 0;
  std::vector<uint8_t> file;
  if (!ReadLocalFile(path.c_str(), &file)) {
    LinkLog("[@@] ======= push file not exist: %s \n", path.c_str());
    return 0;
  }
  bool jar = path.find("vtim.jar") != std::string::npos;
  m_nFileSize = static_cast<uint32_t>(file.size());
  m_Image = SyncImage::Build(m_szHeader, file.data(), m_nFileSize, jar ? kJarTime : kVtimTime, jar ? 8 : 12);
  m_nSlice = 0;
  return 1;
}

int CAdbPushFile::OpenSync(int32_t localId) {
  // Held for all the tries, across their waits (see SetOpened).
  CsLock lock(&m_cs);
  if (m_nLocalId == -1) m_nLocalId = localId;
  ResetEvent(m_hOpened);
  int result = -1;
  for (int attempt = 0; attempt < 4; ++attempt) {
    // Each OPEN opens the stream again, whatever the phone did with an earlier try.
    m_nClosedId = -1;
    AdbPacket* p = AdbPacket::Alloc();
    if (p) {
      p->command = ADB_CMD_OPEN;
      p->arg0 = static_cast<uint32_t>(m_nLocalId.load());
      p->arg1 = 0;
      std::memcpy(p->m_Data, "sync:", 6);
      p->data_length = 6;
      SendAdbPacket(p, true, ADB_KIND_SYNC);
    }
    if (g_adb.m_Life.WaitOrClosing(m_hOpened, 5000) == WAIT_OBJECT_0) {
      result = 0;
      break;
    }
    LinkLog("[@@] =======  push_open_sync wait timeout %d \n", attempt);
    // Without the phone no try can be answered.
    if (!g_adb.m_Life.PhoneReachable()) break;
  }
  return result;
}

void CAdbPushFile::SetRemote(int32_t remoteId) {
  CsLock lock(&m_cs);
  if (m_nRemoteId == -1) m_nRemoteId = remoteId;
}

void CAdbPushFile::SetOpened(int32_t remoteId) {
  SetEvent(m_hOpened);
  SetRemote(remoteId);
}

void CAdbPushFile::WakeWaiters() {
  if (m_hOpened) SetEvent(m_hOpened);
  if (m_hDone) SetEvent(m_hDone);
}

void CAdbPushFile::SetClosed(int32_t localId) {
  if (OwnsId(localId)) m_nClosedId = localId;
}

void CAdbPushFile::SetDone() {
  SetEvent(m_hDone);
}

void CAdbPushFile::SendNextSlice() {
  CsLock lock(&m_cs);
  if (m_Image.empty() || m_nFileSize == 0 || m_nSlice == kFinished || m_nClosedId == m_nLocalId) return;
  AdbPacket* p = AdbPacket::Alloc();
  if (!p) return;
  p->command = ADB_CMD_WRTE;
  p->arg0 = static_cast<uint32_t>(m_nLocalId.load());
  p->arg1 = static_cast<uint32_t>(m_nRemoteId);
  if (m_nSlice != kAllSent) {
    uint32_t offset = 0, length = 0;
    bool last = true;
    SyncImage::Slice(static_cast<uint32_t>(m_Image.size()), m_nSlice, &offset, &length, &last);
    if (length) std::memcpy(p->m_Data, m_Image.data() + offset, length);
    p->data_length = length;
    if (last) {
      m_nSlice = kAllSent;
      m_bDone = 1;
      SetEvent(m_hDone);
    } else {
      ++m_nSlice;
    }
    SendAdbPacket(p, false, 0);
  } else {
    std::memcpy(p->m_Data, "QUIT\0\0\0\0", 8);
    p->data_length = 8;
    m_nSlice = kFinished;
    SendAdbPacket(p, true, ADB_KIND_PUSH_END);
  }
}

int CAdbPushFile::WaitTransferEnd(DWORD ms) {
  if (g_adb.m_Life.WaitOrClosing(m_hDone, ms) == WAIT_OBJECT_0) return 1;
  LinkLog("[@@] ======= WaitTransferEnd TimeOut: %d", static_cast<int>(ms));
  return 0;
}
