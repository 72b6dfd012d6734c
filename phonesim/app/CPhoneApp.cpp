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
  for (int c = 0; c < APP_CHANNELS; ++c) m_channels[c].reader = CFrameReader(c);
}

CPhoneApp::~CPhoneApp() {
  Stop();
}

void CPhoneApp::Attach(CSimRecord* record, CShellScript* shell, CEndpointRegistry* endpoints) {
  m_record = record;
  m_shell = shell;
  for (int c = 0; c < APP_CHANNELS; ++c)
    endpoints->Register(APP_PORTS[c], [this, c]() -> std::shared_ptr<IPhoneEndpoint> {
      std::lock_guard<std::mutex> g(m_lock);
      // The app's ports exist only while it runs: a closed port refuses.
      if (!m_running) return nullptr;
      return std::make_shared<CAppChannelEndpoint>(this, c, m_next_stream_id++);
    });
  shell->SetAppStartHook([this](const std::string& package) {
    if (package == APP_PACKAGE) Launch();
  });
}

void CPhoneApp::SetUnplugHook(std::function<void()> fn) {
  m_unplug = std::move(fn);
}

void CPhoneApp::SetAdbFaultHook(std::function<bool(const std::string&, std::string*)> fn) {
  m_adb_fault = std::move(fn);
}

bool CPhoneApp::Start(const SPhoneAppOptions& options, std::string* error) {
  Stop();
  if ((options.video_width == 0) != (options.video_height == 0) || options.video_width < 0 ||
      options.video_height < 0 || options.video_width > APP_MAX_SIDE || options.video_height > APP_MAX_SIDE) {
    if (error)
      *error = "bad video size " + std::to_string(options.video_width) + "x" +
               std::to_string(options.video_height);
    return false;
  }
  if (options.fps < 0 || options.fps > APP_MAX_FPS) {
    if (error) *error = "bad frame rate " + std::to_string(options.fps);
    return false;
  }
  if (options.heartbeat_ms < 0 || options.heartbeat_ms > APP_MAX_HEARTBEAT_MS) {
    if (error) *error = "bad heartbeat interval " + std::to_string(options.heartbeat_ms);
    return false;
  }
  m_pictures.Reset();
  if (!m_pictures.SetDirectory(options.pictures_dir, error)) return false;
  m_pictures.SetPreEncode(options.pre_encode);
  m_faults.Clear();
  for (const auto& rule : options.faults)
    if (!AddFault(rule, error)) return false;
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_options = options;
    m_running = false;
    m_starts = 0;
    m_streaming = false;
    m_foreground_due = false;
    m_background = false;
    m_width = m_height = 0;
    m_fps = APP_DEFAULT_FPS;
    m_frame = 0;
    m_stall_until = Clock::time_point();
    m_ignore_version = false;
    m_ignore_settings = false;
    m_rx.clear();
    m_tx.clear();
    m_sent_pictures.clear();
    m_heartbeats = 0;
    m_start_time = Clock::now();
  }
  m_stop = false;
  m_worker = std::thread([this] { WorkerLoop(); });
  return true;
}

void CPhoneApp::Stop() {
  if (m_worker.joinable()) {
    {
      std::lock_guard<std::mutex> g(m_lock);
      m_stop = true;
      Changed();
    }
    m_worker.join();
  }
  std::lock_guard<std::mutex> g(m_lock);
  m_running = false;
  m_streaming = false;
  for (auto& ch : m_channels) {
    ch.link.reset();
    ch.id = 0;
    ch.reader.Reset();
  }
  m_faults.Clear();
}

void CPhoneApp::Launch() {
  {
    std::lock_guard<std::mutex> g(m_lock);
    if (m_running) return;
    m_running = true;
    ++m_starts;
    m_start_time = Clock::now();
    m_frame = 0;
    m_streaming = false;
    m_foreground_due = false;
    m_background = false;
    m_stall_until = Clock::time_point();
    m_faults.OnEvent("start");
    Changed();
  }
  if (m_record) m_record->Event("app started");
}

