// One audio decoder instance: the caller's queue of buffers and the feeder thread that copies them
// into the vendor decoder's audio FIFO and reports each finished one.
//
// Ownership: the caller owns the instance between ADec_CreateInstance and ADec_ReleaseInstance;
// the queue (head, tail, last finished, drained) belongs to m_csQueue; the feeder thread alone
// walks the FIFO. Release clears m_bRunning, wakes the feeder and joins it before anything is
// freed, so no wait of the feeder outlives the instance.
#pragma once

#include "decoder/lumadec.h"
#include "platform/kernel/kernel.h"
#include "platform/msdkcore/msdkcore.h"

#include <atomic>

class CAdecInstance {
 public:
  // nullptr after a failure (logged), with everything it made undone.
  static CAdecInstance* Create(DWORD_PTR u4User, PFN_ADEC_CALLBACK pfnCallback, DWORD u4CodecId);
  // Stops and joins the feeder, stops and releases the decoder, frees the instance.
  void Release();

  AVD_HANDLE Decoder() const { return m_hDecoder; }
  DWORD CodecId() const { return m_dwCodecId; }
  const ADEC_MSG_ID& MsgIds() const { return m_MsgIds; }
  bool IsFeederThread() const { return GetCurrentThreadId() == m_dwFeederId; }
  void SetBlockSize(DWORD u4Bytes) { m_dwBlockSize.store(u4Bytes); }
  void SetPaced(bool fgPaced) { m_bPaced.store(fgPaced); }
  DWORD Sink() const { return m_dwSink; }
  void SetSink(DWORD u4Sink) { m_dwSink = u4Sink; }

  void Queue(ADEC_BUFFER* prBuf);
  // Until every queued buffer has gone into the FIFO; false when the feeder ended first.
  bool WaitQueueDrained();
  HANDLE EosEvent() const { return m_hEosEvent; }

 private:
  CAdecInstance() = default;
  ~CAdecInstance();
  bool MakeObjects();
  static DWORD FeederMain(LPVOID pvInst);
  void Feed();
  // The head buffer once there is one; nullptr when the feeder is to end.
  ADEC_BUFFER* WaitHead();
  // A buffer went into the FIFO whole: the queue moves on. Returns the next head, nullptr when
  // nothing more is queued yet.
  ADEC_BUFFER* Finish(ADEC_BUFFER* prBuf);
  bool Pace(const AVD_AFIFO_ADDR& rFifo);
  void Report(ADEC_BUFFER* prBuf);

  AVD_HANDLE m_hDecoder = nullptr;
  HANDLE m_hFeeder = nullptr;
  DWORD m_dwFeederId = 0;
  DWORD m_dwCodecId = 0;
  ADEC_BUFFER* m_pTail = nullptr;  // m_csQueue
  ADEC_BUFFER* m_pHead = nullptr;  // m_csQueue: the next buffer to feed
  ADEC_BUFFER* m_pDone = nullptr;  // m_csQueue: the last finished buffer
  // m_csQueue: the feeder found the queue empty and sleeps on m_hDataEvent; the next write wakes it.
  bool m_bFeederWaiting = false;
  // Set by a write that finds the feeder asleep on an empty queue and by release; every wait of the
  // feeder ends on it. Each instance has its own: a shared one lets one instance take another's
  // wake-ups.
  HANDLE m_hDataEvent = nullptr;
  ADEC_MSG_ID m_MsgIds = {};
  std::atomic<bool> m_bRunning{false};
  CRITICAL_SECTION m_csQueue;
  bool m_bQueueLock = false;
  PFN_ADEC_CALLBACK m_pfnCallback = nullptr;
  DWORD_PTR m_dwUser = 0;
  HANDLE m_hEosEvent = nullptr;     // "AUDEOS", shared by name with the decoder
  DWORD m_dwSink = ADEC_SINK_NONE;  // the caller's thread
  std::atomic<bool> m_bPaced{false};
  std::atomic<DWORD> m_dwBlockSize{0};
  // Manual reset, set while nothing is queued (m_csQueue decides when).
  HANDLE m_hDrainedEvent = nullptr;
};
