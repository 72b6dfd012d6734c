#include "phonesim/app/CPhoneApp.h"

#include <algorithm>
#include <cstdlib>

#include "phonesim/app/CAppChannelEndpoint.h"
#include "phonesim/app/CAppInjection.h"
#include "phonesim/record/CSimRecord.h"
#include "phonesim/services/CEndpointRegistry.h"
#include "phonesim/services/CShellScript.h"
#include "phonesim_pb/CorvaneMusicInitProto.pb.h"
#include "phonesim_pb/CorvaneProtocolVersionMatchStatusProto.pb.h"
#include "phonesim_pb/CorvaneProtocolVersionProto.pb.h"
#include "phonesim_pb/CorvaneTTSInitProto.pb.h"
#include "phonesim_pb/CorvaneVideoEncoderInfoProto.pb.h"
#include "phonesim_pb/CorvaneVideoFrameRateProto.pb.h"

namespace phonesim {

namespace {

using Clock = std::chrono::steady_clock;

// The first audio of a started encoder: one block of silence behind each format.
constexpr size_t kMusicBlock = 4096;  // 44100 Hz stereo 16 bits: about 23 ms
constexpr size_t kTtsBlock = 640;     // 16000 Hz mono 16 bits: 20 ms

std::string ChannelText(int c) {
  return "ch" + std::to_string(c);
}

constexpr size_t APP_RX_BYTES_LOGGED = 1024;

// Lower-case hex, "-" for none, "..." after a cut.
std::string HexBytes(const uint8_t* data, size_t len, size_t max) {
  if (len == 0) return "-";
  static const char digits[] = "0123456789abcdef";
  std::string out;
  size_t n = len < max ? len : max;
  for (size_t i = 0; i < n; ++i) {
    out += digits[data[i] >> 4];
    out += digits[data[i] & 15];
  }
  if (len > n) out += "...";
  return out;
}

std::chrono::microseconds Interval(int fps) {
  return std::chrono::microseconds(1000000 / std::max(1, fps));
}

}  // namespace

CPhoneApp::CPhoneApp() {
  for (int c = 0; c < APP_CHANNELS; ++c) m_Channels[c].m_Reader = CFrameReader(c);
}

CPhoneApp::~CPhoneApp() {
  Stop();
}

void CPhoneApp::Attach(CSimRecord* record, CShellScript* shell, CEndpointRegistry* endpoints) {
  m_pRecord = record;
  m_pShell = shell;
  for (int c = 0; c < APP_CHANNELS; ++c)
    endpoints->Register(APP_PORTS[c], [this, c]() -> std::shared_ptr<IPhoneEndpoint> {
      std::lock_guard<std::mutex> g(m_Lock);
      // The app's ports exist only while it runs: a closed port refuses.
      if (!m_bRunning) return nullptr;
      return std::make_shared<CAppChannelEndpoint>(this, c, m_nNextStreamId++);
    });
  shell->SetAppStartHook([this](const std::string& package) {
    if (package == APP_PACKAGE) Launch();
  });
}

void CPhoneApp::SetUnplugHook(std::function<void()> fn) {
  m_fnUnplug = std::move(fn);
}

void CPhoneApp::SetAdbFaultHook(std::function<bool(const std::string&, std::string*)> fn) {
  m_fnAdbFault = std::move(fn);
}

bool CPhoneApp::Start(const SPhoneAppOptions& options, std::string* error) {
  Stop();
  if ((options.m_nVideoWidth == 0) != (options.m_nVideoHeight == 0) || options.m_nVideoWidth < 0 ||
      options.m_nVideoHeight < 0 || options.m_nVideoWidth > APP_MAX_SIDE ||
      options.m_nVideoHeight > APP_MAX_SIDE) {
    if (error)
      *error = "bad video size " + std::to_string(options.m_nVideoWidth) + "x" +
               std::to_string(options.m_nVideoHeight);
    return false;
  }
  if (options.m_nFps < 0 || options.m_nFps > APP_MAX_FPS) {
    if (error) *error = "bad frame rate " + std::to_string(options.m_nFps);
    return false;
  }
  if (options.m_nHeartbeatMs < 0 || options.m_nHeartbeatMs > APP_MAX_HEARTBEAT_MS) {
    if (error) *error = "bad heartbeat interval " + std::to_string(options.m_nHeartbeatMs);
    return false;
  }
  m_Pictures.Reset();
  if (!m_Pictures.SetDirectory(options.m_strPicturesDir, error)) return false;
  m_Pictures.SetPreEncode(options.m_nPreEncode);
  m_Faults.Clear();
  for (const auto& rule : options.m_Faults)
    if (!AddFault(rule, error)) return false;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    m_Options = options;
    m_bRunning = false;
    m_nStarts = 0;
    m_bStreaming = false;
    m_bForegroundDue = false;
    m_bBackground = false;
    m_nWidth = m_nHeight = 0;
    m_nFps = APP_DEFAULT_FPS;
    m_nFrame = 0;
    m_StallUntil = Clock::time_point();
    m_bIgnoreVersion = false;
    m_bIgnoreSettings = false;
    m_Rx.clear();
    m_Tx.clear();
    m_SentPictures.clear();
    m_nHeartbeats = 0;
    m_StartTime = Clock::now();
  }
  m_bStop = false;
  m_Worker = std::thread([this] { WorkerLoop(); });
  return true;
}