void CPhoneApp::Die() {
  std::vector<std::shared_ptr<IStreamLink>> links;
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_running = false;
    m_streaming = false;
    m_foreground_due = false;
    for (auto& ch : m_channels) {
      if (ch.link) links.push_back(ch.link);
      ch.link.reset();
      ch.id = 0;
      ch.reader.Reset();
    }
    Changed();
  }
  if (m_record) m_record->Event("app died: " + std::to_string(links.size()) + " channels closed");
  for (auto& l : links) l->Close();
  if (m_shell) m_shell->EndProcess(APP_PACKAGE);
}

bool CPhoneApp::Running() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_running;
}

bool CPhoneApp::SetVideoSize(int width, int height) {
  if ((width == 0) != (height == 0) || width < 0 || height < 0 || width > APP_MAX_SIDE ||
      height > APP_MAX_SIDE)
    return false;
  std::lock_guard<std::mutex> g(m_lock);
  m_options.video_width = width;
  m_options.video_height = height;
  return true;
}

void CPhoneApp::SetFps(int fps) {
  std::lock_guard<std::mutex> g(m_lock);
  m_options.fps = std::min(std::max(fps, 0), APP_MAX_FPS);
}

void CPhoneApp::SetUnthrottled(bool on) {
  std::lock_guard<std::mutex> g(m_lock);
  m_options.unthrottled = on;
  Changed();
}

bool CPhoneApp::SetPictures(const std::string& dir, std::string* error) {
  return m_pictures.SetDirectory(dir, error);
}

void CPhoneApp::SetPreEncode(int count) {
  m_pictures.SetPreEncode(count);
}

bool CPhoneApp::Inject(const std::string& what, std::string* error) {
  SAppInjection inj;
  if (!CAppInjection::Build(what, &inj, error)) return false;
  if (m_record) m_record->Event("app inject " + what);
  Fire(inj);
  return true;
}

bool CPhoneApp::AddFault(const std::string& rule, std::string* error) {
  SAppFault f;
  if (!CAppFaultPlan::Parse(rule, &f, error)) return false;
  SAppInjection probe;
  if (!CAppInjection::Build(f.arg.empty() ? f.kind : f.kind + "=" + f.arg, &probe, error)) return false;
  std::lock_guard<std::mutex> g(m_lock);
  m_faults.Add(f);
  // Added while the app runs, a fault after "start" counts from now.
  if (m_running && f.trigger == "start") m_faults.OnEvent("start");
  Changed();
  return true;
}

void CPhoneApp::ClearFaults() {
  m_faults.Clear();
}

