// The writer thread: drains the queue of outgoing packets onto "ADB1:". The queue owns every
// block in it; a block refused or left over is released here.
#include "phonelink/AdbSession.h"
#include "phonelink/LinkLog.h"

#include "platform/kernel/CsLock.h"

namespace {
AdbPacket* TakeOldest() {
  CsLock lock(&g_adb.m_Writer.m_cs);
  return g_adb.m_Writer.m_Queue.Pop();
}

DWORD CorvaneWriteThread(LPVOID) {
  AdbWriterContext& writer = g_adb.m_Writer;
  if (writer.m_bStop) {
    LinkLog("!!!!!!! CorvaneWriteThread Exit 0X%x \n", 0u);
    return 0;
  }
  bool sent = false;
  while (!writer.m_bStop) {
    if (!sent) WaitForSingleObject(writer.m_hEvent, INFINITE);
    sent = false;
    if (writer.m_bStop) break;
    if (!g_adb.m_Life.m_bUsbUp) {
      // Nothing goes out while no phone is there; what was queued for it is dropped.
      ClearQueue();
      continue;
    }
    AdbPacket* p = TakeOldest();
    if (!p) continue;
    if (g_adb.m_Life.m_bUsbUp) {
      uint8_t header[ADB_HEADER_SIZE];
      p->EncodeHeader(header);
      if (usb_write(header, ADB_HEADER_SIZE) && p->data_length > 0) usb_write(p->m_Data, p->data_length);
    }
    AdbPacket::Release(p);
    sent = true;
  }
  LinkLog("!!!!!!! CorvaneWriteThread Exit 0X%x \n", 0u);
  return 0;
}
}  // namespace

int StartWriter(int priority) {
  AdbWriterContext& writer = g_adb.m_Writer;
  if (writer.m_hThread) {
    LinkLog("!!!!!!! thread has created!  0x%x \r\n", 0u);
    return 0;
  }
  InitializeCriticalSection(&writer.m_cs);
  writer.m_bLockMade = true;
  writer.m_bStop = 0;
  if (!writer.m_hEvent) writer.m_hEvent = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_USB_WRITE");
  ResetEvent(writer.m_hEvent);
  writer.m_hThread = CreateThread(nullptr, 0, CorvaneWriteThread, nullptr, 0, nullptr);
  if (writer.m_hThread && priority != -1) CeSetThreadPriority(writer.m_hThread, priority);
  return 1;
}

void StopWriter() {
  AdbWriterContext& writer = g_adb.m_Writer;
  if (!writer.m_bLockMade) return;
  writer.m_bStop = 1;
  if (writer.m_hThread) {
    SetEvent(writer.m_hEvent);
    LinkLog("!!!!!!! WaitFor write Thread Exit 0X%x \n", 0u);
    WaitForSingleObject(writer.m_hThread, INFINITE);
    CloseHandle(writer.m_hThread);
    writer.m_hThread = nullptr;
  }
  ClearQueue();
  DeleteCriticalSection(&writer.m_cs);
  writer.m_bLockMade = false;
  CloseHandle(writer.m_hEvent);
  writer.m_hEvent = nullptr;
}

int QueuePacket(AdbPacket* packet) {
  if (!packet) return 0;
  AdbWriterContext& writer = g_adb.m_Writer;
  if (writer.m_bStop || !writer.m_bLockMade) {
    AdbPacket::Release(packet);
    return 0;
  }
  {
    CsLock lock(&writer.m_cs);
    writer.m_Queue.Push(packet);
  }
  SetEvent(writer.m_hEvent);
  return 1;
}

void ClearQueue() {
  AdbWriterContext& writer = g_adb.m_Writer;
  if (!writer.m_bLockMade) return;
  CsLock lock(&writer.m_cs);
  while (AdbPacket* p = writer.m_Queue.Pop()) AdbPacket::Release(p);
}

void ApplyWriterPriority(int priority) {
  AdbWriterContext& writer = g_adb.m_Writer;
  if (writer.m_hThread && priority != -1) CeSetThreadPriority(writer.m_hThread, priority);
}

bool WriterRunning() {
  return g_adb.m_Writer.m_hThread != nullptr;
}