void CPhoneApp::Stop() {
  if (m_Worker.joinable()) {
    {
      std::lock_guard<std::mutex> g(m_Lock);
      m_bStop = true;
      Changed();
    }
    m_Worker.join();
  }
  std::lock_guard<std::mutex> g(m_Lock);
  m_bRunning = false;
  m_bStreaming = false;
  for (auto& ch : m_Channels) {
    ch.m_pLink.reset();
    ch.m_nId = 0;
    ch.m_Reader.Reset();
  }
  m_Faults.Clear();
}

void CPhoneApp::Launch() {
  {
    std::lock_guard<std::mutex> g(m_Lock);
    if (m_bRunning) return;
    m_bRunning = true;
    ++m_nStarts;
    m_StartTime = Clock::now();
    m_nFrame = 0;
    m_bStreaming = false;
    m_bForegroundDue = false;
    m_bBackground = false;
    m_StallUntil = Clock::time_point();
    m_Faults.OnEvent("start");
    Changed();
  }
  if (m_pRecord) m_pRecord->Event("app started");
}

void CPhoneApp::Die() {
  std::vector<std::shared_ptr<IStreamLink>> links;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    m_bRunning = false;
    m_bStreaming = false;
    m_bForegroundDue = false;
    for (auto& ch : m_Channels) {
      if (ch.m_pLink) links.push_back(ch.m_pLink);
      ch.m_pLink.reset();
      ch.m_nId = 0;
      ch.m_Reader.Reset();
    }
    Changed();
  }
  if (m_pRecord) m_pRecord->Event("app died: " + std::to_string(links.size()) + " channels closed");
  for (auto& l : links) l->Close();
  if (m_pShell) m_pShell->EndProcess(APP_PACKAGE);
}

bool CPhoneApp::Running() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_bRunning;
}

bool CPhoneApp::SetVideoSize(int width, int height) {
  if ((width == 0) != (height == 0) || width < 0 || height < 0 || width > APP_MAX_SIDE ||
      height > APP_MAX_SIDE)
    return false;
  std::lock_guard<std::mutex> g(m_Lock);
  m_Options.m_nVideoWidth = width;
  m_Options.m_nVideoHeight = height;
  return true;
}

void CPhoneApp::SetFps(int fps) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Options.m_nFps = std::min(std::max(fps, 0), APP_MAX_FPS);
}

void CPhoneApp::SetUnthrottled(bool on) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Options.m_bUnthrottled = on;
  Changed();
}

bool CPhoneApp::SetPictures(const std::string& dir, std::string* error) {
  return m_Pictures.SetDirectory(dir, error);
}

void CPhoneApp::SetPreEncode(int count) {
  m_Pictures.SetPreEncode(count);
}

bool CPhoneApp::Inject(const std::string& what, std::string* error) {
  SAppInjection inj;
  if (!CAppInjection::Build(what, &inj, error)) return false;
  if (m_pRecord) m_pRecord->Event("app inject " + what);
  Fire(inj);
  return true;
}

bool CPhoneApp::AddFault(const std::string& rule, std::string* error) {
  SAppFault f;
  if (!CAppFaultPlan::Parse(rule, &f, error)) return false;
  SAppInjection probe;
  if (!CAppInjection::Build(f.m_strArg.empty() ? f.m_strKind : f.m_strKind + "=" + f.m_strArg, &probe, error))
    return false;
  std::lock_guard<std::mutex> g(m_Lock);
  m_Faults.Add(f);
  // Added while the app runs, a fault after "start" counts from now.
  if (m_bRunning && f.m_strTrigger == "start") m_Faults.OnEvent("start");
  Changed();
  return true;
}

void CPhoneApp::ClearFaults() {
  m_Faults.Clear();
}

