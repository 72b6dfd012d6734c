#pragma once
// The phone app of the simulated phone: the projection protocol's phone side.
// "am start" of the app's package starts it; from then on it accepts the six
// channel streams on its ports (before, an OPEN is refused like a closed
// port). It answers the protocol version, the encoder settings (with its own
// video size, by default the one the head unit asks for), the encoder start
// (pictures start, then the foreground report), frame-rate requests and
// pause; it sends pictures as 12-byte headers and JPEGs at the current frame
// rate (or as fast as the host's flow control allows), none while it is in
// the background (from its background or call report until its foreground
// report or the next encoder start), a heartbeat every
// 100 ms in which no picture went out (neither while the video stream is
// stalled), and audio formats and data on
// channels 2 to 4. Every package the head unit sends is recorded, decoded by
// type, in the accessors below and as "app rx" lines of the record log.
//
// Threads: the device's connection thread delivers the channels' data; one
// worker of the app sends pictures, heartbeats and scheduled injections. The
// app's lock is never held while writing to a stream.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "phonesim/app/CAppFaultPlan.h"
#include "phonesim/app/CAppInjection.h"
#include "phonesim/app/CAppProtocol.h"
#include "phonesim/app/CFrameReader.h"
#include "phonesim/app/CPictureSource.h"
#include "phonesim/services/IStreamLink.h"

namespace phonesim {

class CEndpointRegistry;
class CShellScript;
class CSimRecord;

constexpr int APP_HEARTBEAT_MS = 100;
constexpr int APP_MAX_HEARTBEAT_MS = 10000;
constexpr int APP_DEFAULT_WIDTH = 800;  // when the head unit asks for no usable size
constexpr int APP_DEFAULT_HEIGHT = 480;
constexpr int APP_DEFAULT_FPS = 10;
constexpr int APP_MAX_FPS = 120;
constexpr int APP_MAX_SIDE = 4096;
// A throttled phone stops encoding while this much waits unacknowledged on
// the video stream, as an app blocks on a full socket.
constexpr size_t APP_MAX_VIDEO_BACKLOG = 2 * 1024 * 1024;

struct SPhoneAppOptions {
  int m_nVideoWidth = 0;  // 0: the head unit's (from its encoder settings)
  int m_nVideoHeight = 0;
  int m_nFps = 0;                // 0: the rate the head unit asks for
  std::string m_strPicturesDir;  // empty: the test pattern
  bool m_bUnthrottled = false;
  int m_nPreEncode = 0;
  // A heartbeat goes out after this many ms without a picture; 0: APP_HEARTBEAT_MS.
  int m_nHeartbeatMs = 0;
  std::vector<std::string> m_Faults;  // CAppFaultPlan text form
};

// A package the head unit sent on one of the six channels.
struct SAppRxRecord {
  int64_t m_nTimeUs = 0;
  int m_nChannel = 0;
  uint32_t m_nType = 0;
  uint32_t m_nLength = 0;
  std::string m_strText;  // CAppProtocol::Describe
  std::vector<uint8_t> m_Payload;
};

// A package the app sent, pictures and heartbeats aside.
struct SAppTxRecord {
  int64_t m_nTimeUs = 0;
  int m_nChannel = 0;
  uint32_t m_nType = 0;
  uint32_t m_nLength = 0;
};

struct SAppPictureRecord {
  uint32_t m_nFrame = 0;
  uint32_t m_nSize = 0;  // JPEG bytes
  int64_t m_nTimeUs = 0;
};

class CPhoneApp {
 public:
  CPhoneApp();
  ~CPhoneApp();
  CPhoneApp(const CPhoneApp&) = delete;
  CPhoneApp& operator=(const CPhoneApp&) = delete;

  // Registers the six ports and the "am start" hook. Once, before Start.
  void Attach(CSimRecord* record, CShellScript* shell, CEndpointRegistry* endpoints);
  // The simulator's own faults, reached from app faults "unplug" and "adb=RULE".
  void SetUnplugHook(std::function<void()> fn);
  void SetAdbFaultHook(std::function<bool(const std::string&, std::string*)> fn);

  // Applies the options (the app is not running until "am start") and
  // starts the worker; Stop ends it, drops the app and its streams.
  bool Start(const SPhoneAppOptions& options, std::string* error);
  void Stop();

  // What "am start" does: starts the app unless it runs.
  void Launch();
  // The app dies: all six channels closed from the phone, the process
  // gone; the ADB connection stays. A later "am start" starts it again.
  void Die();
  bool Running() const;

  // Run-time settings (the same as the options).
  bool SetVideoSize(int width, int height);  // 0 x 0: the head unit's
  void SetFps(int fps);
  void SetUnthrottled(bool on);
  bool SetPictures(const std::string& dir, std::string* error);
  void SetPreEncode(int count);

  // Injections: "KIND[=ARG]" now (on the caller's thread), or as a fault
  // in CAppFaultPlan's text form. Kinds: feature-query,
  // module-status=ID:STATUS[,ID:STATUS...], call-begin[=TYPE], call-end,
  // foreground, background, quit, record-start, record-stop,
  // frame-rate-report=N, encoder-info=WxH:FPS, device-info, bt-oob,
  // music-init[=RATE:CHANNELS:BITS], music-data=LEN, tts-init[=...],
  // tts-data=LEN, vr-start[=...], vr-data=LEN, vr-stop,
  // unknown=[CH/]TYPE[:LEN], oversize=CH[:LEN], burst=N (N pictures written
  // back-to-back in one write), stall=MS (no picture and no heartbeat for MS
  // ms), ignore=version|settings (that message goes unanswered from then on),
  // app-death, unplug, adb=RULE; and the lies false-length=CH:LEN[:SENT],
  // garbage=CH:N[:SEED], bad-picture=truncated|huge|tiny|noise[:LEN[:SEED]],
  // bad-message=empty|truncated|overlong|wrong-type[:TYPE], flood=[CH/]N[:TYPE].
  bool Inject(const std::string& what, std::string* error = nullptr);
  bool AddFault(const std::string& rule, std::string* error = nullptr);
  void ClearFaults();

