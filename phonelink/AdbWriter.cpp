// The writer thread: drains the queue of outgoing packets onto "ADB1:". The queue owns every
// block in it; a block refused or left over is released here.
#include "phonelink/AdbSession.h"
#include "phonelink/LinkLog.h"

#include <vector>

namespace {
// The packets waiting to go out, oldest first: a ring of block pointers that grows when full and
// never shrinks, so that queueing costs no allocation once the link runs.
class PacketQueue {
 public:
  bool Empty() const { return m_nCount == 0; }
  void Push(AdbPacket* p) {
    if (m_nCount == m_slots.size()) Grow();
    m_slots[(m_nHead + m_nCount) % m_slots.size()] = p;
    ++m_nCount;
  }
  AdbPacket* Pop() {
    if (m_nCount == 0) return nullptr;
    AdbPacket* p = m_slots[m_nHead];
    m_nHead = (m_nHead + 1) % m_slots.size();
    --m_nCount;
    return p;
  }

 private:
  void Grow() {
    std::vector<AdbPacket*> bigger(m_slots.empty() ? 16 : 2 * m_slots.size());
    for (size_t i = 0; i < m_nCount; ++i) bigger[i] = m_slots[(m_nHead + i) % m_slots.size()];
    m_slots.swap(bigger);
    m_nHead = 0;
  }

  std::vector<AdbPacket*> m_slots;
  size_t m_nHead = 0;
  size_t m_nCount = 0;
};

struct WriterContext {
  CRITICAL_SECTION lock;
  std::atomic<bool> lockMade{false};
  PacketQueue queue;
  HANDLE event = nullptr;  // "EVENT_USB_WRITE"
  HANDLE thread = nullptr;
  std::atomic<uint8_t> stop{0};
};
WriterContext g_writer;

AdbPacket* TakeOldest() {
  EnterCriticalSection(&g_writer.lock);
  AdbPacket* p = g_writer.queue.Pop();
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
    if (!g_adb.m_life.m_bUsbUp) {
      // Nothing goes out while no phone is there; what was queued for it is dropped.
      ClearQueue();
      continue;
    }
    AdbPacket* p = TakeOldest();
    if (!p) continue;
    if (g_adb.m_life.m_bUsbUp) {
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
  g_writer.queue.Push(packet);
  LeaveCriticalSection(&g_writer.lock);
  SetEvent(g_writer.event);
  return 1;
}

void ClearQueue() {
  if (!g_writer.lockMade) return;
  EnterCriticalSection(&g_writer.lock);
  while (AdbPacket* p = g_writer.queue.Pop()) AdbPacket::Release(p);
  LeaveCriticalSection(&g_writer.lock);
}

void ApplyWriterPriority(int priority) {
  if (g_writer.thread && priority != -1) CeSetThreadPriority(g_writer.thread, priority);
}

bool WriterRunning() {
  return g_writer.thread != nullptr;
}