void CPhoneApp::Fire(const SAppInjection& inj) {
  switch (inj.m_Act) {
    case SAppInjection::Death:
      Die();
      return;
    case SAppInjection::Unplug:
      if (m_fnUnplug) m_fnUnplug();
      return;
    case SAppInjection::Adb: {
      std::string error;
      if (m_fnAdbFault && !m_fnAdbFault(inj.m_strText, &error) && m_pRecord)
        m_pRecord->Event("app fault adb=" + inj.m_strText + " refused: " + error);
      return;
    }
    case SAppInjection::Burst:
      SendBurst(static_cast<int>(inj.m_nCount));
      return;
    case SAppInjection::Stall: {
      {
        std::lock_guard<std::mutex> g(m_Lock);
        m_StallUntil = Clock::now() + std::chrono::milliseconds(inj.m_nCount);
        Changed();
      }
      if (m_pRecord) m_pRecord->Event("app video stalled for " + std::to_string(inj.m_nCount) + " ms");
      return;
    }
    case SAppInjection::Ignore: {
      {
        std::lock_guard<std::mutex> g(m_Lock);
        if (inj.m_nIgnored == HUMSG_VERSION) m_bIgnoreVersion = true;
        if (inj.m_nIgnored == HUMSG_ENCODER_SETTINGS) m_bIgnoreSettings = true;
      }
      if (m_pRecord) m_pRecord->Event("app ignores " + CAppProtocol::TypeText(inj.m_nIgnored));
      return;
    }
    case SAppInjection::Garbage:
      SendGarbage(inj);
      return;
    case SAppInjection::Picture:
      SendBadPicture(inj);
      return;
    case SAppInjection::Flood:
      SendFlood(inj);
      return;
    case SAppInjection::Write:
      break;
  }
  const bool bToBackground = inj.m_nType == APPMSG_BACKGROUND || inj.m_nType == APPMSG_CALL_BEGIN ||
                             inj.m_nType == APPMSG_CALL_BEGIN_2 || inj.m_nType == APPMSG_CALL_BEGIN_3;
  const bool bToForeground = inj.m_nType == APPMSG_FOREGROUND;
  // A picture being written goes out before the report: held here, none is, and none starts after.
  std::unique_lock<std::mutex> writer(m_PictureLock, std::defer_lock);
  if (inj.m_nChannel == APP_CH_COMMAND && (bToBackground || bToForeground)) writer.lock();
  std::vector<SOut> out;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    if (inj.m_nChannel == APP_CH_COMMAND && bToBackground) m_bBackground = true;
    if (inj.m_nChannel == APP_CH_COMMAND && bToForeground) m_bBackground = false;
    Changed();
    std::vector<uint8_t> frame = CAppProtocol::Frame(inj.m_nChannel, inj.m_nType, Timestamp(),
                                                     inj.m_Payload.data(), inj.m_Payload.size());
    if (inj.m_bLengthLie) {
      if (CAppProtocol::IsCommandChannel(inj.m_nChannel))
        CAppProtocol::PutBe16(frame.data(), inj.m_nAnnounced);
      else
        CAppProtocol::PutBe32(frame.data(), inj.m_nAnnounced);
    }
    out.push_back(Out(inj.m_nChannel, inj.m_nType, std::move(frame)));
  }
  if (inj.m_bLengthLie && out[0].m_pLink && m_pRecord)
    m_pRecord->Event("app false-length " + ChannelText(inj.m_nChannel) + " " +
                     CAppProtocol::TypeText(inj.m_nType) + " announces " + std::to_string(inj.m_nAnnounced) +
                     " sends " + std::to_string(inj.m_Payload.size()));
  if (writer.owns_lock()) writer.unlock();
  if (!out[0].m_pLink && m_pRecord)
    m_pRecord->Event("app: " + ChannelText(inj.m_nChannel) + " not open; " +
                     CAppProtocol::TypeText(inj.m_nType) + " not sent");
  Send(out);
}

CPhoneApp::SOut CPhoneApp::Out(int channel, uint32_t type, std::vector<uint8_t> bytes) {
  SOut o;
  o.m_pLink = m_Channels[channel].m_pLink;
  o.m_nChannel = channel;
  o.m_nType = type;
  o.m_Bytes = std::move(bytes);
  if (o.m_pLink) {
    SAppTxRecord r;
    r.m_nTimeUs = m_pRecord ? m_pRecord->NowUs() : 0;
    r.m_nChannel = channel;
    r.m_nType = type;
    r.m_nLength = static_cast<uint32_t>(o.m_Bytes.size() - CAppProtocol::HeaderSize(channel));
    m_Tx.push_back(r);
    Changed();
  }
  return o;
}

void CPhoneApp::Send(std::vector<SOut>& out) {
  for (auto& o : out) {
    if (!o.m_pLink) continue;
    if (m_pRecord) {
      size_t head = CAppProtocol::HeaderSize(o.m_nChannel);
      m_pRecord->Event("app tx " + ChannelText(o.m_nChannel) + " " + CAppProtocol::TypeText(o.m_nType) +
                       " len " + std::to_string(o.m_Bytes.size() - head) + " " +
                       CAppProtocol::Describe(o.m_nType, o.m_Bytes.data() + head, o.m_Bytes.size() - head));
    }
    o.m_pLink->Write(o.m_Bytes.data(), o.m_Bytes.size());
  }
}