  bool ChannelOpen(int channel) const;
  int OpenChannels() const;
  // Pictures go out: the encoder started, not paused and the app not in the background.
  bool Streaming() const;
  int FrameRate() const;
  int VideoWidth() const;
  int VideoHeight() const;

  std::vector<SAppRxRecord> Received() const;
  std::vector<SAppRxRecord> Received(uint32_t type) const;
  std::vector<SAppTxRecord> Sent() const;
  std::vector<SAppPictureRecord> Pictures() const;
  uint64_t Heartbeats() const;
  int Starts() const;
  void ClearRecords();
  // Waits until pred() holds, checked again at every change of the app.
  bool WaitFor(const std::function<bool()>& pred, int timeout_ms) const;

  // From the channel endpoints (connection thread).
  void ChannelOpened(int channel, uint64_t id, std::shared_ptr<IStreamLink> link);
  void ChannelData(int channel, uint64_t id, const uint8_t* data, size_t len);
  void ChannelClosed(int channel, uint64_t id);

 private:
  struct SOut {
    std::shared_ptr<IStreamLink> m_pLink;
    int m_nChannel = 0;
    uint32_t m_nType = 0;
    std::vector<uint8_t> m_Bytes;
  };
  struct SChannel {
    std::shared_ptr<IStreamLink> m_pLink;
    uint64_t m_nId = 0;
    CFrameReader m_Reader;
  };

  void Fire(const SAppInjection& inj);
  void HandleFrame(int channel, const SAppFrame& f, std::vector<SOut>* out);  // m_Lock held
  SOut Out(int channel, uint32_t type, std::vector<uint8_t> bytes);           // m_Lock held
  void Send(std::vector<SOut>& out);                                          // m_Lock not held
  void Event(const std::string& event);  // faults waiting for it; m_Lock not needed
  uint32_t Timestamp() const;
  void Changed();  // m_Lock held
  void WorkerLoop();
  bool SendPicture();
  void SendBurst(int count);
  void SendHeartbeat();
  // The lies: bytes that are no frame, a picture that is no good JPEG, a run of empty frames.
  void SendGarbage(const SAppInjection& inj);
  void SendBadPicture(const SAppInjection& inj);
  void SendFlood(const SAppInjection& inj);
  // The channel's stream while the app runs; null (and a record line) when it is not open.
  std::shared_ptr<IStreamLink> LinkFor(int channel, const char* what);
  std::chrono::milliseconds HeartbeatInterval() const {
    return std::chrono::milliseconds(m_Options.m_nHeartbeatMs > 0 ? m_Options.m_nHeartbeatMs
                                                                  : APP_HEARTBEAT_MS);
  }                                                                                             // m_Lock held
  bool Stalled(std::chrono::steady_clock::time_point now) const { return now < m_StallUntil; }  // m_Lock held

  CSimRecord* m_pRecord = nullptr;
  CShellScript* m_pShell = nullptr;
  std::function<void()> m_fnUnplug;
  std::function<bool(const std::string&, std::string*)> m_fnAdbFault;
  CAppFaultPlan m_Faults;
  CPictureSource m_Pictures;

  // One picture writer at a time (the worker's pictures, a burst from Inject): frame numbers
  // stay in order and a burst's pictures follow each other on the stream. Taken before m_Lock.
  std::mutex m_PictureLock;
  mutable std::mutex m_Lock;
  mutable std::condition_variable m_Changed;
  uint64_t m_nGen = 0;
  SPhoneAppOptions m_Options;
  bool m_bRunning = false;
  int m_nStarts = 0;
  std::chrono::steady_clock::time_point m_StartTime;
  uint64_t m_nNextStreamId = 1;
  SChannel m_Channels[APP_CHANNELS];
  // Video state.
  int m_nWidth = 0, m_nHeight = 0, m_nFps = APP_DEFAULT_FPS;
  bool m_bStreaming = false;
  // A picture decided on while streaming is being made and written; a pause does not stop it.
  bool m_bPictureOut = false;
  bool m_bForegroundDue = false;
  // The app is behind another one on the phone (its background or call report went out): the
  // encoder sends no picture until the foreground report or the next encoder start.
  bool m_bBackground = false;
  uint32_t m_nFrame = 0;
  std::chrono::steady_clock::time_point m_NextPicture;
  std::chrono::steady_clock::time_point m_LastVideo;
  std::chrono::steady_clock::time_point m_StallUntil;  // no picture, no heartbeat before it
  // Answers the app leaves out (the head unit's message types), from an "ignore" injection.
  bool m_bIgnoreVersion = false;
  bool m_bIgnoreSettings = false;
  // Records.
  std::vector<SAppRxRecord> m_Rx;
  std::vector<SAppTxRecord> m_Tx;
  std::vector<SAppPictureRecord> m_SentPictures;
  uint64_t m_nHeartbeats = 0;

  std::atomic<bool> m_bStop{false};
  std::thread m_Worker;
};

}  // namespace phonesim
