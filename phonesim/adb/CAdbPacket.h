#pragma once
// One ADB packet as the device side sees it: the 24-byte header of six
// little-endian words and its payload. The codec is the phone's own; it
// shares nothing with the head unit's, so a fault there is caught here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace phonesim {

constexpr uint32_t A_SYNC = 0x434e5953;
constexpr uint32_t A_CNXN = 0x4e584e43;
constexpr uint32_t A_AUTH = 0x48545541;
constexpr uint32_t A_OPEN = 0x4e45504f;
constexpr uint32_t A_OKAY = 0x59414b4f;
constexpr uint32_t A_CLSE = 0x45534c43;
constexpr uint32_t A_WRTE = 0x45545257;
constexpr uint32_t A_STLS = 0x534c5453;

constexpr uint32_t A_VERSION = 0x01000000;
// From this version on a host may leave m_nDataCheck at 0.
constexpr uint32_t A_VERSION_SKIP_CHECKSUM = 0x01000001;

constexpr uint32_t ADB_AUTH_TOKEN = 1;
constexpr uint32_t ADB_AUTH_SIGNATURE = 2;
constexpr uint32_t ADB_AUTH_RSAPUBLICKEY = 3;

constexpr size_t ADB_HEADER_SIZE = 24;

class CAdbPacket {
 public:
  uint32_t m_nCommand = 0;
  uint32_t m_nArg0 = 0;
  uint32_t m_nArg1 = 0;
  uint32_t m_nDataLength = 0;
  uint32_t m_nDataCheck = 0;
  uint32_t m_nMagic = 0;
  std::vector<uint8_t> m_Payload;

  // Builds a well-formed packet: length, check word and magic follow the payload.
  static CAdbPacket Make(uint32_t cmd, uint32_t a0, uint32_t a1, const void* data = nullptr, size_t len = 0);
  static CAdbPacket MakeText(uint32_t cmd, uint32_t a0, uint32_t a1, const std::string& text);

  static uint32_t Checksum(const uint8_t* data, size_t len);

  // Header words exactly as they stand in the packet (no fixing up).
  void EncodeHeader(uint8_t out[ADB_HEADER_SIZE]) const;
  std::vector<uint8_t> Encode() const;  // header then payload
  // Reads the six words; the payload is not touched.
  static CAdbPacket DecodeHeader(const uint8_t in[ADB_HEADER_SIZE]);

  bool MagicOk() const { return m_nMagic == (m_nCommand ^ 0xffffffffu); }
  bool ChecksumOk() const { return m_nDataCheck == Checksum(m_Payload.data(), m_Payload.size()); }

  static std::string CommandName(uint32_t cmd);
};

}  // namespace phonesim