uint32_t CPhoneApp::Timestamp() const {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_StartTime).count());
}

void CPhoneApp::Changed() {
  ++m_nGen;
  m_Changed.notify_all();
}

void CPhoneApp::ChannelOpened(int channel, uint64_t id, std::shared_ptr<IStreamLink> link) {
  std::shared_ptr<IStreamLink> old;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    if (!m_bRunning) {
      // Accepted just before the app died: it goes with the others.
      old = std::move(link);
    }
  }
  if (old) {
    if (m_pRecord) m_pRecord->Event("app " + ChannelText(channel) + " closed: the app is not running");
    old->Close();
    return;
  }
  {
    std::lock_guard<std::mutex> g(m_Lock);
    SChannel& ch = m_Channels[channel];
    old = std::move(ch.m_pLink);
    ch.m_pLink = std::move(link);
    ch.m_nId = id;
    ch.m_Reader.Reset();
    if (channel == APP_CH_VIDEO) m_LastVideo = Clock::now();
    Changed();
  }
  if (m_pRecord) m_pRecord->Event("app " + ChannelText(channel) + " open");
  // A new stream on a port replaces the one before, which the app drops.
  if (old) old->Close();
}

void CPhoneApp::ChannelClosed(int channel, uint64_t id) {
  {
    std::lock_guard<std::mutex> g(m_Lock);
    SChannel& ch = m_Channels[channel];
    if (ch.m_nId != id || id == 0) return;
    ch.m_pLink.reset();
    ch.m_nId = 0;
    ch.m_Reader.Reset();
    // Without the command or the video stream the encoder stops, and a
    // new connection starts it again.
    if (channel == APP_CH_COMMAND || channel == APP_CH_VIDEO) {
      m_bStreaming = false;
      m_bForegroundDue = false;
    }
    Changed();
  }
  if (m_pRecord) m_pRecord->Event("app " + ChannelText(channel) + " closed by the host");
}

void CPhoneApp::ChannelData(int channel, uint64_t id, const uint8_t* data, size_t len) {
  std::vector<SOut> out;
  std::vector<std::string> lines, violations;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    SChannel& ch = m_Channels[channel];
    if (ch.m_nId != id || id == 0) return;
    ch.m_Reader.Push(data, len);
    SAppFrame f;
    std::string error;
    while (ch.m_Reader.Next(&f, &error)) {
      SAppRxRecord r;
      r.m_nTimeUs = m_pRecord ? m_pRecord->NowUs() : 0;
      r.m_nChannel = channel;
      r.m_nType = f.m_nType;
      r.m_nLength = f.m_nLength;
      r.m_strText = CAppProtocol::Describe(f.m_nType, f.m_Payload.data(), f.m_Payload.size());
      lines.push_back("app rx " + ChannelText(channel) + " " + CAppProtocol::TypeText(f.m_nType) + " len " +
                      std::to_string(f.m_nLength) + (r.m_strText.empty() ? "" : " " + r.m_strText));
      // The payload's exact bytes, for tests that check the wire format (long audio blocks cut).
      lines.push_back("app rx-bytes " + ChannelText(channel) + " " + CAppProtocol::TypeText(f.m_nType) + " " +
                      HexBytes(f.m_Payload.data(), f.m_Payload.size(), APP_RX_BYTES_LOGGED));
      r.m_Payload = f.m_Payload;
      m_Rx.push_back(std::move(r));
      Changed();
      m_Faults.OnEvent("rx:" + CAppProtocol::TypeText(f.m_nType));
      if (channel == APP_CH_COMMAND) HandleFrame(channel, f, &out);
    }
    if (!error.empty()) violations.push_back("app " + ChannelText(channel) + ": " + error);
  }
  if (m_pRecord) {
    for (const auto& l : lines) m_pRecord->Event(l);
    for (const auto& v : violations) m_pRecord->Violation(v);
  }
  Send(out);
  // The "rate" trigger counts from the answer being on the stream: what a fault then sends on
  // the command channel reaches the host after the answer, never before it.
  for (const auto& o : out) {
    if (o.m_nType != APPMSG_FRAME_RATE) continue;
    m_Faults.OnEvent("rate");
    std::lock_guard<std::mutex> g(m_Lock);
    Changed();
  }
}

