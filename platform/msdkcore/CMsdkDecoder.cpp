#include "platform/msdkcore/CMsdkDecoder.h"

#include "platform/kernel/kernel.h"

#include <algorithm>
#include <cstring>

namespace msdk {

namespace {

const DWORD kPictureWidth = 800;
const DWORD kPictureHeight = 480;

// The library holds "AUDEOS" open while it waits; a set without a holder is lost, as on the target.
void SignalEos() {
  HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, AVD_EOS_EVENT);
  if (hEvent == nullptr) return;
  SetEvent(hEvent);
  CloseHandle(hEvent);
}

}  // namespace

CMsdkDecoder::CMsdkDecoder(DWORD u4Type, DWORD u4Kind, DWORD u4AfifoSize)
    : m_dwType(u4Type), m_dwKind(u4Kind), m_Fifo(u4Kind == AVD_KIND_AUDIO ? u4AfifoSize : 0) {
  (void)m_dwType;
}

CMsdkDecoder::~CMsdkDecoder() {
  StopDrainThread();
}

void CMsdkDecoder::GetAfifo(AVD_AFIFO_ADDR* prAddr) {
  std::lock_guard<std::mutex> guard(m_Lock);
  prAddr->pbStart = m_Fifo.data();
  prAddr->pbEnd = m_Fifo.data() + m_Fifo.size();
}

DWORD CMsdkDecoder::PendingLocked() const {
  const DWORD size = static_cast<DWORD>(m_Fifo.size());
  return size == 0 ? 0 : (m_dwWrite + size - m_dwRead) % size;
}

void CMsdkDecoder::GetWritePoint(AVD_WRITE_POINT* prPoint) {
  std::lock_guard<std::mutex> guard(m_Lock);
  const DWORD size = static_cast<DWORD>(m_Fifo.size());
  prPoint->u4WriteOffset = m_dwWrite;
  prPoint->u4FreeBytes = size == 0 ? 0 : size - 1 - PendingLocked();
}

bool CMsdkDecoder::Publish(DWORD u4WriteOffset) {
  bool eos = false;
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    if (u4WriteOffset >= m_Fifo.size()) return false;
    m_dwWrite = u4WriteOffset;
    if (m_Drain == Drain::kOnWrite && !m_bFrozen) {
      ConsumeLocked(PendingLocked());
      eos = TakeEosLocked();
    }
  }
  m_Changed.notify_all();
  if (eos) SignalEos();
  return true;
}

DWORD CMsdkDecoder::ConsumeLocked(DWORD u4Max) {
  const DWORD size = static_cast<DWORD>(m_Fifo.size());
  DWORD done = 0;
  while (done < u4Max && PendingLocked() > 0 && !m_bFrozen) {
    const DWORD end = m_dwWrite >= m_dwRead ? m_dwWrite : size;
    const DWORD n = std::min(u4Max - done, end - m_dwRead);
    if (m_bKeep)
      m_Consumed.insert(m_Consumed.end(), m_Fifo.begin() + m_dwRead, m_Fifo.begin() + m_dwRead + n);
    m_u8ConsumedCount += n;
    m_dwRead = (m_dwRead + n) % size;
    done += n;
  }
  return done;
}

bool CMsdkDecoder::TakeEosLocked() {
  if (!m_bEosAsked || PendingLocked() != 0) return false;
  m_bEosAsked = false;
  return true;
}

DWORD CMsdkDecoder::Consume(DWORD u4Max) {
  DWORD done = 0;
  bool eos = false;
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    done = ConsumeLocked(u4Max);
    eos = TakeEosLocked();
  }
  if (eos) SignalEos();
  return done;
}

DWORD CMsdkDecoder::Pending() {
  std::lock_guard<std::mutex> guard(m_Lock);
  return PendingLocked();
}

void CMsdkDecoder::Refresh() {
  bool eos = false;
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_dwRead = m_dwWrite;
    eos = TakeEosLocked();
  }
  if (eos) SignalEos();
}

void CMsdkDecoder::SetFrozen(bool fgFrozen) {
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_bFrozen = fgFrozen;
  }
  m_Changed.notify_all();
}

bool CMsdkDecoder::Frozen() {
  std::lock_guard<std::mutex> guard(m_Lock);
  return m_bFrozen;
}

void CMsdkDecoder::AskEos() {
  bool eos = false;
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_bEosAsked = true;
    eos = TakeEosLocked();
  }
  if (eos) SignalEos();
}

