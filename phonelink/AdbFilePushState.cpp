#include "phonelink/AdbFilePushState.h"

#include "phonelink/CAdbPushFile.h"
#include "phonelink/LinkHandle.h"

namespace {
const char kVtimHeader[] = "SEND    /data/local/tmp/vtim,33206DATA";
const char kJarHeader[] = "SEND    /data/local/tmp/vtim.jar,33206DATA";
}  // namespace

void AdbFilePushState::Create() {
  m_hSyncOpened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hPushDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  CAdbPushFile::Vtim().SetHeader(kVtimHeader, true);
  CAdbPushFile::Jar().SetHeader(kJarHeader, true);
}

void AdbFilePushState::Release() {
  for (HANDLE* h : {&m_hSyncOpened, &m_hPushDone}) CloseLinkHandle(h);
  CAdbPushFile::Vtim().Reset();
  CAdbPushFile::Jar().Reset();
  std::lock_guard<std::mutex> hold(m_Lock);
  std::vector<uint8_t>().swap(m_Image);
}

void AdbFilePushState::WakeWaiters() {
  for (HANDLE h : {m_hSyncOpened, m_hPushDone}) {
    if (h) SetEvent(h);
  }
  CAdbPushFile::Vtim().WakeWaiters();
  CAdbPushFile::Jar().WakeWaiters();
}
