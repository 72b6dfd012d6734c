// The projection protocol's framing: every channel's byte stream is cut into packages behind one of
// two headers, all numbers big-endian.
//   command frame (channels 0 and 5), 8 bytes: length u16, reserved u16 (sent 0, ignored), type u32
//   stream frame (channels 1 to 4), 12 bytes: length u32, timestamp u32 (carried through), type u32
// The type's upper half names the family: 0x0001 commands (0x000180NN from the head unit),
// 0x0006 touch and keys, 0x0002 video, 0x0003 media, 0x0004 TTS, 0x0005 voice recognition.
#pragma once

#include <cstdint>

enum CorvaneChannelId : int {
  CORVANE_CHANNEL_CMD = 0,
  CORVANE_CHANNEL_VIDEO = 1,
  CORVANE_CHANNEL_MEDIA = 2,
  CORVANE_CHANNEL_TTS = 3,
  CORVANE_CHANNEL_VR = 4,
  CORVANE_CHANNEL_CTRL = 5,
};

enum CorvaneMsgType : uint32_t {
  // phone -> head unit, channel 0
  MSG_CMD_PROTOCOL_VERSION_MATCH_STATUS = 0x00010002,
  MSG_CMD_DEVICE_INFO = 0x00010004,
  MSG_CMD_BT_OOB_INFO = 0x00010006,
  MSG_CMD_VIDEO_ENCODER_INIT_DONE = 0x00010008,
  MSG_CMD_VIDEO_FRAME_RATE = 0x0001000D,
  MSG_CMD_CALL_BEGIN_1 = 0x00010014,
  MSG_CMD_CALL_BEGIN_2 = 0x00010015,
  MSG_CMD_CALL_END = 0x00010016,
  MSG_CMD_CALL_BEGIN_3 = 0x00010017,
  MSG_CMD_PHONE_FOREGROUND = 0x0001001B,
  MSG_CMD_PHONE_BACKGROUND = 0x0001001C,
  MSG_CMD_HU_HIDE_OR_QUIT = 0x00010021,
  MSG_CMD_RECORD_STOP = 0x00010023,
  MSG_CMD_RECORD_START = 0x00010024,
  MSG_CMD_MODULE_STATUS = 0x00010026,
  MSG_CMD_FEATURE_QUERY = 0x00010051,
  // head unit -> phone, channel 0
  MSG_HU_PROTOCOL_VERSION = 0x00018001,
  MSG_HU_DEVICE_INFO = 0x00018003,
  MSG_HU_VIDEO_ENCODER_INIT = 0x00018007,
  MSG_HU_VIDEO_ENCODER_START = 0x00018009,
  MSG_HU_VIDEO_ENCODER_PAUSE = 0x0001800A,
  MSG_HU_VIDEO_FRAME_RATE = 0x0001800C,
  MSG_HU_STATISTICS_INFO = 0x00018027,
  MSG_HU_MODULE_STATUS = 0x00018028,
  MSG_HU_FEATURE_CONFIG = 0x00018052,
  MSG_HU_BEFORE_ENCODER_INIT = 0x00018056,
  MSG_HU_CONNECT_STATISTICS = 0x00018060,
  // head unit -> phone, channel 5
  MSG_CTRL_TOUCH_ACTION = 0x00068001,
  MSG_CTRL_HARD_KEY = 0x00068008,
  // phone -> head unit, channel 1
  MSG_VIDEO_PICTURE = 0x00020001,
  MSG_VIDEO_HEARTBEAT = 0x00020002,
  // phone -> head unit, channel 2 (0x00030001 .. 0x00030006)
  MSG_MEDIA_INIT = 0x00030001,
  MSG_MEDIA_FIRST = 0x00030001,
  MSG_MEDIA_LAST = 0x00030006,
  // phone -> head unit, channel 3 (0x00040001 .. 0x00040003)
  MSG_TTS_INIT = 0x00040001,
  MSG_TTS_DATA = 0x00040002,
  MSG_TTS_LAST = 0x00040003,
  // channel 4
  MSG_VR_START = 0x00050002,
  MSG_VR_DATA = 0x00050003,
  MSG_VR_STOP = 0x00050004,
  MSG_VR_MIC_DATA = 0x00058001,
};

struct CmdFrameHeader {
  uint32_t length;  // 0 .. 65535
  uint32_t type;
};

struct StreamFrameHeader {
  uint32_t length;
  uint32_t timestamp;
  uint32_t type;
};

class CorvaneFrame {
 public:
  static constexpr int kCmdHeaderSize = 8;
  static constexpr int kStreamHeaderSize = 12;

  static uint32_t GetBE32(const uint8_t* p);
  static uint16_t GetBE16(const uint8_t* p);
  static void PutBE32(uint8_t* p, uint32_t v);
  static void PutBE16(uint8_t* p, uint16_t v);

  // The reserved bytes are written as zero and never read.
  static void PutCmdHeader(uint8_t* out, uint16_t length, uint32_t type);
  static CmdFrameHeader ParseCmdHeader(const uint8_t* in);
  static void PutStreamHeader(uint8_t* out, uint32_t length, uint32_t timestamp, uint32_t type);
  static StreamFrameHeader ParseStreamHeader(const uint8_t* in);
};