void CMsdkDecoder::Stop() {
  bool eos = false;
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    eos = m_bEosAsked;
    m_bEosAsked = false;
  }
  if (eos) SignalEos();
}

void CMsdkDecoder::SetDrain(Drain eDrain, bool fgKeep) {
  StopDrainThread();
  std::lock_guard<std::mutex> guard(m_Lock);
  m_Drain = eDrain;
  m_bKeep = fgKeep;
  m_bQuit = false;
  if (eDrain == Drain::kThread) m_Drainer = std::thread([this] { DrainThread(); });
}

void CMsdkDecoder::StopDrainThread() {
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_bQuit = true;
  }
  m_Changed.notify_all();
  if (m_Drainer.joinable()) m_Drainer.join();
}

void CMsdkDecoder::DrainThread() {
  std::unique_lock<std::mutex> guard(m_Lock);
  for (;;) {
    m_Changed.wait(guard, [this] { return m_bQuit || (!m_bFrozen && PendingLocked() > 0); });
    if (m_bQuit) return;
    ConsumeLocked(PendingLocked());
    if (TakeEosLocked()) {
      guard.unlock();
      SignalEos();
      guard.lock();
    }
  }
}

std::vector<BYTE> CMsdkDecoder::Consumed() {
  std::lock_guard<std::mutex> guard(m_Lock);
  return m_Consumed;
}

uint64_t CMsdkDecoder::ConsumedCount() {
  std::lock_guard<std::mutex> guard(m_Lock);
  return m_u8ConsumedCount;
}

void CMsdkDecoder::SetVolume(DWORD u4Param, INT i4Value) {
  std::lock_guard<std::mutex> guard(m_Lock);
  (u4Param == AVD_APARAM_FRONT_VOLUME ? m_nFront : m_nRear) = i4Value;
}

bool CMsdkDecoder::GetVolume(DWORD u4Param, INT* pi4Value) {
  std::lock_guard<std::mutex> guard(m_Lock);
  if (u4Param == AVD_APARAM_FRONT_VOLUME_GET) {
    *pi4Value = m_nFront;
  } else if (u4Param == AVD_APARAM_REAR_VOLUME_GET) {
    *pi4Value = m_nRear;
  } else {
    return false;
  }
  return true;
}

void CMsdkDecoder::OpenOutputs(DWORD u4Mask) {
  std::lock_guard<std::mutex> guard(m_Lock);
  m_dwOutputs |= u4Mask;
}

void CMsdkDecoder::CloseOutputs(DWORD u4Mask) {
  std::lock_guard<std::mutex> guard(m_Lock);
  m_dwOutputs &= ~u4Mask;
}

DWORD CMsdkDecoder::OpenOutputs() {
  std::lock_guard<std::mutex> guard(m_Lock);
  return m_dwOutputs;
}

void CMsdkDecoder::TakeInput(const AVD_VIDEO_INPUT& rInput) {
  std::lock_guard<std::mutex> guard(m_Lock);
  m_pOutput = rInput.prOutput;
  m_dwLastPts = rInput.u4Pts;
}

AVD_PICTURE CMsdkDecoder::NextPicture() {
  std::lock_guard<std::mutex> guard(m_Lock);
  AVD_PICTURE picture{};
  if (!m_Queued.empty()) {
    picture = m_Queued.front();
    m_Queued.pop_front();
  } else {
    const int frame = static_cast<int>(m_dwPictures % kFrames);
    picture.rHead.pbLuma = m_byLuma[frame];
    picture.rHead.pbChroma = m_byChroma[frame];
    picture.rHead.u4Pitch = kPictureWidth;
    picture.rHead.u4Pts = m_dwLastPts;
    picture.rHead.u4Height = kPictureHeight;
    picture.rHead.u4Width = kPictureWidth;
    picture.u4DisplayWidth = kPictureWidth;
    picture.u4DisplayHeight = kPictureHeight;
    picture.u4FrameDone = 1;
  }
  ++m_dwPictures;
  if (m_pOutput != nullptr) std::memcpy(m_pOutput, &picture, sizeof(picture));
  return picture;
}

void CMsdkDecoder::QueuePicture(const AVD_PICTURE& rPicture) {
  std::lock_guard<std::mutex> guard(m_Lock);
  m_Queued.push_back(rPicture);
}

}  // namespace msdk