void CPhoneApp::HandleFrame(int channel, const SAppFrame& f, std::vector<SOut>* out) {
  (void)channel;
  auto now = Clock::now();
  switch (f.m_nType) {
    case HUMSG_VERSION: {
      if (m_bIgnoreVersion) break;
      pb::CorvaneProtocolVersion v;
      v.ParsePartialFromArray(f.m_Payload.data(), static_cast<int>(f.m_Payload.size()));
      pb::CorvaneProtocolVersionMatchStatus m;
      // This app speaks version 1 of the protocol.
      m.set_matchstatus(v.majorversion() == 1 ? 1 : 0);
      out->push_back(
          Out(APP_CH_COMMAND, APPMSG_VERSION_MATCH, CAppProtocol::CommandFrame(APPMSG_VERSION_MATCH, m)));
      m_Faults.OnEvent("version");
      break;
    }
    case HUMSG_ENCODER_SETTINGS: {
      if (m_bIgnoreSettings) break;
      pb::CorvaneVideoEncoderInfo s;
      s.ParsePartialFromArray(f.m_Payload.data(), static_cast<int>(f.m_Payload.size()));
      if (m_Options.m_nVideoWidth > 0) {
        m_nWidth = m_Options.m_nVideoWidth;
        m_nHeight = m_Options.m_nVideoHeight;
      } else if (s.width() > 0 && s.height() > 0 && s.width() <= APP_MAX_SIDE && s.height() <= APP_MAX_SIDE) {
        m_nWidth = s.width();
        m_nHeight = s.height();
      } else {
        m_nWidth = APP_DEFAULT_WIDTH;
        m_nHeight = APP_DEFAULT_HEIGHT;
      }
      if (m_Options.m_nFps > 0)
        m_nFps = m_Options.m_nFps;
      else if (s.framerate() > 0 && s.framerate() <= APP_MAX_FPS)
        m_nFps = s.framerate();
      pb::CorvaneVideoEncoderInfo a;
      a.set_width(m_nWidth);
      a.set_height(m_nHeight);
      a.set_framerate(m_nFps);
      out->push_back(
          Out(APP_CH_COMMAND, APPMSG_ENCODER_INFO, CAppProtocol::CommandFrame(APPMSG_ENCODER_INFO, a)));
      m_Faults.OnEvent("settings");
      break;
    }
    case HUMSG_ENCODER_START: {
      if (m_nWidth == 0) {
        m_nWidth = m_Options.m_nVideoWidth > 0 ? m_Options.m_nVideoWidth : APP_DEFAULT_WIDTH;
        m_nHeight = m_Options.m_nVideoHeight > 0 ? m_Options.m_nVideoHeight : APP_DEFAULT_HEIGHT;
      }
      m_bStreaming = true;
      // The projection brings the app to the front: its foreground report follows the first picture.
      m_bBackground = false;
      m_bForegroundDue = true;
      m_NextPicture = now;
      // The audio channels announce their formats as the projection starts.
      uint32_t ts = Timestamp();
      pb::CorvaneMusicInit music;
      music.set_samplerate(44100);
      music.set_channelconfig(2);
      music.set_sampleformat(16);
      out->push_back(
          Out(APP_CH_MEDIA, APPMSG_MUSIC_INIT, CAppProtocol::StreamFrame(APPMSG_MUSIC_INIT, ts, music)));
      std::vector<uint8_t> silence(kMusicBlock, 0);
      out->push_back(Out(APP_CH_MEDIA, APPMSG_MUSIC_DATA,
                         CAppProtocol::StreamFrame(APPMSG_MUSIC_DATA, ts, silence.data(), silence.size())));
      pb::CorvaneTTSInit tts;
      tts.set_samplerate(16000);
      tts.set_channelconfig(1);
      tts.set_sampleformat(16);
      out->push_back(Out(APP_CH_TTS, APPMSG_TTS_INIT, CAppProtocol::StreamFrame(APPMSG_TTS_INIT, ts, tts)));
      out->push_back(Out(APP_CH_TTS, APPMSG_TTS_DATA,
                         CAppProtocol::StreamFrame(APPMSG_TTS_DATA, ts, silence.data(), kTtsBlock)));
      m_Faults.OnEvent("video");
      Changed();
      break;
    }
    case HUMSG_ENCODER_PAUSE:
      m_bStreaming = false;
      m_bForegroundDue = false;
      m_Faults.OnEvent("pause");
      Changed();
      break;
    case HUMSG_FRAME_RATE: {
      pb::CorvaneVideoFrameRate r;
      r.ParsePartialFromArray(f.m_Payload.data(), static_cast<int>(f.m_Payload.size()));
      // A rate the encoder cannot run at is answered with the rate it keeps.
      if (r.framerate() > 0 && r.framerate() <= APP_MAX_FPS) {
        m_nFps = r.framerate();
        m_NextPicture = std::min(m_NextPicture, now + Interval(m_nFps));
      }
      pb::CorvaneVideoFrameRate a;
      a.set_framerate(m_nFps);
      out->push_back(
          Out(APP_CH_COMMAND, APPMSG_FRAME_RATE, CAppProtocol::CommandFrame(APPMSG_FRAME_RATE, a)));
      Changed();
      break;
    }
    default:
      break;  // recorded only
  }
}

