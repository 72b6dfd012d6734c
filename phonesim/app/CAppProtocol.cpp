#include "phonesim/app/CAppProtocol.h"

#include <google/protobuf/message.h>

#include <cstdio>
#include <memory>

#include "phonesim_pb/CorvaneBTOOBInfoProto.pb.h"
#include "phonesim_pb/CorvaneCarHardKeyCodeProto.pb.h"
#include "phonesim_pb/CorvaneConStatisticProto.pb.h"
#include "phonesim_pb/CorvaneDeviceInfoProto.pb.h"
#include "phonesim_pb/CorvaneFeatureConfigListProto.pb.h"
#include "phonesim_pb/CorvaneModuleStatusListProto.pb.h"
#include "phonesim_pb/CorvaneMusicInitProto.pb.h"
#include "phonesim_pb/CorvaneProtocolVersionMatchStatusProto.pb.h"
#include "phonesim_pb/CorvaneProtocolVersionProto.pb.h"
#include "phonesim_pb/CorvaneStatisticsInfoProto.pb.h"
#include "phonesim_pb/CorvaneTTSInitProto.pb.h"
#include "phonesim_pb/CorvaneTouchActionProto.pb.h"
#include "phonesim_pb/CorvaneVideoEncoderInfoProto.pb.h"
#include "phonesim_pb/CorvaneVideoFrameRateProto.pb.h"

namespace phonesim {

namespace {

std::unique_ptr<google::protobuf::Message> MessageFor(uint32_t type) {
  switch (type) {
    case HUMSG_VERSION:
      return std::make_unique<pb::CorvaneProtocolVersion>();
    case APPMSG_VERSION_MATCH:
      return std::make_unique<pb::CorvaneProtocolVersionMatchStatus>();
    case HUMSG_DEVICE_INFO:
    case APPMSG_DEVICE_INFO:
      return std::make_unique<pb::CorvaneDeviceInfo>();
    case APPMSG_BT_OOB:
      return std::make_unique<pb::CorvaneBTOOBInfo>();
    case HUMSG_ENCODER_SETTINGS:
    case APPMSG_ENCODER_INFO:
      return std::make_unique<pb::CorvaneVideoEncoderInfo>();
    case HUMSG_FRAME_RATE:
    case APPMSG_FRAME_RATE:
      return std::make_unique<pb::CorvaneVideoFrameRate>();
    case HUMSG_STATISTICS:
      return std::make_unique<pb::CorvaneStatisticsInfo>();
    case HUMSG_MODULE_STATUS:
    case APPMSG_MODULE_STATUS:
      return std::make_unique<pb::CorvaneModuleStatusList>();
    case HUMSG_FEATURE_CONFIG:
      return std::make_unique<pb::CorvaneFeatureConfigList>();
    case HUMSG_CONNECT_STATISTICS:
      return std::make_unique<pb::CorvaneConnectStatistics>();
    case HUMSG_TOUCH:
      return std::make_unique<pb::CorvaneTouchAction>();
    case HUMSG_HARD_KEY:
      return std::make_unique<pb::CorvaneCarHardKeyCode>();
    case APPMSG_MUSIC_INIT:
      return std::make_unique<pb::CorvaneMusicInit>();
    case APPMSG_TTS_INIT:
    case APPMSG_VR_START:
      return std::make_unique<pb::CorvaneTTSInit>();
    default:
      return nullptr;
  }
}

}  // namespace

void CAppProtocol::PutBe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

void CAppProtocol::PutBe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

uint32_t CAppProtocol::Be16(const uint8_t* p) {
  return (uint32_t(p[0]) << 8) | p[1];
}

uint32_t CAppProtocol::Be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

std::vector<uint8_t> CAppProtocol::CommandFrame(uint32_t type, const uint8_t* payload, size_t len) {
  std::vector<uint8_t> f(APP_COMMAND_HEADER + len);
  PutBe16(f.data(), static_cast<uint32_t>(len));
  PutBe32(f.data() + 4, type);
  if (len > 0) std::copy(payload, payload + len, f.begin() + APP_COMMAND_HEADER);
  return f;
}

std::vector<uint8_t> CAppProtocol::CommandFrame(uint32_t type, const google::protobuf::MessageLite& message) {
  std::string bytes = message.SerializePartialAsString();
  return CommandFrame(type, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::vector<uint8_t> CAppProtocol::StreamFrame(uint32_t type, uint32_t timestamp, const uint8_t* payload,
                                               size_t len) {
  std::vector<uint8_t> f(APP_STREAM_HEADER + len);
  PutBe32(f.data(), static_cast<uint32_t>(len));
  PutBe32(f.data() + 4, timestamp);
  PutBe32(f.data() + 8, type);
  if (len > 0) std::copy(payload, payload + len, f.begin() + APP_STREAM_HEADER);
  return f;
}

std::vector<uint8_t> CAppProtocol::StreamFrame(uint32_t type, uint32_t timestamp,
                                               const google::protobuf::MessageLite& message) {
  std::string bytes = message.SerializePartialAsString();
  return StreamFrame(type, timestamp, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::vector<uint8_t> CAppProtocol::Frame(int channel, uint32_t type, uint32_t timestamp,
                                         const uint8_t* payload, size_t len) {
  return IsCommandChannel(channel) ? CommandFrame(type, payload, len)
                                   : StreamFrame(type, timestamp, payload, len);
}

std::string CAppProtocol::TypeText(uint32_t type) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", type);
  return buf;
}

std::string CAppProtocol::Describe(uint32_t type, const uint8_t* payload, size_t len) {
  std::unique_ptr<google::protobuf::Message> m = MessageFor(type);
  if (!m) return len == 0 ? std::string() : "(" + std::to_string(len) + " bytes)";
  if (!m->ParsePartialFromArray(payload, static_cast<int>(len)))
    return "unparsable: (" + std::to_string(len) + " bytes)";
  std::string text = m->ShortDebugString();
  if (!m->IsInitialized()) text += " (missing: " + m->InitializationErrorString() + ")";
  return text;
}

}  // namespace phonesim
