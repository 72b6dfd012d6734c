#include "phonesim/app/CAppInjection.h"

#include <cstdlib>
#include <random>

#include "phonesim/app/CAppProtocol.h"
#include "phonesim_pb/CorvaneBTOOBInfoProto.pb.h"
#include "phonesim_pb/CorvaneDeviceInfoProto.pb.h"
#include "phonesim_pb/CorvaneModuleStatusListProto.pb.h"
#include "phonesim_pb/CorvaneTTSInitProto.pb.h"
#include "phonesim_pb/CorvaneVideoEncoderInfoProto.pb.h"
#include "phonesim_pb/CorvaneVideoFrameRateProto.pb.h"

namespace phonesim {

namespace {

constexpr uint32_t kOversizeCommand = 60000;  // the head unit holds 51200 at most
constexpr uint32_t kOversizeVideo = 700000;   // ... and 614400 for a picture
constexpr uint32_t kOversizeAudio = 60000;
constexpr size_t kMaxInjectedLength = 8 * 1024 * 1024;
constexpr long kMaxBurst = 1000;
constexpr long kMaxStallMs = 600000;
constexpr long kMaxFlood = 100000;
// A lying header is followed by this many of its bytes, unless it announces fewer.
constexpr uint32_t kLieFollowing = 8;
constexpr long kDefaultNoise = 1024;
constexpr long kDefaultSeed = 1;
// The data type each channel's packages carry: what a lie on that channel pretends to be.
const uint32_t kChannelTypes[] = {APPMSG_DEVICE_INFO, APPMSG_PICTURE, APPMSG_MUSIC_DATA, APPMSG_TTS_DATA,
                                  APPMSG_VR_DATA};
constexpr long kLieChannels = 5;  // the touch channel carries the head unit's packages only

// The top byte of each output of mt19937, whose sequence the C++ standard fixes: the same
// bytes for a seed on every machine.
std::vector<uint8_t> SeededBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> out(n);
  for (auto& b : out) b = static_cast<uint8_t>(gen() >> 24);
  return out;
}

// A known message of the phone, well formed, that a bad-message lie breaks.
bool GoodMessage(uint32_t type, std::vector<uint8_t>* out) {
  switch (type) {
    case APPMSG_VERSION_MATCH:  // {matchStatus 1}
      *out = {0x08, 0x01};
      return true;
    case APPMSG_ENCODER_INFO:  // {800, 480, 10}
      *out = {0x08, 0xA0, 0x06, 0x10, 0xE0, 0x03, 0x18, 0x0A};
      return true;
    case APPMSG_FRAME_RATE:  // {10}
      *out = {0x08, 0x0A};
      return true;
    default:
      return false;
  }
}

bool Number(const std::string& s, long min, long max, long* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 0);
  if (*end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

bool Type(const std::string& s, uint32_t* out) {
  if (s.empty() || s[0] == '-') return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(s.c_str(), &end, 0);
  if (*end != '\0' || v > 0xFFFFFFFFul) return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

// "A:B:C" into three numbers.
bool Triple(const std::string& s, long* a, long* b, long* c) {
  size_t p1 = s.find(':'), p2 = p1 == std::string::npos ? p1 : s.find(':', p1 + 1);
  if (p2 == std::string::npos) return false;
  return Number(s.substr(0, p1), 1, 1000000, a) && Number(s.substr(p1 + 1, p2 - p1 - 1), 1, 16, b) &&
         Number(s.substr(p2 + 1), 1, 64, c);
}

}  // namespace

bool CAppInjection::Build(const std::string& what, SAppInjection* out, std::string* error) {
  size_t eq = what.find('=');
  std::string kind = what.substr(0, eq);
  std::string arg = eq == std::string::npos ? std::string() : what.substr(eq + 1);
  SAppInjection inj;
  inj.m_nChannel = APP_CH_COMMAND;
  long a = 0, b = 0, c = 0;
  bool ok = true;
  auto put = [&inj](const google::protobuf::MessageLite& m) {
    std::string s = m.SerializePartialAsString();
    inj.m_Payload.assign(s.begin(), s.end());
  };
  auto empty_command = [&](uint32_t type) {
    inj.m_nType = type;
    ok = arg.empty();
  };
  auto audio_format = [&](int channel, uint32_t type, long rate, long chans, long bits) {
    inj.m_nChannel = channel;
    inj.m_nType = type;
    if (!arg.empty()) ok = Triple(arg, &rate, &chans, &bits);
    // Media and speech formats have the same three fields.
    pb::CorvaneTTSInit m;
    m.set_samplerate(static_cast<int32_t>(rate));
    m.set_channelconfig(static_cast<int32_t>(chans));
    m.set_sampleformat(static_cast<int32_t>(bits));
    put(m);
  };
  auto audio_data = [&](int channel, uint32_t type) {
    inj.m_nChannel = channel;
    inj.m_nType = type;
    ok = Number(arg, 0, kMaxInjectedLength, &a);
    if (ok) inj.m_Payload.assign(static_cast<size_t>(a), 0);
  };
  if (kind == "feature-query") {
    empty_command(APPMSG_FEATURE_QUERY);
  } else if (kind == "module-status") {
    inj.m_nType = APPMSG_MODULE_STATUS;
    pb::CorvaneModuleStatusList m;
    size_t from = 0;
    ok = !arg.empty();
    while (ok && from <= arg.size()) {
      size_t comma = arg.find(',', from);
      std::string item = arg.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
      size_t colon = item.find(':');
      ok = colon != std::string::npos && Number(item.substr(0, colon), -2147483647L, 2147483647L, &a) &&
           Number(item.substr(colon + 1), -2147483647L, 2147483647L, &b);
      if (ok) {
        pb::CorvaneModuleStatus* s = m.add_modulestatus();
        s->set_moduleid(static_cast<int32_t>(a));
        s->set_statusid(static_cast<int32_t>(b));
      }
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    m.set_cnt(m.modulestatus_size());
    put(m);
  } else if (kind == "call-begin") {
    inj.m_nType = APPMSG_CALL_BEGIN;
    if (!arg.empty())
      ok = Type(arg, &inj.m_nType) &&
           (inj.m_nType == APPMSG_CALL_BEGIN || inj.m_nType == APPMSG_CALL_BEGIN_2 ||
            inj.m_nType == APPMSG_CALL_BEGIN_3);
  } else if (kind == "call-end") {
    empty_command(APPMSG_CALL_END);
  } else if (kind == "foreground") {
    empty_command(APPMSG_FOREGROUND);
  } else if (kind == "background") {
    empty_command(APPMSG_BACKGROUND);
  } else if (kind == "quit") {
    empty_command(APPMSG_QUIT);
  } else if (kind == "record-start") {
    empty_command(APPMSG_RECORD_START);
  } else if (kind == "record-stop") {
    empty_command(APPMSG_RECORD_STOP);
  } else if (kind == "frame-rate-report") {
    inj.m_nType = APPMSG_FRAME_RATE;
    ok = Number(arg, -2147483647L, 2147483647L, &a);
    pb::CorvaneVideoFrameRate m;
    m.set_framerate(static_cast<int32_t>(a));
    put(m);
  } else if (kind == "encoder-info") {
    inj.m_nType = APPMSG_ENCODER_INFO;
    size_t x = arg.find('x'), colon = arg.find(':');
    ok = x != std::string::npos && colon != std::string::npos && colon > x &&
         Number(arg.substr(0, x), 0, 65535, &a) && Number(arg.substr(x + 1, colon - x - 1), 0, 65535, &b) &&
         Number(arg.substr(colon + 1), 0, 1000, &c);
    pb::CorvaneVideoEncoderInfo m;
    m.set_width(static_cast<int32_t>(a));
    m.set_height(static_cast<int32_t>(b));
    m.set_framerate(static_cast<int32_t>(c));
    put(m);
  } else if (kind == "device-info") {
    inj.m_nType = APPMSG_DEVICE_INFO;
    ok = arg.empty();
    pb::CorvaneDeviceInfo m;
    m.set_os("android");
    m.set_brand("Phonesim");
    m.set_model("Phonesim");
    m.set_release("6.0.1");
    m.set_sdk("23");
    m.set_sdk_int(23);
    put(m);
  } else if (kind == "bt-oob") {
    inj.m_nType = APPMSG_BT_OOB;
    ok = arg.empty();
    pb::CorvaneBTOOBInfo m;
    m.set_address("00:11:22:33:44:55");
    m.set_uuid("00001101-0000-1000-8000-00805f9b34fb");
    m.set_name("Phonesim");
    m.set_status(1);
    put(m);
  } else if (kind == "music-init") {
    audio_format(APP_CH_MEDIA, APPMSG_MUSIC_INIT, 44100, 2, 16);
  } else if (kind == "music-data") {
    audio_data(APP_CH_MEDIA, APPMSG_MUSIC_DATA);
  } else if (kind == "tts-init") {
    audio_format(APP_CH_TTS, APPMSG_TTS_INIT, 16000, 1, 16);
  } else if (kind == "tts-data") {
    audio_data(APP_CH_TTS, APPMSG_TTS_DATA);
  } else if (kind == "vr-start") {
    audio_format(APP_CH_VR, APPMSG_VR_START, 16000, 1, 16);
  } else if (kind == "vr-data") {
    audio_data(APP_CH_VR, APPMSG_VR_DATA);
  } else if (kind == "vr-stop") {
    inj.m_nChannel = APP_CH_VR;
    inj.m_nType = APPMSG_VR_STOP;
    ok = arg.empty();
  } else if (kind == "unknown") {
    std::string rest = arg;
    size_t slash = rest.find('/');
    if (slash != std::string::npos) {
      ok = Number(rest.substr(0, slash), 0, APP_CHANNELS - 1, &a);
      inj.m_nChannel = static_cast<int>(a);
      rest = rest.substr(slash + 1);
    }
    size_t colon = rest.find(':');
    ok = ok && Type(rest.substr(0, colon), &inj.m_nType);
    long len = 0;
    if (ok && colon != std::string::npos) ok = Number(rest.substr(colon + 1), 0, kMaxInjectedLength, &len);
    if (ok && CAppProtocol::IsCommandChannel(inj.m_nChannel) && len > static_cast<long>(APP_COMMAND_MAX))
      ok = false;
    inj.m_Payload.assign(static_cast<size_t>(len), 0x5A);
  } else if (kind == "oversize") {
    size_t colon = arg.find(':');
    ok = Number(arg.substr(0, colon), 0, kLieChannels - 1, &a);
    inj.m_nChannel = static_cast<int>(a);
    static const uint32_t kLengths[] = {kOversizeCommand, kOversizeVideo, kOversizeAudio, kOversizeAudio,
                                        kOversizeAudio};
    long len = ok ? kLengths[a] : 0;
    if (ok) inj.m_nType = kChannelTypes[a];
    if (ok && colon != std::string::npos)
      ok = Number(arg.substr(colon + 1), 1, a == APP_CH_COMMAND ? APP_COMMAND_MAX : kMaxInjectedLength, &len);
    if (ok) inj.m_Payload.assign(static_cast<size_t>(len), 0x5A);
  } else if (kind == "false-length") {
    // CH:LEN[:SENT]
    size_t c1 = arg.find(':'), c2 = c1 == std::string::npos ? c1 : arg.find(':', c1 + 1);
    ok = c1 != std::string::npos && Number(arg.substr(0, c1), 0, kLieChannels - 1, &a) &&
         Type(arg.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1),
              &inj.m_nAnnounced);
    if (ok) {
      inj.m_nChannel = static_cast<int>(a);
      inj.m_nType = kChannelTypes[a];
      inj.m_bLengthLie = true;
      ok = !CAppProtocol::IsCommandChannel(inj.m_nChannel) || inj.m_nAnnounced <= APP_COMMAND_MAX;
      long sent = inj.m_nAnnounced < kLieFollowing ? static_cast<long>(inj.m_nAnnounced) : kLieFollowing;
      if (ok && c2 != std::string::npos) ok = Number(arg.substr(c2 + 1), 0, kMaxInjectedLength, &sent);
      if (ok && CAppProtocol::IsCommandChannel(inj.m_nChannel))
        ok = sent <= static_cast<long>(APP_COMMAND_MAX);
      if (ok) inj.m_Payload.assign(static_cast<size_t>(sent), 0x5A);
    }
  } else if (kind == "garbage") {
    // CH:N[:SEED]
    inj.m_Act = SAppInjection::Garbage;
    size_t c1 = arg.find(':'), c2 = c1 == std::string::npos ? c1 : arg.find(':', c1 + 1);
    long seed = kDefaultSeed;
    ok = c1 != std::string::npos && Number(arg.substr(0, c1), 0, APP_CHANNELS - 1, &a) &&
         Number(arg.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1), 1,
                kMaxInjectedLength, &b);
    if (ok && c2 != std::string::npos) ok = Number(arg.substr(c2 + 1), 0, 0x7FFFFFFF, &seed);
    inj.m_nChannel = static_cast<int>(a);
    if (ok) inj.m_Payload = SeededBytes(static_cast<size_t>(b), static_cast<uint32_t>(seed));
  } else if (kind == "bad-picture") {
    // truncated | huge | tiny | noise[:LEN[:SEED]]
    inj.m_Act = SAppInjection::Picture;
    inj.m_nChannel = APP_CH_VIDEO;
    inj.m_nType = APPMSG_PICTURE;
    size_t c1 = arg.find(':');
    inj.m_strText = arg.substr(0, c1);
    if (inj.m_strText == "noise") {
      size_t c2 = c1 == std::string::npos ? c1 : arg.find(':', c1 + 1);
      long len = kDefaultNoise, seed = kDefaultSeed;
      if (c1 != std::string::npos)
        ok = Number(arg.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1), 0,
                    kMaxInjectedLength, &len);
      if (ok && c2 != std::string::npos) ok = Number(arg.substr(c2 + 1), 0, 0x7FFFFFFF, &seed);
      // The start-of-image marker, then no JPEG at all.
      inj.m_Payload = {0xFF, 0xD8};
      std::vector<uint8_t> noise = SeededBytes(static_cast<size_t>(len), static_cast<uint32_t>(seed));
      inj.m_Payload.insert(inj.m_Payload.end(), noise.begin(), noise.end());
    } else {
      ok = c1 == std::string::npos &&
           (inj.m_strText == "truncated" || inj.m_strText == "huge" || inj.m_strText == "tiny");
    }
  } else if (kind == "bad-message") {
    // empty | truncated | overlong | wrong-type, [:TYPE] of a known message (default encoder info)
    size_t c1 = arg.find(':');
    std::string how = arg.substr(0, c1);
    inj.m_nType = APPMSG_ENCODER_INFO;
    if (c1 != std::string::npos) ok = Type(arg.substr(c1 + 1), &inj.m_nType);
    std::vector<uint8_t> good;
    ok = ok && GoodMessage(inj.m_nType, &good);
    if (how == "empty") {
      inj.m_Payload.clear();
    } else if (how == "truncated") {
      // Half the bytes: every known message ends inside a field then.
      inj.m_Payload.assign(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    } else if (how == "overlong") {
      // The whole message, then zero bytes: a tag of field 0, which no message has.
      inj.m_Payload = good;
      inj.m_Payload.insert(inj.m_Payload.end(), 16, 0x00);
    } else if (how == "wrong-type") {
      // Field 1 is a number in every known message; here it comes as the text "wrong".
      inj.m_Payload = {0x0A, 0x05, 'w', 'r', 'o', 'n', 'g'};
    } else {
      ok = false;
    }
  } else if (kind == "flood") {
    // [CH/]N[:TYPE] empty frames in one write; by default heartbeats on the video channel.
    inj.m_Act = SAppInjection::Flood;
    inj.m_nChannel = APP_CH_VIDEO;
    inj.m_nType = APPMSG_HEARTBEAT;
    std::string rest = arg;
    size_t slash = rest.find('/');
    if (slash != std::string::npos) {
      ok = Number(rest.substr(0, slash), 0, kLieChannels - 1, &a);
      inj.m_nChannel = static_cast<int>(a);
      if (ok && a != APP_CH_VIDEO) inj.m_nType = kChannelTypes[a];
      rest = rest.substr(slash + 1);
    }
    size_t colon = rest.find(':');
    ok = ok && Number(rest.substr(0, colon), 1, kMaxFlood, &inj.m_nCount);
    if (ok && colon != std::string::npos) ok = Type(rest.substr(colon + 1), &inj.m_nType);
  } else if (kind == "burst") {
    inj.m_Act = SAppInjection::Burst;
    inj.m_nChannel = APP_CH_VIDEO;
    ok = Number(arg, 1, kMaxBurst, &inj.m_nCount);
  } else if (kind == "stall") {
    inj.m_Act = SAppInjection::Stall;
    inj.m_nChannel = APP_CH_VIDEO;
    ok = Number(arg, 1, kMaxStallMs, &inj.m_nCount);
  } else if (kind == "ignore") {
    inj.m_Act = SAppInjection::Ignore;
    if (arg == "version")
      inj.m_nIgnored = HUMSG_VERSION;
    else if (arg == "settings")
      inj.m_nIgnored = HUMSG_ENCODER_SETTINGS;
    else
      ok = false;
  } else if (kind == "app-death") {
    inj.m_Act = SAppInjection::Death;
    ok = arg.empty();
  } else if (kind == "unplug") {
    inj.m_Act = SAppInjection::Unplug;
    ok = arg.empty();
  } else if (kind == "adb") {
    inj.m_Act = SAppInjection::Adb;
    inj.m_strText = arg;
    ok = !arg.empty();
  } else {
    if (error) *error = "unknown app injection \"" + kind + "\"";
    return false;
  }
  if (!ok) {
    if (error) *error = "bad argument in app injection \"" + what + "\"";
    return false;
  }
  *out = std::move(inj);
  return true;
}

}  // namespace phonesim
