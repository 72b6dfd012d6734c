// The writer thread: drains the queue of outgoing packets onto "ADB1:". The queue owns every
// block in it; a block refused or left over is released here.
#include "AdbSession.h"
#include "LinkLog.h"

#include <deque>

namespace {
struct WriterContext {
  CRITICAL_SECTION lock;
  std::atomic<bool> lockMade{false};
  std::deque<AdbPacket*> queue;
  HANDLE event = nullptr;   // "EVENT_USB_WRITE"
  HANDLE thread = nullptr;
  std::atomic<uint8_t> stop{0};
};
WriterContext g_writer;

AdbPacket* TakeOldest() {
  EnterCriticalSection(&g_writer.lock);
  AdbPacket* p = nullptr;
  if (!g_writer.queue.empty()) {
    p = g_writer.queue.front();
    g_writer.queue.pop_front();
  }
  LeaveCriticalSection(&g_writer.lock);
  return p;
}

DWORD CorvaneWriteThread(LPVOID) {
  if (g_writer.stop) {
    LinkLog("!!!!!!! CorvaneWriteThread Exit 0X%x \n", 0u);
    return 0;
  }
  bool sent = false;
  while (!g_writer.stop) {
    if (!sent) WaitForSingleObject(g_writer.event, INFINITE);
    sent = false;
    if (g_writer.stop) break;
    if (!g_adb.usb_up) {
      // Nothing goes out while no phone is there; what was queued for it is dropped.
      ClearQueue();
      continue;
    }
    AdbPacket* p = TakeOldest();
    if (!p) continue;
    if (g_adb.usb_up) {
      uint8_t header[ADB_HEADER_SIZE];
      p->EncodeHeader(header);
      if (usb_write(header, ADB_HEADER_SIZE) && p->data_length > 0) usb_write(p->data, p->data_length);
    }
    AdbPacket::Release(p);
    sent = true;
  }
  LinkLog("!!!!!!! CorvaneWriteThread Exit 0X%x \n", 0u);
  return 0;
}
}  // namespace

int StartWriter(int priority) {
  if (g_writer.thread) {
    LinkLog("!!!!!!! thread has created!  0x%x \r\n", 0u);
    return 0;
  }
  InitializeCriticalSection(&g_writer.lock);
  g_writer.lockMade = true;
  g_writer.stop = 0;
  if (!g_writer.event) g_writer.event = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_USB_WRITE");
  ResetEvent(g_writer.event);
  g_writer.thread = CreateThread(nullptr, 0, CorvaneWriteThread, nullptr, 0, nullptr);
  if (g_writer.thread && priority != -1) CeSetThreadPriority(g_writer.thread, priority);
  return 1;
}

void StopWriter() {
  if (!g_writer.lockMade) return;
  g_writer.stop = 1;
  if (g_writer.thread) {
    SetEvent(g_writer.event);
    LinkLog("!!!!!!! WaitFor write Thread Exit 0X%x \n", 0u);
    WaitForSingleObject(g_writer.thread, INFINITE);
    CloseHandle(g_writer.thread);
    g_writer.thread = nullptr;
  }
  ClearQueue();
  DeleteCriticalSection(&g_writer.lock);
  g_writer.lockMade = false;
  CloseHandle(g_writer.event);
  g_writer.event = nullptr;
}

int QueuePacket(AdbPacket* packet) {
  if (!packet) return 0;
  if (g_writer.stop || !g_writer.lockMade) {
    AdbPacket::Release(packet);
    return 0;
  }
  EnterCriticalSection(&g_writer.lock);
  g_writer.queue.push_back(packet);
  LeaveCriticalSection(&g_writer.lock);
  SetEvent(g_writer.event);
  return 1;
}

void ClearQueue() {
  if (!g_writer.lockMade) return;
  EnterCriticalSection(&g_writer.lock);
  std::deque<AdbPacket*> old;
  old.swap(g_writer.queue);
  LeaveCriticalSection(&g_writer.lock);
  for (AdbPacket* p : old) AdbPacket::Release(p);
}

void ApplyWriterPriority(int priority) {
  if (g_writer.thread && priority != -1) CeSetThreadPriority(g_writer.thread, priority);
}

bool WriterRunning() {
  return g_writer.thread != nullptr;
}
