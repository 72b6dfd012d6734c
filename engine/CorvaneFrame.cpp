#include "engine/CorvaneFrame.h"

uint32_t CorvaneFrame::GetBE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

uint16_t CorvaneFrame::GetBE16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

void CorvaneFrame::PutBE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

void CorvaneFrame::PutBE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

void CorvaneFrame::PutCmdHeader(uint8_t* out, uint16_t length, uint32_t type) {
  PutBE16(out, length);
  out[2] = 0;
  out[3] = 0;
  PutBE32(out + 4, type);
}

CmdFrameHeader CorvaneFrame::ParseCmdHeader(const uint8_t* in) {
  CmdFrameHeader h;
  h.length = GetBE16(in);
  h.type = GetBE32(in + 4);
  return h;
}

void CorvaneFrame::PutStreamHeader(uint8_t* out, uint32_t length, uint32_t timestamp, uint32_t type) {
  PutBE32(out, length);
  PutBE32(out + 4, timestamp);
  PutBE32(out + 8, type);
}

StreamFrameHeader CorvaneFrame::ParseStreamHeader(const uint8_t* in) {
  StreamFrameHeader h;
  h.length = GetBE32(in);
  h.timestamp = GetBE32(in + 4);
  h.type = GetBE32(in + 8);
  return h;
}
