// One ADB packet as the head unit holds it: the 24-byte header of six words and room for
// the largest payload the head unit sends or accepts.
#pragma once

#include <cstddef>
#include <cstdint>

// Four-character codes, first letter in the lowest byte.
constexpr uint32_t ADB_CMD_CNXN = 0x4E584E43;
constexpr uint32_t ADB_CMD_AUTH = 0x48545541;
constexpr uint32_t ADB_CMD_OPEN = 0x4E45504F;
constexpr uint32_t ADB_CMD_OKAY = 0x59414B4F;
constexpr uint32_t ADB_CMD_WRTE = 0x45545257;
constexpr uint32_t ADB_CMD_CLSE = 0x45534C43;

constexpr uint32_t ADB_VERSION = 0x01000000;
constexpr uint32_t ADB_MAX_PAYLOAD = 4096;
constexpr size_t ADB_HEADER_SIZE = 24;

constexpr uint32_t ADB_AUTH_TOKEN = 1;
constexpr uint32_t ADB_AUTH_SIGNATURE = 2;
constexpr uint32_t ADB_AUTH_RSAPUBLICKEY = 3;

struct AdbPacket {
  // The header's six words under ADB's own names, in wire order; the payload area follows them.
  uint32_t command;
  uint32_t arg0;
  uint32_t arg1;
  uint32_t data_length;
  uint32_t data_check;
  uint32_t magic;
  uint8_t m_Data[ADB_MAX_PAYLOAD];

  // A zero-filled block; nullptr when memory ran out. The first kPooledBlocks blocks in use at
  // once come from blocks made with the program, the rest from the heap: the packets the link
  // sends all the time (an OKAY for every WRTE of the phone, touches, commands) cost no
  // allocation.
  static AdbPacket* Alloc();
  static void Release(AdbPacket* packet);
  static constexpr size_t kPooledBlocks = 32;

  // Sets magic and data_check from command and payload (data_length must be set and <= 4096).
  void Complete();
  // Clears header and payload area.
  void Clear();
  bool MagicOk() const { return magic == ~command; }

  // The header as it travels: six little-endian words.
  void EncodeHeader(uint8_t out[ADB_HEADER_SIZE]) const;
  void DecodeHeader(const uint8_t in[ADB_HEADER_SIZE]);

  static uint32_t ByteSum(const uint8_t* data, size_t length);
};