bool CPhoneApp::SendPicture() {
  std::lock_guard<std::mutex> writer(m_PictureLock);
  std::shared_ptr<IStreamLink> link;
  int w = 0, h = 0;
  uint32_t frame = 0;
  bool unthrottled = false;
  auto now = Clock::now();
  {
    std::lock_guard<std::mutex> g(m_Lock);
    if (!m_bRunning || !m_bStreaming || m_bBackground || !m_Channels[APP_CH_VIDEO].m_pLink || Stalled(now))
      return false;
    unthrottled = m_Options.m_bUnthrottled;
    if (!unthrottled && now < m_NextPicture) return false;
    link = m_Channels[APP_CH_VIDEO].m_pLink;
    w = m_nWidth;
    h = m_nHeight;
    frame = m_nFrame + 1;
  }
  size_t queued = link->Queued();
  size_t last = 0;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    last = m_SentPictures.empty() ? 0 : m_SentPictures.back().m_nSize;
    if (unthrottled ? queued > last : queued > APP_MAX_VIDEO_BACKLOG) {
      // The host has not taken what went before: wait as on a full socket.
      if (!unthrottled) m_NextPicture = now + std::chrono::milliseconds(5);
      return false;
    }
    m_bPictureOut = true;
  }
  std::vector<uint8_t> jpeg;
  if (!m_Pictures.Picture(frame, w, h, &jpeg)) {
    if (m_pRecord) m_pRecord->Event("app picture " + std::to_string(frame) + " could not be made");
    std::lock_guard<std::mutex> g(m_Lock);
    m_NextPicture = now + Interval(m_nFps);
    m_bPictureOut = false;
    Changed();
    return false;
  }
  std::vector<uint8_t> bytes =
      CAppProtocol::StreamFrame(APPMSG_PICTURE, Timestamp(), jpeg.data(), jpeg.size());
  if (!link->Write(bytes.data(), bytes.size())) {
    std::lock_guard<std::mutex> g(m_Lock);
    m_bPictureOut = false;
    Changed();
    return false;
  }
  std::vector<SOut> out;
  int64_t t = m_pRecord ? m_pRecord->NowUs() : 0;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    m_bPictureOut = false;
    m_nFrame = frame;
    m_SentPictures.push_back({frame, static_cast<uint32_t>(jpeg.size()), t});
    m_LastVideo = Clock::now();
    auto step = Interval(m_nFps);
    m_NextPicture += step;
    // A phone that fell behind does not race to catch up.
    if (m_NextPicture + step < now) m_NextPicture = now + step;
    m_Faults.OnEvent("picture:" + std::to_string(frame));
    if (m_bForegroundDue) {
      m_bForegroundDue = false;
      out.push_back(
          Out(APP_CH_COMMAND, APPMSG_FOREGROUND, CAppProtocol::CommandFrame(APPMSG_FOREGROUND, nullptr, 0)));
      m_Faults.OnEvent("foreground");
    }
    Changed();
  }
  if (m_pRecord)
    m_pRecord->Event("app picture " + std::to_string(frame) + " size " + std::to_string(jpeg.size()) + " " +
                     std::to_string(w) + "x" + std::to_string(h));
  Send(out);
  return true;
}

