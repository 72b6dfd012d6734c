// One decoder of the stand-in vendor layer: its audio FIFO with the consumer that tests drive, its
// volumes and outputs, and for a video decoder the picture record it writes when one is fetched.
#pragma once

#include "platform/msdkcore/msdkrecord.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace msdk {

class CMsdkDecoder {
 public:
  CMsdkDecoder(DWORD u4Type, DWORD u4Kind, DWORD u4AfifoSize);
  ~CMsdkDecoder();
  CMsdkDecoder(const CMsdkDecoder&) = delete;
  CMsdkDecoder& operator=(const CMsdkDecoder&) = delete;

  DWORD Kind() const { return m_dwKind; }

  // ---- audio FIFO. One byte always stays free, so equal offsets mean empty.
  void GetAfifo(AVD_AFIFO_ADDR* prAddr);
  void GetWritePoint(AVD_WRITE_POINT* prPoint);
  // The decoder may read up to the new write offset; false for an offset outside the FIFO.
  bool Publish(DWORD u4WriteOffset);
  DWORD Consume(DWORD u4Max);
  DWORD Pending();
  void Refresh();
  void SetFrozen(bool fgFrozen);
  bool Frozen();
  // "AUDEOS" is set once nothing is pending (at once when nothing is).
  void AskEos();
  // A stopped decoder drains no more: an asked-for end of stream is given now.
  void Stop();
  void SetDrain(Drain eDrain, bool fgKeep);
  std::vector<BYTE> Consumed();
  uint64_t ConsumedCount();

  // ---- volumes and outputs
  void SetVolume(DWORD u4Param, INT i4Value);
  bool GetVolume(DWORD u4Param, INT* pi4Value);
  void OpenOutputs(DWORD u4Mask);
  void CloseOutputs(DWORD u4Mask);
  DWORD OpenOutputs();

  // ---- video
  void TakeInput(const AVD_VIDEO_INPUT& rInput);
  // Writes the next picture into the record of the last input; returns what it wrote.
  AVD_PICTURE NextPicture();
  void QueuePicture(const AVD_PICTURE& rPicture);

 private:
  DWORD PendingLocked() const;
  DWORD ConsumeLocked(DWORD u4Max);
  // True when an asked-for end of stream has just been reached; the caller signals it unlocked.
  bool TakeEosLocked();
  void DrainThread();
  void StopDrainThread();

  const DWORD m_dwType;
  const DWORD m_dwKind;

  std::mutex m_Lock;  // guards everything below
  std::condition_variable m_Changed;
  std::vector<BYTE> m_Fifo;
  DWORD m_dwRead = 0;
  DWORD m_dwWrite = 0;
  bool m_bFrozen = false;
  bool m_bEosAsked = false;
  bool m_bQuit = false;
  Drain m_Drain = Drain::kByHand;
  bool m_bKeep = true;
  std::vector<BYTE> m_Consumed;
  uint64_t m_u8ConsumedCount = 0;
  std::thread m_Drainer;
  INT m_nFront = 0;
  INT m_nRear = 0;
  DWORD m_dwOutputs = 0;
  AVD_PICTURE* m_pOutput = nullptr;
  DWORD m_dwLastPts = 0;
  DWORD m_dwPictures = 0;
  std::deque<AVD_PICTURE> m_Queued;
  static const int kFrames = 4;
  BYTE m_byLuma[kFrames][16] = {};
  BYTE m_byChroma[kFrames][16] = {};
};

}  // namespace msdk
