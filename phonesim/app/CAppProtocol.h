#pragma once
// The projection protocol as the phone app speaks it: the six channels and
// their ports, the two frame headers, the message types, and the decoding of
// a package into text for the records.
//
// Command header (channels 0 and 5), 8 bytes: payload length (16 bits,
// big-endian), two reserved bytes, message type (32 bits, big-endian).
// Stream header (channels 1 to 4), 12 bytes: payload length, timestamp,
// message type, each 32 bits big-endian.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace google {
namespace protobuf {
class MessageLite;
}
}  // namespace google

namespace phonesim {

constexpr int APP_CHANNELS = 6;
enum EAppChannel {
  APP_CH_COMMAND = 0,
  APP_CH_VIDEO = 1,
  APP_CH_MEDIA = 2,
  APP_CH_TTS = 3,
  APP_CH_VR = 4,
  APP_CH_TOUCH = 5,
};
constexpr uint16_t APP_PORTS[APP_CHANNELS] = {7240, 8240, 9240, 9241, 9242, 9340};
constexpr char APP_PACKAGE[] = "com.velto.corvane";

constexpr size_t APP_COMMAND_HEADER = 8;
constexpr size_t APP_STREAM_HEADER = 12;
constexpr uint32_t APP_COMMAND_MAX = 0xFFFF;  // the command header's 16-bit length

// Phone to head unit, channel 0.
constexpr uint32_t APPMSG_VERSION_MATCH = 0x00010002;
constexpr uint32_t APPMSG_DEVICE_INFO = 0x00010004;
constexpr uint32_t APPMSG_BT_OOB = 0x00010006;
constexpr uint32_t APPMSG_ENCODER_INFO = 0x00010008;
constexpr uint32_t APPMSG_FRAME_RATE = 0x0001000D;
constexpr uint32_t APPMSG_CALL_BEGIN = 0x00010014;  // 0x00010015 and 0x00010017 begin a call as well
constexpr uint32_t APPMSG_CALL_BEGIN_2 = 0x00010015;
constexpr uint32_t APPMSG_CALL_END = 0x00010016;
constexpr uint32_t APPMSG_CALL_BEGIN_3 = 0x00010017;
constexpr uint32_t APPMSG_FOREGROUND = 0x0001001B;
constexpr uint32_t APPMSG_BACKGROUND = 0x0001001C;
constexpr uint32_t APPMSG_QUIT = 0x00010021;
constexpr uint32_t APPMSG_RECORD_STOP = 0x00010023;
constexpr uint32_t APPMSG_RECORD_START = 0x00010024;
constexpr uint32_t APPMSG_MODULE_STATUS = 0x00010026;
constexpr uint32_t APPMSG_FEATURE_QUERY = 0x00010051;
// Phone to head unit, channels 1 to 4.
constexpr uint32_t APPMSG_PICTURE = 0x00020001;
constexpr uint32_t APPMSG_HEARTBEAT = 0x00020002;
constexpr uint32_t APPMSG_MUSIC_INIT = 0x00030001;
constexpr uint32_t APPMSG_MUSIC_DATA = 0x00030002;
constexpr uint32_t APPMSG_TTS_INIT = 0x00040001;
constexpr uint32_t APPMSG_TTS_DATA = 0x00040002;
constexpr uint32_t APPMSG_VR_START = 0x00050002;
constexpr uint32_t APPMSG_VR_DATA = 0x00050003;
constexpr uint32_t APPMSG_VR_STOP = 0x00050004;
// Head unit to phone.
constexpr uint32_t HUMSG_VERSION = 0x00018001;
constexpr uint32_t HUMSG_DEVICE_INFO = 0x00018003;
constexpr uint32_t HUMSG_ENCODER_SETTINGS = 0x00018007;
constexpr uint32_t HUMSG_ENCODER_START = 0x00018009;
constexpr uint32_t HUMSG_ENCODER_PAUSE = 0x0001800A;
constexpr uint32_t HUMSG_FRAME_RATE = 0x0001800C;
constexpr uint32_t HUMSG_STATISTICS = 0x00018027;
constexpr uint32_t HUMSG_MODULE_STATUS = 0x00018028;
constexpr uint32_t HUMSG_FEATURE_CONFIG = 0x00018052;
constexpr uint32_t HUMSG_BEFORE_SETTINGS = 0x00018056;
constexpr uint32_t HUMSG_CONNECT_STATISTICS = 0x00018060;
constexpr uint32_t HUMSG_MIC = 0x00058001;
constexpr uint32_t HUMSG_TOUCH = 0x00068001;
constexpr uint32_t HUMSG_HARD_KEY = 0x00068008;

class CAppProtocol {
 public:
  // Channels 0 and 5 carry command headers, 1 to 4 stream headers.
  static bool IsCommandChannel(int channel) { return channel == APP_CH_COMMAND || channel == APP_CH_TOUCH; }
  static size_t HeaderSize(int channel) {
    return IsCommandChannel(channel) ? APP_COMMAND_HEADER : APP_STREAM_HEADER;
  }

  static void PutBe16(uint8_t* p, uint32_t v);
  static void PutBe32(uint8_t* p, uint32_t v);
  static uint32_t Be16(const uint8_t* p);
  static uint32_t Be32(const uint8_t* p);

  // A command package; the caller keeps len within APP_COMMAND_MAX.
  static std::vector<uint8_t> CommandFrame(uint32_t type, const uint8_t* payload, size_t len);
  static std::vector<uint8_t> CommandFrame(uint32_t type, const google::protobuf::MessageLite& message);
  static std::vector<uint8_t> StreamFrame(uint32_t type, uint32_t timestamp, const uint8_t* payload,
                                          size_t len);
  static std::vector<uint8_t> StreamFrame(uint32_t type, uint32_t timestamp,
                                          const google::protobuf::MessageLite& message);
  // The frame of the channel's kind (the timestamp is ignored on 0 and 5).
  static std::vector<uint8_t> Frame(int channel, uint32_t type, uint32_t timestamp, const uint8_t* payload,
                                    size_t len);

  static std::string TypeText(uint32_t type);  // "0x00018007"
  // The payload decoded by its type as "field: value" text; "" for types
  // without a message, "(N bytes)" for raw data, "unparsable: ..." when
  // the bytes do not make the message.
  static std::string Describe(uint32_t type, const uint8_t* payload, size_t len);
};

}  // namespace phonesim