void CPhoneApp::Fire(const SAppInjection& inj) {
  switch (inj.act) {
    case SAppInjection::Death:
      Die();
      return;
    case SAppInjection::Unplug:
      if (m_unplug) m_unplug();
      return;
    case SAppInjection::Adb: {
      std::string error;
      if (m_adb_fault && !m_adb_fault(inj.text, &error) && m_record)
        m_record->Event("app fault adb=" + inj.text + " refused: " + error);
      return;
    }
    case SAppInjection::Burst:
      SendBurst(static_cast<int>(inj.count));
      return;
    case SAppInjection::Stall: {
      {
        std::lock_guard<std::mutex> g(m_lock);
        m_stall_until = Clock::now() + std::chrono::milliseconds(inj.count);
        Changed();
      }
      if (m_record) m_record->Event("app video stalled for " + std::to_string(inj.count) + " ms");
      return;
    }
    case SAppInjection::Ignore: {
      {
        std::lock_guard<std::mutex> g(m_lock);
        if (inj.ignored == HUMSG_VERSION) m_ignore_version = true;
        if (inj.ignored == HUMSG_ENCODER_SETTINGS) m_ignore_settings = true;
      }
      if (m_record) m_record->Event("app ignores " + CAppProtocol::TypeText(inj.ignored));
      return;
    }
    case SAppInjection::Write:
      break;
  }
  const bool bToBackground = inj.type == APPMSG_BACKGROUND || inj.type == APPMSG_CALL_BEGIN ||
                             inj.type == APPMSG_CALL_BEGIN_2 || inj.type == APPMSG_CALL_BEGIN_3;
  const bool bToForeground = inj.type == APPMSG_FOREGROUND;
  // A picture being written goes out before the report: held here, none is, and none starts after.
  std::unique_lock<std::mutex> writer(m_picture_lock, std::defer_lock);
  if (inj.channel == APP_CH_COMMAND && (bToBackground || bToForeground)) writer.lock();
  std::vector<SOut> out;
  {
    std::lock_guard<std::mutex> g(m_lock);
    if (inj.channel == APP_CH_COMMAND && bToBackground) m_background = true;
    if (inj.channel == APP_CH_COMMAND && bToForeground) m_background = false;
    Changed();
    out.push_back(
        Out(inj.channel, inj.type,
            CAppProtocol::Frame(inj.channel, inj.type, Timestamp(), inj.payload.data(), inj.payload.size())));
  }
  if (writer.owns_lock()) writer.unlock();
  if (!out[0].link && m_record)
    m_record->Event("app: " + ChannelText(inj.channel) + " not open; " + CAppProtocol::TypeText(inj.type) +
                    " not sent");
  Send(out);
}

CPhoneApp::SOut CPhoneApp::Out(int channel, uint32_t type, std::vector<uint8_t> bytes) {
  SOut o;
  o.link = m_channels[channel].link;
  o.channel = channel;
  o.type = type;
  o.bytes = std::move(bytes);
  if (o.link) {
    SAppTxRecord r;
    r.time_us = m_record ? m_record->NowUs() : 0;
    r.channel = channel;
    r.type = type;
    r.length = static_cast<uint32_t>(o.bytes.size() - CAppProtocol::HeaderSize(channel));
    m_tx.push_back(r);
    Changed();
  }
  return o;
}

void CPhoneApp::Send(std::vector<SOut>& out) {
  for (auto& o : out) {
    if (!o.link) continue;
    if (m_record) {
      size_t head = CAppProtocol::HeaderSize(o.channel);
      m_record->Event("app tx " + ChannelText(o.channel) + " " + CAppProtocol::TypeText(o.type) + " len " +
                      std::to_string(o.bytes.size() - head) + " " +
                      CAppProtocol::Describe(o.type, o.bytes.data() + head, o.bytes.size() - head));
    }
    o.link->Write(o.bytes.data(), o.bytes.size());
  }
}

uint32_t CPhoneApp::Timestamp() const {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_start_time).count());
}

void CPhoneApp::Changed() {
  ++m_gen;
  m_changed.notify_all();
}

void CPhoneApp::ChannelOpened(int channel, uint64_t id, std::shared_ptr<IStreamLink> link) {
  std::shared_ptr<IStreamLink> old;
  {
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_running) {
      // Accepted just before the app died: it goes with the others.
      old = std::move(link);
    }
  }
  if (old) {
    if (m_record) m_record->Event("app " + ChannelText(channel) + " closed: the app is not running");
    old->Close();
    return;
  }
  {
    std::lock_guard<std::mutex> g(m_lock);
    SChannel& ch = m_channels[channel];
    old = std::move(ch.link);
    ch.link = std::move(link);
    ch.id = id;
    ch.reader.Reset();
    if (channel == APP_CH_VIDEO) m_last_video = Clock::now();
    Changed();
  }
  if (m_record) m_record->Event("app " + ChannelText(channel) + " open");
  // A new stream on a port replaces the one before, which the app drops.
  if (old) old->Close();
}

