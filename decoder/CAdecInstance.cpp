#include "decoder/CAdecInstance.h"

#include "decoder/LumadecVersion.h"
#include "platform/user/user.h"
#include "platform/kernel/KernelHooks.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// A real-time priority on CE's 0 to 255 scale: the FIFO must not run dry behind the UI.
const int kFeederPriority = 240;
// With no free byte in the FIFO (a frozen or slow decoder) the feeder looks again after this long
// instead of spinning at its priority; release wakes it earlier.
const DWORD kNoRoomWaitMs = 5;
// Paced writing polls the FIFO's fill at this period.
const DWORD kPaceWaitMs = 10;

struct CodecMap {
  DWORD m_dwCodecId;
  DWORD m_dwDecoderType;
};
const CodecMap kCodecs[] = {{2, 30}, {3, 46}, {4, 33}, {5, 39}, {7, 38}};

bool DecoderTypeOf(DWORD u4CodecId, DWORD* pu4Type) {
  for (const CodecMap& m : kCodecs) {
    if (m.m_dwCodecId == u4CodecId) {
      *pu4Type = m.m_dwDecoderType;
      return true;
    }
  }
  return false;
}

struct MessageName {
  LPCWSTR m_pszName;
  const char* m_pszText;
  UINT ADEC_MSG_ID::*m_pMember;
};
const MessageName kMessages[] = {{u"BUFFER_DONE", "BUFFER_DONE", &ADEC_MSG_ID::u4BufferDone},
                                 {u"OPEN_SUCCESS", "OPEN_SUCCESS", &ADEC_MSG_ID::u4OpenSuccess},
                                 {u"CLOSE_SUCCESS", "CLOSE_SUCCESS", &ADEC_MSG_ID::u4CloseSuccess}};

void CloseIfSet(HANDLE* ph) {
  if (*ph != nullptr) CloseHandle(*ph);
  *ph = nullptr;
}

}  // namespace

CAdecInstance* CAdecInstance::Create(DWORD_PTR u4User, PFN_ADEC_CALLBACK pfnCallback, DWORD u4CodecId) {
  LumadecLogVersion(kLumadecAudioVersion);
  CAdecInstance* inst = new (std::nothrow) CAdecInstance();
  if (inst == nullptr) {
    wce::DebugPrint("[Lumadec]Failed to Malloc prAdecInst\r\n");
    return nullptr;
  }
  if (pfnCallback == nullptr) {
    wce::DebugPrint("[Lumadec]Failed to Set CB function handle\r\n");
    delete inst;
    return nullptr;
  }
  inst->m_pfnCallback = pfnCallback;
  inst->m_dwUser = u4User;
  inst->m_dwCodecId = u4CodecId;
  for (const MessageName& m : kMessages) {
    inst->m_MsgIds.*m.m_pMember = RegisterWindowMessageW(m.m_pszName);
    if (inst->m_MsgIds.*m.m_pMember == 0) {
      wce::DebugPrint("[Lumadec]Failed to RegisterWindowMessage %s:%u\r\n", m.m_pszText,
                      static_cast<unsigned>(GetLastError()));
      delete inst;
      return nullptr;
    }
  }
  DWORD u4Type = 0;
  if (!DecoderTypeOf(u4CodecId, &u4Type)) {
    wce::DebugPrint("[Lumadec]Failed Support Audio Codec ID : %u\r\n", static_cast<unsigned>(u4CodecId));
    delete inst;
    return nullptr;
  }
  inst->m_hDecoder = AVDecoder_CreateInstance(u4Type, AVD_KIND_AUDIO);
  if (inst->m_hDecoder == nullptr) {
    wce::DebugPrint("[Lumadec]Failed of ADec_CreateInstance\r\n");
    delete inst;
    return nullptr;
  }
  // The events and the queue's lock exist before the feeder that uses them starts.
  if (!inst->MakeObjects()) {
    wce::DebugPrint("[Lumadec]Failed to create the feeder's events\r\n");
    inst->Release();
    return nullptr;
  }
  inst->m_bRunning.store(true);
  inst->m_hFeeder = CreateThread(nullptr, 0, FeederMain, inst, 0, &inst->m_dwFeederId);
  if (inst->m_hFeeder == nullptr) {
    wce::DebugPrint("[Lumadec]Failed to create the feeder thread\r\n");
    inst->m_bRunning.store(false);
    inst->Release();
    return nullptr;
  }
  return inst;
}