void CPhoneApp::SendBurst(int count) {
  std::lock_guard<std::mutex> writer(m_PictureLock);
  std::shared_ptr<IStreamLink> link;
  int w = 0, h = 0;
  uint32_t first = 0;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    if (m_bRunning && m_bStreaming && !m_bBackground) link = m_Channels[APP_CH_VIDEO].m_pLink;
    w = m_nWidth;
    h = m_nHeight;
    first = m_nFrame + 1;
  }
  if (!link) {
    if (m_pRecord)
      m_pRecord->Event("app: the encoder is not running; burst of " + std::to_string(count) + " not sent");
    return;
  }
  // Every picture is made before the first goes out, so that the host gets them as one run.
  // One write each, as the encoder hands over one picture at a time: a picture's last WRTE
  // ends with it.
  std::vector<std::vector<uint8_t>> frames;
  std::vector<uint32_t> sizes;
  size_t total = 0;
  for (int i = 0; i < count; ++i) {
    std::vector<uint8_t> jpeg;
    if (!m_Pictures.Picture(first + static_cast<uint32_t>(i), w, h, &jpeg)) {
      if (m_pRecord) m_pRecord->Event("app picture " + std::to_string(first + i) + " could not be made");
      return;
    }
    frames.push_back(CAppProtocol::StreamFrame(APPMSG_PICTURE, Timestamp(), jpeg.data(), jpeg.size()));
    sizes.push_back(static_cast<uint32_t>(jpeg.size()));
    total += frames.back().size();
  }
  for (const auto& f : frames)
    if (!link->Write(f.data(), f.size())) return;
  std::vector<SOut> out;
  int64_t t = m_pRecord ? m_pRecord->NowUs() : 0;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    for (int i = 0; i < count; ++i) {
      m_SentPictures.push_back({first + static_cast<uint32_t>(i), sizes[static_cast<size_t>(i)], t});
      m_Faults.OnEvent("picture:" + std::to_string(first + i));
    }
    m_nFrame = first + static_cast<uint32_t>(count) - 1;
    m_LastVideo = Clock::now();
    if (m_bForegroundDue) {
      m_bForegroundDue = false;
      out.push_back(
          Out(APP_CH_COMMAND, APPMSG_FOREGROUND, CAppProtocol::CommandFrame(APPMSG_FOREGROUND, nullptr, 0)));
      m_Faults.OnEvent("foreground");
    }
    Changed();
  }
  if (m_pRecord) {
    m_pRecord->Event("app burst " + std::to_string(count) + " pictures " + std::to_string(total) + " bytes");
    for (int i = 0; i < count; ++i)
      m_pRecord->Event("app picture " + std::to_string(first + i) + " size " +
                       std::to_string(sizes[static_cast<size_t>(i)]) + " " + std::to_string(w) + "x" +
                       std::to_string(h));
  }
  Send(out);
}

std::shared_ptr<IStreamLink> CPhoneApp::LinkFor(int channel, const char* what) {
  std::shared_ptr<IStreamLink> link;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    if (m_bRunning) link = m_Channels[channel].m_pLink;
  }
  if (!link && m_pRecord)
    m_pRecord->Event("app: " + ChannelText(channel) + " not open; " + what + " not sent");
  return link;
}

void CPhoneApp::SendGarbage(const SAppInjection& inj) {
  std::shared_ptr<IStreamLink> link = LinkFor(inj.m_nChannel, "garbage");
  if (!link) return;
  // One write: the bytes land between two whole frames, whoever else writes on the channel.
  if (m_pRecord)
    m_pRecord->Event("app garbage " + ChannelText(inj.m_nChannel) + " " +
                     std::to_string(inj.m_Payload.size()) + " bytes");
  link->Write(inj.m_Payload.data(), inj.m_Payload.size());
}

void CPhoneApp::SendBadPicture(const SAppInjection& inj) {
  // Between two of the encoder's pictures, and made from the next one's number.
  std::lock_guard<std::mutex> writer(m_PictureLock);
  std::shared_ptr<IStreamLink> link = LinkFor(APP_CH_VIDEO, "bad picture");
  if (!link) return;
  uint32_t frame = 0;
  int w = 0, h = 0;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    frame = m_nFrame + 1;
    w = m_nWidth > 0 ? m_nWidth : APP_DEFAULT_WIDTH;
    h = m_nHeight > 0 ? m_nHeight : APP_DEFAULT_HEIGHT;
  }
  std::vector<uint8_t> jpeg = inj.m_Payload;
  if (jpeg.empty() && !m_Pictures.BadPicture(inj.m_strText, frame, w, h, &jpeg)) {
    if (m_pRecord) m_pRecord->Event("app bad-picture " + inj.m_strText + " could not be made");
    return;
  }
  std::vector<uint8_t> bytes =
      CAppProtocol::StreamFrame(APPMSG_PICTURE, Timestamp(), jpeg.data(), jpeg.size());
  if (m_pRecord)
    m_pRecord->Event("app bad-picture " + inj.m_strText + " size " + std::to_string(jpeg.size()));
  link->Write(bytes.data(), bytes.size());
}

void CPhoneApp::SendFlood(const SAppInjection& inj) {
  std::shared_ptr<IStreamLink> link = LinkFor(inj.m_nChannel, "flood");
  if (!link) return;
  std::vector<uint8_t> one = CAppProtocol::Frame(inj.m_nChannel, inj.m_nType, Timestamp(), nullptr, 0);
  std::vector<uint8_t> all;
  all.reserve(one.size() * static_cast<size_t>(inj.m_nCount));
  for (long i = 0; i < inj.m_nCount; ++i) all.insert(all.end(), one.begin(), one.end());
  if (m_pRecord)
    m_pRecord->Event("app flood " + ChannelText(inj.m_nChannel) + " " + std::to_string(inj.m_nCount) +
                     " frames " + CAppProtocol::TypeText(inj.m_nType) + " " + std::to_string(all.size()) +
                     " bytes");
  link->Write(all.data(), all.size());
}