void CPhoneApp::ChannelClosed(int channel, uint64_t id) {
  {
    std::lock_guard<std::mutex> g(m_lock);
    SChannel& ch = m_channels[channel];
    if (ch.id != id || id == 0) return;
    ch.link.reset();
    ch.id = 0;
    ch.reader.Reset();
    // Without the command or the video stream the encoder stops, and a
    // new connection starts it again.
    if (channel == APP_CH_COMMAND || channel == APP_CH_VIDEO) {
      m_streaming = false;
      m_foreground_due = false;
    }
    Changed();
  }
  if (m_record) m_record->Event("app " + ChannelText(channel) + " closed by the host");
}

void CPhoneApp::ChannelData(int channel, uint64_t id, const uint8_t* data, size_t len) {
  std::vector<SOut> out;
  std::vector<std::string> lines, violations;
  {
    std::lock_guard<std::mutex> g(m_lock);
    SChannel& ch = m_channels[channel];
    if (ch.id != id || id == 0) return;
    ch.reader.Push(data, len);
    SAppFrame f;
    std::string error;
    while (ch.reader.Next(&f, &error)) {
      SAppRxRecord r;
      r.time_us = m_record ? m_record->NowUs() : 0;
      r.channel = channel;
      r.type = f.type;
      r.length = f.length;
      r.text = CAppProtocol::Describe(f.type, f.payload.data(), f.payload.size());
      lines.push_back("app rx " + ChannelText(channel) + " " + CAppProtocol::TypeText(f.type) + " len " +
                      std::to_string(f.length) + (r.text.empty() ? "" : " " + r.text));
      // The payload's exact bytes, for tests that check the wire format (long audio blocks cut).
      lines.push_back("app rx-bytes " + ChannelText(channel) + " " + CAppProtocol::TypeText(f.type) + " " +
                      HexBytes(f.payload.data(), f.payload.size(), APP_RX_BYTES_LOGGED));
      r.payload = f.payload;
      m_rx.push_back(std::move(r));
      Changed();
      m_faults.OnEvent("rx:" + CAppProtocol::TypeText(f.type));
      if (channel == APP_CH_COMMAND) HandleFrame(channel, f, &out);
    }
    if (!error.empty()) violations.push_back("app " + ChannelText(channel) + ": " + error);
  }
  if (m_record) {
    for (const auto& l : lines) m_record->Event(l);
    for (const auto& v : violations) m_record->Violation(v);
  }
  Send(out);
  // The "rate" trigger counts from the answer being on the stream: what a fault then sends on
  // the command channel reaches the host after the answer, never before it.
  for (const auto& o : out) {
    if (o.type != APPMSG_FRAME_RATE) continue;
    m_faults.OnEvent("rate");
    std::lock_guard<std::mutex> g(m_lock);
    Changed();
  }
}