bool CAdecInstance::MakeObjects() {
  m_hDataEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  m_hEosEvent = CreateEventW(nullptr, FALSE, FALSE, AVD_EOS_EVENT);
  m_hDrainedEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  InitializeCriticalSection(&m_csQueue);
  m_bQueueLock = true;
  return m_hDataEvent != nullptr && m_hEosEvent != nullptr && m_hDrainedEvent != nullptr;
}

void CAdecInstance::Release() {
  if (m_hFeeder != nullptr) {
    m_bRunning.store(false);
    SetEvent(m_hDataEvent);
    WaitForSingleObject(m_hFeeder, INFINITE);
    CloseIfSet(&m_hFeeder);
  }
  if (m_hDecoder != nullptr) {
    AVDecoder_Stop(m_hDecoder);
    AVDecoder_Release(m_hDecoder, 0);
  }
  delete this;
}

CAdecInstance::~CAdecInstance() {
  CloseIfSet(&m_hEosEvent);
  CloseIfSet(&m_hDataEvent);
  CloseIfSet(&m_hDrainedEvent);
  if (m_bQueueLock) DeleteCriticalSection(&m_csQueue);
}

void CAdecInstance::Queue(ADEC_BUFFER* prBuf) {
  prBuf->prNext = nullptr;
  EnterCriticalSection(&m_csQueue);
  if (m_pHead == nullptr) {
    m_pHead = prBuf;
    ResetEvent(m_hDrainedEvent);
  } else {
    m_pTail->prNext = prBuf;
  }
  m_pTail = prBuf;
  // Only a feeder asleep on an empty queue is woken. One still busy finds this buffer at its next
  // look; setting the event for it would only cost it a wake-up for nothing later.
  const bool wake = m_bFeederWaiting;
  m_bFeederWaiting = false;
  LeaveCriticalSection(&m_csQueue);
  if (wake) SetEvent(m_hDataEvent);
}

bool CAdecInstance::WaitQueueDrained() {
  const HANDLE waits[2] = {m_hDrainedEvent, m_hFeeder};
  return WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0;
}

DWORD CAdecInstance::FeederMain(LPVOID pvInst) {
  static_cast<CAdecInstance*>(pvInst)->Feed();
  return 0;
}

ADEC_BUFFER* CAdecInstance::WaitHead() {
  // The queue is looked at before every wait: a write that came while the feeder was busy left
  // its buffer there, and a wake-up with nothing queued just goes back to waiting.
  for (;;) {
    if (!m_bRunning.load()) return nullptr;
    EnterCriticalSection(&m_csQueue);
    ADEC_BUFFER* prHead = m_pHead;
    m_bFeederWaiting = prHead == nullptr;
    LeaveCriticalSection(&m_csQueue);
    if (prHead != nullptr) return prHead;
    WaitForSingleObject(m_hDataEvent, INFINITE);
  }
}

ADEC_BUFFER* CAdecInstance::Finish(ADEC_BUFFER* prBuf) {
  EnterCriticalSection(&m_csQueue);
  m_pDone = prBuf;
  if (prBuf == m_pTail) {
    m_pHead = nullptr;
    m_pTail = nullptr;
    SetEvent(m_hDrainedEvent);
  } else {
    m_pHead = prBuf->prNext;
  }
  ADEC_BUFFER* prNext = m_pHead;
  LeaveCriticalSection(&m_csQueue);
  return prNext;
}