void CPhoneApp::SendHeartbeat() {
  std::shared_ptr<IStreamLink> link;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    auto now = Clock::now();
    if (!m_bRunning || !m_Channels[APP_CH_VIDEO].m_pLink || Stalled(now)) return;
    if (now - m_LastVideo < HeartbeatInterval()) return;
    link = m_Channels[APP_CH_VIDEO].m_pLink;
    m_LastVideo = now;
    ++m_nHeartbeats;
    Changed();
  }
  std::vector<uint8_t> bytes = CAppProtocol::StreamFrame(APPMSG_HEARTBEAT, Timestamp(), nullptr, 0);
  link->Write(bytes.data(), bytes.size());
}

void CPhoneApp::WorkerLoop() {
  std::unique_lock<std::mutex> lk(m_Lock);
  while (!m_bStop) {
    lk.unlock();
    for (const SAppFault& f : m_Faults.TakeDue(Clock::now())) {
      SAppInjection inj;
      std::string error;
      if (m_pRecord) m_pRecord->Event("app fault " + f.m_strRule + " at " + f.m_strTrigger);
      if (CAppInjection::Build(f.m_strArg.empty() ? f.m_strKind : f.m_strKind + "=" + f.m_strArg, &inj,
                               &error))
        Fire(inj);
    }
    SendPicture();
    SendHeartbeat();
    lk.lock();
    if (m_bStop) break;
    auto now = Clock::now();
    auto wake = now + HeartbeatInterval();
    bool video = m_bRunning && m_Channels[APP_CH_VIDEO].m_pLink != nullptr;
    if (video && Stalled(now)) {
      wake = std::min(wake, m_StallUntil);
      video = false;
    }
    if (video) wake = std::min(wake, m_LastVideo + HeartbeatInterval());
    if (video && m_bStreaming && !m_bBackground) {
      // Unthrottled, the host's acknowledgements cannot wake us: look again soon.
      wake = std::min(wake, m_Options.m_bUnthrottled ? now + std::chrono::microseconds(200) : m_NextPicture);
    }
    Clock::time_point due;
    if (m_Faults.NextDue(&due)) wake = std::min(wake, due);
    if (wake <= now) continue;
    uint64_t gen = m_nGen;
    m_Changed.wait_until(lk, wake, [&] { return m_bStop || m_nGen != gen; });
  }
}

bool CPhoneApp::ChannelOpen(int channel) const {
  std::lock_guard<std::mutex> g(m_Lock);
  return channel >= 0 && channel < APP_CHANNELS && m_Channels[channel].m_pLink != nullptr;
}

int CPhoneApp::OpenChannels() const {
  std::lock_guard<std::mutex> g(m_Lock);
  int n = 0;
  for (const auto& ch : m_Channels) n += ch.m_pLink != nullptr;
  return n;
}

bool CPhoneApp::Streaming() const {
  std::lock_guard<std::mutex> g(m_Lock);
  // Until a picture already on its way is recorded: once false, no picture follows.
  return (m_bStreaming && !m_bBackground) || m_bPictureOut;
}

int CPhoneApp::FrameRate() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_nFps;
}

int CPhoneApp::VideoWidth() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_nWidth;
}

int CPhoneApp::VideoHeight() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_nHeight;
}

std::vector<SAppRxRecord> CPhoneApp::Received() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Rx;
}

std::vector<SAppRxRecord> CPhoneApp::Received(uint32_t type) const {
  std::lock_guard<std::mutex> g(m_Lock);
  std::vector<SAppRxRecord> out;
  for (const auto& r : m_Rx)
    if (r.m_nType == type) out.push_back(r);
  return out;
}

std::vector<SAppTxRecord> CPhoneApp::Sent() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Tx;
}

std::vector<SAppPictureRecord> CPhoneApp::Pictures() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_SentPictures;
}

uint64_t CPhoneApp::Heartbeats() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_nHeartbeats;
}

int CPhoneApp::Starts() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_nStarts;
}

void CPhoneApp::ClearRecords() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Rx.clear();
  m_Tx.clear();
  m_SentPictures.clear();
  m_nHeartbeats = 0;
  Changed();
}

bool CPhoneApp::WaitFor(const std::function<bool()>& pred, int timeout_ms) const {
  auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    uint64_t gen;
    {
      std::lock_guard<std::mutex> g(m_Lock);
      gen = m_nGen;
    }
    if (pred()) return true;
    std::unique_lock<std::mutex> lk(m_Lock);
    if (!m_Changed.wait_until(lk, until, [&] { return m_nGen != gen; })) {
      lk.unlock();
      return pred();
    }
  }
}

}  // namespace phonesim