void CPhoneApp::HandleFrame(int channel, const SAppFrame& f, std::vector<SOut>* out) {
  (void)channel;
  auto now = Clock::now();
  switch (f.type) {
    case HUMSG_VERSION: {
      if (m_ignore_version) break;
      pb::CorvaneProtocolVersion v;
      v.ParsePartialFromArray(f.payload.data(), static_cast<int>(f.payload.size()));
      pb::CorvaneProtocolVersionMatchStatus m;
      // This app speaks version 1 of the protocol.
      m.set_matchstatus(v.majorversion() == 1 ? 1 : 0);
      out->push_back(
          Out(APP_CH_COMMAND, APPMSG_VERSION_MATCH, CAppProtocol::CommandFrame(APPMSG_VERSION_MATCH, m)));
      m_faults.OnEvent("version");
      break;
    }
    case HUMSG_ENCODER_SETTINGS: {
      if (m_ignore_settings) break;
      pb::CorvaneVideoEncoderInfo s;
      s.ParsePartialFromArray(f.payload.data(), static_cast<int>(f.payload.size()));
      if (m_options.video_width > 0) {
        m_width = m_options.video_width;
        m_height = m_options.video_height;
      } else if (s.width() > 0 && s.height() > 0 && s.width() <= APP_MAX_SIDE && s.height() <= APP_MAX_SIDE) {
        m_width = s.width();
        m_height = s.height();
      } else {
        m_width = APP_DEFAULT_WIDTH;
        m_height = APP_DEFAULT_HEIGHT;
      }
      if (m_options.fps > 0)
        m_fps = m_options.fps;
      else if (s.framerate() > 0 && s.framerate() <= APP_MAX_FPS)
        m_fps = s.framerate();
      pb::CorvaneVideoEncoderInfo a;
      a.set_width(m_width);
      a.set_height(m_height);
      a.set_framerate(m_fps);
      out->push_back(
          Out(APP_CH_COMMAND, APPMSG_ENCODER_INFO, CAppProtocol::CommandFrame(APPMSG_ENCODER_INFO, a)));
      m_faults.OnEvent("settings");
      break;
    }
    case HUMSG_ENCODER_START: {
      if (m_width == 0) {
        m_width = m_options.video_width > 0 ? m_options.video_width : APP_DEFAULT_WIDTH;
        m_height = m_options.video_height > 0 ? m_options.video_height : APP_DEFAULT_HEIGHT;
      }
      m_streaming = true;
      // The projection brings the app to the front: its foreground report follows the first picture.
      m_background = false;
      m_foreground_due = true;
      m_next_picture = now;
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
      m_faults.OnEvent("video");
      Changed();
      break;
    }
    case HUMSG_ENCODER_PAUSE:
      m_streaming = false;
      m_foreground_due = false;
      m_faults.OnEvent("pause");
      Changed();
      break;
    case HUMSG_FRAME_RATE: {
      pb::CorvaneVideoFrameRate r;
      r.ParsePartialFromArray(f.payload.data(), static_cast<int>(f.payload.size()));
      // A rate the encoder cannot run at is answered with the rate it keeps.
      if (r.framerate() > 0 && r.framerate() <= APP_MAX_FPS) {
        m_fps = r.framerate();
        m_next_picture = std::min(m_next_picture, now + Interval(m_fps));
      }
      pb::CorvaneVideoFrameRate a;
      a.set_framerate(m_fps);
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
  std::lock_guard<std::mutex> writer(m_picture_lock);
  std::shared_ptr<IStreamLink> link;
  int w = 0, h = 0;
  uint32_t frame = 0;
  bool unthrottled = false;
  auto now = Clock::now();
  {
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_running || !m_streaming || m_background || !m_channels[APP_CH_VIDEO].link || Stalled(now))
      return false;
    unthrottled = m_options.unthrottled;
    if (!unthrottled && now < m_next_picture) return false;
    link = m_channels[APP_CH_VIDEO].link;
    w = m_width;
    h = m_height;
    frame = m_frame + 1;
  }
  size_t queued = link->Queued();
  size_t last = 0;
  {
    std::lock_guard<std::mutex> g(m_lock);
    last = m_sent_pictures.empty() ? 0 : m_sent_pictures.back().size;
    if (unthrottled ? queued > last : queued > APP_MAX_VIDEO_BACKLOG) {
      // The host has not taken what went before: wait as on a full socket.
      if (!unthrottled) m_next_picture = now + std::chrono::milliseconds(5);
      return false;
    }
    m_picture_out = true;
  }
  std::vector<uint8_t> jpeg;
  if (!m_pictures.Picture(frame, w, h, &jpeg)) {
    if (m_record) m_record->Event("app picture " + std::to_string(frame) + " could not be made");
    std::lock_guard<std::mutex> g(m_lock);
    m_next_picture = now + Interval(m_fps);
    m_picture_out = false;
    Changed();
    return false;
  }
  std::vector<uint8_t> bytes =
      CAppProtocol::StreamFrame(APPMSG_PICTURE, Timestamp(), jpeg.data(), jpeg.size());
  if (!link->Write(bytes.data(), bytes.size())) {
    std::lock_guard<std::mutex> g(m_lock);
    m_picture_out = false;
    Changed();
    return false;
  }
  std::vector<SOut> out;
  int64_t t = m_record ? m_record->NowUs() : 0;
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_picture_out = false;
    m_frame = frame;
    m_sent_pictures.push_back({frame, static_cast<uint32_t>(jpeg.size()), t});
    m_last_video = Clock::now();
    auto step = Interval(m_fps);
    m_next_picture += step;
    // A phone that fell behind does not race to catch up.
    if (m_next_picture + step < now) m_next_picture = now + step;
    m_faults.OnEvent("picture:" + std::to_string(frame));
    if (m_foreground_due) {
      m_foreground_due = false;
      out.push_back(
          Out(APP_CH_COMMAND, APPMSG_FOREGROUND, CAppProtocol::CommandFrame(APPMSG_FOREGROUND, nullptr, 0)));
      m_faults.OnEvent("foreground");
    }
    Changed();
  }
  if (m_record)
    m_record->Event("app picture " + std::to_string(frame) + " size " + std::to_string(jpeg.size()) + " " +
                    std::to_string(w) + "x" + std::to_string(h));
  Send(out);
  return true;
}

