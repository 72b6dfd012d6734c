#include "engine/CorvanePicture.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CSingleInstance.h"
#include "engine/CorvaneCommand.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/DibBmp.h"
#include "engine/EngineLog.h"
#include "engine/JpegLib.h"
#include "phonelink/CorvaneAdb.h"
#include "platform/kernel/kernel.h"
#include "platform/user/user.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace {
CSingleInstance<CorvanePicture>& Storage() {
  return g_CorvaneEngineSession.m_Instances.m_Picture;
}
std::atomic<bool>& VideoSeen() {
  return g_CorvaneEngineSession.m_Picture.m_bVideoSeen;
}

bool IsVideoType(uint32_t type) {
  return type == MSG_VIDEO_PICTURE || type == MSG_VIDEO_HEARTBEAT;
}
}  // namespace

BOOL IsVideoDataReceived() {
  return VideoSeen() ? TRUE : FALSE;
}

CorvanePicture* CorvanePicture::GetInstance() {
  return Storage().Get([] {
    CorvanePicture* p = new (std::nothrow) CorvanePicture();
    if (p != nullptr) p->m_Reader.LogIfNoBuffer("CTranRecvPackageProcess");
    return p;
  });
}

CorvanePicture* CorvanePicture::Peek() {
  return Storage().Peek();
}

void CorvanePicture::DestroyInstance() {
  delete Storage().Take();
}

CorvanePicture::CorvanePicture()
    : m_hTargetWnd(HWND_BROADCAST),
      m_Reader(CORVANE_CHANNEL_VIDEO, Corvane_Adb_TcpRead_Video, CPackageReader::kStreamFrame, kInitialSize,
               kMaxRevLen, {"Video", "Video", true}) {
  VideoSeen() = false;
}

void CorvanePicture::Reset() {
  m_Reader.Reset();
  m_nFrameCount = 0;
  VideoSeen() = false;
}

bool CorvanePicture::IsHeaderPending() const {
  return m_Reader.IsHeaderPending();
}

void CorvanePicture::Drain() {
  uint8_t scratch[512];
  const CorvaneChannel& channel = m_Reader.Channel();
  for (;;) {
    uint32_t n = std::min<uint32_t>(channel.Buffered(), sizeof(scratch));
    if (n == 0 || !channel.Read(scratch, n)) break;
  }
  Reset();
}

void CorvanePicture::ServeRequests() {
  // Both before anything is read, so neither cuts a package of the new connection.
  m_DrainRequest.Serve([this] { Drain(); });
  m_ResetRequest.Serve([this] { Reset(); });
}

int CorvanePicture::receivePackageData() {
  ServeRequests();
  return ReadStep();
}

int CorvanePicture::ReadStep() {
  if (!m_Reader.IsConnected()) return 0;
  const CorvaneChannel& channel = m_Reader.Channel();
  uint32_t buffered = channel.Buffered();
  if (buffered != 0) VideoSeen() = true;
  // The rest of a package that could not be held comes first.
  if (m_Reader.SkipRemaining() > 0) {
    if (!m_Reader.ContinueSkip()) return 0;
    buffered = channel.Buffered();
  }

  if (buffered > kBacklogLimit && !m_Reader.IsHeaderPending()) {
    EngineLog("!!!!!!!  Picture FlushData Start \n");
    DWORD start = GetTickCount();
    if (g_nPhoneFrameRate != 3) PostMessageW(HWND_BROADCAST, INNER_MSG_FRAME_RATE_CHANGE, 0, 3);
    FlushData();
    EngineLog("!!!!!!!  Picture FlushData  len= %d  dwFlushTime=%d \n", buffered,
              static_cast<int>(GetTickCount() - start));
    return 1;
  }

  bool taken = false;
  for (;;) {
    if (!m_Reader.IsHeaderPending()) {
      uint32_t n = channel.Buffered();
      if (n < CorvaneFrame::kStreamHeaderSize) break;
      if (!m_Reader.ReadHeader()) {
        EngineLog("!!!!!!!  Corvane_Adb_TcpRead_Video Must not be here::  len= %d  Read=%d \n", n, 0);
        break;
      }
      if (!IsVideoType(m_Reader.Type())) {
        // Not a video header: the stream is out of step. The header is dropped and the step ends
        // without showing anything, a picture read before it included; the next step reads the
        // following 12 bytes as a header.
        m_Reader.DropHeader();
        return 0;
      }
    }
    const uint32_t length = m_Reader.Length();
    if (m_Reader.Type() == MSG_VIDEO_HEARTBEAT || length == 0) {
      if (length != 0) {
        EngineLog("!!!!!!! MSG_VIDEO_HEARTBEAT  nPackageDataSize=%d  \n", length);
        // A heartbeat's bytes are read past like any package, or the framing would be lost.
        if (!m_Reader.Skip(length)) break;
      }
      m_Reader.DropHeader();
      // Read on: a picture waiting behind a heartbeat belongs to this step.
      continue;
    }
    if (length > m_Reader.Limit()) {
      EngineLog("!!!!!!! Video receivePackageData Error packageDataSize=%d \n", length);
      // Too long to hold: read past it as it arrives; an older picture of this step is still shown.
      if (!m_Reader.Skip(length)) break;
      continue;
    }
    // Growing replaces the buffer, so it waits until the package is complete and is read at once.
    if (channel.Buffered() < length) break;
    if (!m_Reader.Reserve()) {
      // The old buffer is kept, and with it an older picture read in this step.
      if (!m_Reader.Skip(length)) break;
      continue;
    }
    if (!channel.Read(m_Reader.Data(), length)) return 0;
    m_nLastLength = length;
    m_nLastTimestamp = m_Reader.Timestamp();
    m_nLastType = m_Reader.Type();
    m_Reader.DropHeader();
    taken = true;
  }

  if (!taken) return 0;
  if (++m_nFrameCount < 2) return 1;  // the first picture after a reset is not shown
  if (DecodeJpgToSurface(m_Reader.Data(), m_nLastLength, g_nVideoWidth, g_nVideoHeight) == nullptr) return 1;
  DibBmp& surface = DibBmp::GetInstance();
  if (m_pfnDraw != nullptr) m_pfnDraw(&surface);
  if (!surface.IsPictureBusy()) {
    surface.SetPictureBusy(1);
    PostMessageW(m_hTargetWnd, NMSG_CORVANE_GET_VIDEO_DATA, 0, 0);
  }
  surface.AddPictureCount();
  return 1;
}

int CorvanePicture::FlushData() {
  const CorvaneChannel& channel = m_Reader.Channel();
  int dropped = 0;
  for (int i = 0; i < kFlushMaxPackages; ++i) {
    if (!m_Reader.ReadHeader()) break;
    if (!IsVideoType(m_Reader.Type())) {
      EngineLog("!!!!!!!  VIDEO FlushData CorrectChnlData   type=0x%x  packageDataSize=%d   \n",
                m_Reader.Type(), m_Reader.Length());
      m_Reader.DropHeader();
      return 1;
    }
    // A package not yet complete stays pending: the next read step takes it as a picture.
    if (channel.Buffered() < m_Reader.Length()) break;
    if (!m_Reader.Skip(m_Reader.Length())) break;
    ++dropped;
    if (channel.Buffered() < CorvaneFrame::kStreamHeaderSize) break;
  }
  EngineLog("!!!!!!! FlushData End  circle=%d Leave=%d Package=%d \n", dropped,
            static_cast<int>(channel.Buffered()), m_Reader.Length());
  return m_Reader.IsHeaderPending() ? 0 : 1;
}
