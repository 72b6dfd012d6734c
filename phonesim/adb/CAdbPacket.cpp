#include "phonesim/adb/CAdbPacket.h"

#include <cstdio>
#include <cstring>

namespace phonesim {

namespace {
void PutLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
uint32_t GetLe32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
}  // namespace

CAdbPacket CAdbPacket::Make(uint32_t cmd, uint32_t a0, uint32_t a1, const void* data, size_t len) {
  CAdbPacket p;
  p.m_nCommand = cmd;
  p.m_nArg0 = a0;
  p.m_nArg1 = a1;
  if (len > 0 && data != nullptr) {
    const auto* b = static_cast<const uint8_t*>(data);
    p.m_Payload.assign(b, b + len);
  }
  p.m_nDataLength = static_cast<uint32_t>(p.m_Payload.size());
  p.m_nDataCheck = Checksum(p.m_Payload.data(), p.m_Payload.size());
  p.m_nMagic = cmd ^ 0xffffffffu;
  return p;
}

CAdbPacket CAdbPacket::MakeText(uint32_t cmd, uint32_t a0, uint32_t a1, const std::string& text) {
  // Service names and banners travel with their terminating zero.
  return Make(cmd, a0, a1, text.c_str(), text.size() + 1);
}

uint32_t CAdbPacket::Checksum(const uint8_t* data, size_t len) {
  uint32_t sum = 0;
  for (size_t i = 0; i < len; ++i) sum += data[i];
  return sum;
}

void CAdbPacket::EncodeHeader(uint8_t out[ADB_HEADER_SIZE]) const {
  PutLe32(out + 0, m_nCommand);
  PutLe32(out + 4, m_nArg0);
  PutLe32(out + 8, m_nArg1);
  PutLe32(out + 12, m_nDataLength);
  PutLe32(out + 16, m_nDataCheck);
  PutLe32(out + 20, m_nMagic);
}

std::vector<uint8_t> CAdbPacket::Encode() const {
  std::vector<uint8_t> out(ADB_HEADER_SIZE + m_Payload.size());
  EncodeHeader(out.data());
  if (!m_Payload.empty()) std::memcpy(out.data() + ADB_HEADER_SIZE, m_Payload.data(), m_Payload.size());
  return out;
}

CAdbPacket CAdbPacket::DecodeHeader(const uint8_t in[ADB_HEADER_SIZE]) {
  CAdbPacket p;
  p.m_nCommand = GetLe32(in + 0);
  p.m_nArg0 = GetLe32(in + 4);
  p.m_nArg1 = GetLe32(in + 8);
  p.m_nDataLength = GetLe32(in + 12);
  p.m_nDataCheck = GetLe32(in + 16);
  p.m_nMagic = GetLe32(in + 20);
  return p;
}

std::string CAdbPacket::CommandName(uint32_t cmd) {
  switch (cmd) {
    case A_SYNC:
      return "SYNC";
    case A_CNXN:
      return "CNXN";
    case A_AUTH:
      return "AUTH";
    case A_OPEN:
      return "OPEN";
    case A_OKAY:
      return "OKAY";
    case A_CLSE:
      return "CLSE";
    case A_WRTE:
      return "WRTE";
    case A_STLS:
      return "STLS";
    default:
      break;
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08x", cmd);
  return buf;
}

}  // namespace phonesim