void CPhoneApp::SendBurst(int count) {
  std::lock_guard<std::mutex> writer(m_picture_lock);
  std::shared_ptr<IStreamLink> link;
  int w = 0, h = 0;
  uint32_t first = 0;
  {
    std::lock_guard<std::mutex> g(m_lock);
    if (m_running && m_streaming && !m_background) link = m_channels[APP_CH_VIDEO].link;
    w = m_width;
    h = m_height;
    first = m_frame + 1;
  }
  if (!link) {
    if (m_record)
      m_record->Event("app: the encoder is not running; burst of " + std::to_string(count) + " not sent");
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
    if (!m_pictures.Picture(first + static_cast<uint32_t>(i), w, h, &jpeg)) {
      if (m_record) m_record->Event("app picture " + std::to_string(first + i) + " could not be made");
      return;
    }
    frames.push_back(CAppProtocol::StreamFrame(APPMSG_PICTURE, Timestamp(), jpeg.data(), jpeg.size()));
    sizes.push_back(static_cast<uint32_t>(jpeg.size()));
    total += frames.back().size();
  }
  for (const auto& f : frames)
    if (!link->Write(f.data(), f.size())) return;
  std::vector<SOut> out;
  int64_t t = m_record ? m_record->NowUs() : 0;
  {
    std::lock_guard<std::mutex> g(m_lock);
    for (int i = 0; i < count; ++i) {
      m_sent_pictures.push_back({first + static_cast<uint32_t>(i), sizes[static_cast<size_t>(i)], t});
      m_faults.OnEvent("picture:" + std::to_string(first + i));
    }
    m_frame = first + static_cast<uint32_t>(count) - 1;
    m_last_video = Clock::now();
    if (m_foreground_due) {
      m_foreground_due = false;
      out.push_back(
          Out(APP_CH_COMMAND, APPMSG_FOREGROUND, CAppProtocol::CommandFrame(APPMSG_FOREGROUND, nullptr, 0)));
      m_faults.OnEvent("foreground");
    }
    Changed();
  }
  if (m_record) {
    m_record->Event("app burst " + std::to_string(count) + " pictures " + std::to_string(total) + " bytes");
    for (int i = 0; i < count; ++i)
      m_record->Event("app picture " + std::to_string(first + i) + " size " +
                      std::to_string(sizes[static_cast<size_t>(i)]) + " " + std::to_string(w) + "x" +
                      std::to_string(h));
  }
  Send(out);
}

void CPhoneApp::SendHeartbeat() {
  std::shared_ptr<IStreamLink> link;
  {
    std::lock_guard<std::mutex> g(m_lock);
    auto now = Clock::now();
    if (!m_running || !m_channels[APP_CH_VIDEO].link || Stalled(now)) return;
    if (now - m_last_video < HeartbeatInterval()) return;
    link = m_channels[APP_CH_VIDEO].link;
    m_last_video = now;
    ++m_heartbeats;
    Changed();
  }
  std::vector<uint8_t> bytes = CAppProtocol::StreamFrame(APPMSG_HEARTBEAT, Timestamp(), nullptr, 0);
  link->Write(bytes.data(), bytes.size());
}

