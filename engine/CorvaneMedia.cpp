#include "engine/CorvaneMedia.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CSingleInstance.h"
#include "proto/CProtoPayload.h"
#include "engine/CorvaneFrame.h"
#include "engine/EngineLog.h"
#include "platform/kernel/kernel.h"
#include "phonelink/CorvaneAdb.h"

#include "proto/CorvaneMusicInitProto.pb.h"

#include <algorithm>
#include <new>
#include <vector>

using namespace com::velto::corvane::protobuf;

namespace {
CSingleInstance<CorvaneMedia>& Storage() {
  return g_CorvaneEngineSession.m_Instances.m_Media;
}

bool IsMediaType(uint32_t type) {
  return type >= MSG_MEDIA_FIRST && type <= MSG_MEDIA_LAST;
}
}  // namespace

CorvaneMedia* CorvaneMedia::GetInstance() {
  return Storage().Get([] {
    CorvaneMedia* p = new (std::nothrow) CorvaneMedia();
    if (p != nullptr) p->m_Reader.LogIfNoBuffer("CTranRecvPackageProcess");
    return p;
  });
}

void CorvaneMedia::DestroyInstance() {
  delete Storage().Take();
}

CorvaneMedia::CorvaneMedia()
    : m_Reader(CORVANE_CHANNEL_MEDIA, Corvane_Adb_TcpRead_Media, CPackageReader::kStreamFrame, kInitialSize,
               kMaxRevLen, {"Media", "Media", true}, IsMediaType) {}

void CorvaneMedia::Reset() {
  m_Reader.Reset();
  m_nSampleRate = 0;
  m_nChannels = 0;
  m_nBits = 0;
}

int CorvaneMedia::receivePackageData() {
  if (!m_Reader.IsConnected()) return 0;
  CPackageReader::Step step = m_Reader.ReadStep();
  if (step == CPackageReader::kBadType) {
    EngineLog("!!!!!!!  MEDIA_CHANNEL  CorrectChnlData   type=0x%x  packageDataSize=%d   \n", m_Reader.Type(),
              m_Reader.Length());
    DWORD start = GetTickCount();
    CorrectChnlData();
    EngineLog("!!!!!!! CorrectAudioChnlData: %d \n", static_cast<int>(GetTickCount() - start));
    return 0;
  }
  if (step != CPackageReader::kPackage) return 0;
  if (m_Reader.Type() == MSG_MEDIA_INIT) {
    CorvaneMusicInit msg;
    CProtoPayload::Parse(msg, m_Reader.Data(), m_Reader.Length());
    m_nSampleRate = msg.samplerate();
    m_nChannels = msg.channelconfig();
    m_nBits = msg.sampleformat();
  }
  return 1;
}

// Scans the buffered bytes in windows of up to 256 new bytes for a run of media headers. A media
// header whose length no media package has ends the scan of its window: what follows it in that
// window is not trusted as a header. The last 11 bytes of a window that held no candidate are
// carried into the next, so a header straddling two windows is found; a candidate whose chain ends
// in a header cut off at the window's end is carried whole and checked again with the bytes that
// follow. The scan ends when nothing more is buffered (the bytes read are dropped) or at a package
// boundary.
void CorvaneMedia::CorrectChnlData() {
  const size_t kHeader = CorvaneFrame::kStreamHeaderSize;
  const CorvaneChannel& channel = m_Reader.Channel();
  std::vector<uint8_t> window;
  for (;;) {
    uint32_t n = std::min<uint32_t>(channel.Buffered(), kResyncWindow);
    if (n == 0) return;
    size_t old = window.size();
    window.resize(old + n);
    if (!channel.Read(window.data() + old, n)) return;

    size_t carryFrom = window.size() > kHeader - 1 ? window.size() - (kHeader - 1) : 0;
    for (size_t off = 0; off + kHeader <= window.size(); ++off) {
      StreamFrameHeader h = CorvaneFrame::ParseStreamHeader(window.data() + off);
      if (!IsMediaType(h.type)) continue;
      if (h.length < kMinResyncLength || h.length > kMaxResyncLength) {
        EngineLog("!!!!!!!  CorrectChnlData   dwCurType=%d  dwPackLen=%d   \n", h.type, h.length);
        break;
      }
      size_t p = off;
      bool good = true;
      bool done = false;
      while (p + kHeader <= window.size()) {
        StreamFrameHeader next = CorvaneFrame::ParseStreamHeader(window.data() + p);
        if (!IsMediaType(next.type)) {
          EngineLog("!!!!!!!  Second Type Error 0X%x \n", next.type);
          good = false;
          break;
        }
        if (next.length < kMinResyncLength || next.length > kMaxResyncLength)
          EngineLog("!!!!!!!  CorrectChnlData   dwCurType=%d  dwPackLen=%d   \n", next.type, next.length);
        size_t end = p + kHeader + next.length;
        if (end >= window.size()) {
          if (next.length >= kMaxResyncLength) {
            good = false;
            break;
          }
          // The rest of this package is still in the channel: read past it and stop at the boundary.
          m_Reader.Skip(static_cast<uint32_t>(end - window.size()));
          EngineLog("####### Correct Successed %d \n", 1);
          done = true;
          break;
        }
        p = end;
      }
      if (done) return;
      if (good) {
        // The chain reached a header cut off at the window's end: keep it for the next window.
        carryFrom = p;
        break;
      }
    }
    window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(carryFrom));
  }
}