bool CAdecInstance::Pace(const AVD_AFIFO_ADDR& rFifo) {
  const DWORD u4Size = static_cast<DWORD>(rFifo.pbEnd - rFifo.pbStart);
  const DWORD u4Block = m_dwBlockSize.load();
  // Without a block size (no ADec_SetParam yet) there is nothing to pace against.
  if (!m_bPaced.load() || u4Block == 0) return true;
  while (m_bRunning.load()) {
    AVD_WRITE_POINT point = {};
    if (!AVDecoder_GetWritePoint(m_hDecoder, &point)) {
      wce::DebugPrint("[Lumadec]ADec_TxSendBuf get Write Point failed\r\n");
      return false;
    }
    if (u4Size - point.u4FreeBytes < u4Block) return true;
    WaitForSingleObject(m_hDataEvent, kPaceWaitMs);
  }
  return true;
}

void CAdecInstance::Report(ADEC_BUFFER* prBuf) {
  if (m_pfnCallback != nullptr) {
    m_pfnCallback(m_dwUser, m_MsgIds.u4BufferDone, prBuf, 0, 0);
    return;
  }
  EnterCriticalSection(&m_csQueue);
  ADEC_BUFFER* prNext = m_pHead;
  LeaveCriticalSection(&m_csQueue);
  PostMessageW(HWND_BROADCAST, m_MsgIds.u4BufferDone, 0, reinterpret_cast<LPARAM>(prNext));
}

void CAdecInstance::Feed() {
  CeSetThreadPriority(GetCurrentThread(), kFeederPriority);
  AVD_AFIFO_ADDR fifo = {};
  bool haveFifo = false;
  AVD_AUDIO_INPUT input = {};
  ADEC_BUFFER* prBuf = nullptr;
  DWORD u4Sent = 0;
  while (m_bRunning.load()) {
    if (prBuf == nullptr) {
      prBuf = WaitHead();
      if (prBuf == nullptr) break;
      u4Sent = 0;
    }
    if (!haveFifo) {
      if (!AVDecoder_GetAfifoAddr(m_hDecoder, &fifo)) {
        wce::DebugPrint("[Lumadec]ADec_TxSendBuf get afifo information failed\r\n");
        wce::DebugPrint("[Lumadec]Get Afifo Address failed\r\n");
        break;
      }
      if (fifo.pbEnd <= fifo.pbStart) {
        wce::DebugPrint("[Lumadec]ADec_TxSendBuf error get afifo start address same as the end.\r\n");
        wce::DebugPrint("[Lumadec]Get Afifo Address failed\r\n");
        break;
      }
      haveFifo = true;
    }
    const DWORD u4Size = static_cast<DWORD>(fifo.pbEnd - fifo.pbStart);
    AVD_WRITE_POINT point = {};
    if (!AVDecoder_GetWritePoint(m_hDecoder, &point)) {
      wce::DebugPrint("[Lumadec]ADec_TxSendBuf get Write Point failed\r\n");
      break;
    }
    DWORD u4Offset = point.u4WriteOffset >= u4Size ? 0 : point.u4WriteOffset;
    const DWORD u4Copy = std::min({prBuf->u4BufferLen - u4Sent, point.u4FreeBytes, u4Size - u4Offset});
    if (u4Copy == 0) {
      WaitForSingleObject(m_hDataEvent, kNoRoomWaitMs);
      continue;
    }
    std::memcpy(fifo.pbStart + u4Offset, prBuf->pbData + u4Sent, u4Copy);
    // The offset wraps to 0 at the FIFO's end: every position holds a byte, none is skipped.
    u4Offset += u4Copy;
    if (u4Offset == u4Size) u4Offset = 0;
    input.u4WriteOffset = u4Offset;
    if (!AVDecoder_SetInputBuf(m_hDecoder, &input, sizeof(input))) {
      wce::DebugPrint("[Lumadec]ADec_TxSendBuf set input buf error\r\n");
      break;
    }
    u4Sent += u4Copy;
    if (u4Sent < prBuf->u4BufferLen) continue;
    ADEC_BUFFER* prNext = Finish(prBuf);
    if (!Pace(fifo)) {
      wce::DebugPrint("[Lumadec]ADec_TxSendBuf SendBufDoneMsg error\r\n");
      break;
    }
    Report(prBuf);
    // A head once there stays the head until this thread finishes it: no second look is needed.
    prBuf = prNext;
    u4Sent = 0;
  }
  if (haveFifo) AVDecoder_ReleaseAfifoAddr(m_hDecoder);
}