void CPhoneApp::WorkerLoop() {
  std::unique_lock<std::mutex> lk(m_lock);
  while (!m_stop) {
    lk.unlock();
    for (const SAppFault& f : m_faults.TakeDue(Clock::now())) {
      SAppInjection inj;
      std::string error;
      if (m_record) m_record->Event("app fault " + f.rule + " at " + f.trigger);
      if (CAppInjection::Build(f.arg.empty() ? f.kind : f.kind + "=" + f.arg, &inj, &error)) Fire(inj);
    }
    SendPicture();
    SendHeartbeat();
    lk.lock();
    if (m_stop) break;
    auto now = Clock::now();
    auto wake = now + HeartbeatInterval();
    bool video = m_running && m_channels[APP_CH_VIDEO].link != nullptr;
    if (video && Stalled(now)) {
      wake = std::min(wake, m_stall_until);
      video = false;
    }
    if (video) wake = std::min(wake, m_last_video + HeartbeatInterval());
    if (video && m_streaming && !m_background) {
      // Unthrottled, the host's acknowledgements cannot wake us: look again soon.
      wake = std::min(wake, m_options.unthrottled ? now + std::chrono::microseconds(200) : m_next_picture);
    }
    Clock::time_point due;
    if (m_faults.NextDue(&due)) wake = std::min(wake, due);
    if (wake <= now) continue;
    uint64_t gen = m_gen;
    m_changed.wait_until(lk, wake, [&] { return m_stop || m_gen != gen; });
  }
}

bool CPhoneApp::ChannelOpen(int channel) const {
  std::lock_guard<std::mutex> g(m_lock);
  return channel >= 0 && channel < APP_CHANNELS && m_channels[channel].link != nullptr;
}

int CPhoneApp::OpenChannels() const {
  std::lock_guard<std::mutex> g(m_lock);
  int n = 0;
  for (const auto& ch : m_channels) n += ch.link != nullptr;
  return n;
}

bool CPhoneApp::Streaming() const {
  std::lock_guard<std::mutex> g(m_lock);
  // Until a picture already on its way is recorded: once false, no picture follows.
  return (m_streaming && !m_background) || m_picture_out;
}

int CPhoneApp::FrameRate() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_fps;
}

int CPhoneApp::VideoWidth() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_width;
}

int CPhoneApp::VideoHeight() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_height;
}

std::vector<SAppRxRecord> CPhoneApp::Received() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_rx;
}

std::vector<SAppRxRecord> CPhoneApp::Received(uint32_t type) const {
  std::lock_guard<std::mutex> g(m_lock);
  std::vector<SAppRxRecord> out;
  for (const auto& r : m_rx)
    if (r.type == type) out.push_back(r);
  return out;
}

std::vector<SAppTxRecord> CPhoneApp::Sent() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_tx;
}

std::vector<SAppPictureRecord> CPhoneApp::Pictures() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_sent_pictures;
}

uint64_t CPhoneApp::Heartbeats() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_heartbeats;
}

int CPhoneApp::Starts() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_starts;
}

void CPhoneApp::ClearRecords() {
  std::lock_guard<std::mutex> g(m_lock);
  m_rx.clear();
  m_tx.clear();
  m_sent_pictures.clear();
  m_heartbeats = 0;
  Changed();
}

bool CPhoneApp::WaitFor(const std::function<bool()>& pred, int timeout_ms) const {
  auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    uint64_t gen;
    {
      std::lock_guard<std::mutex> g(m_lock);
      gen = m_gen;
    }
    if (pred()) return true;
    std::unique_lock<std::mutex> lk(m_lock);
    if (!m_changed.wait_until(lk, until, [&] { return m_gen != gen; })) {
      lk.unlock();
      return pred();
    }
  }
}

}  // namespace phonesim
