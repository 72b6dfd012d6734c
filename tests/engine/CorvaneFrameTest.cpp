#include "engine/CorvaneFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {
struct CmdCase {
  uint16_t length;
  uint32_t type;
  std::vector<uint8_t> bytes;
};

TEST(CorvaneFrameTest, CommandHeaderBothWays) {
  const CmdCase cases[] = {
      {8, 0x00018007, {0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x80, 0x07}},
      {0, 0x00018009, {0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80, 0x09}},
      {7, 0x00068001, {0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x80, 0x01}},
      {0xFFFF, 0x00010051, {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01, 0x00, 0x51}},
      {0x0123, 0xA1B2C3D4, {0x01, 0x23, 0x00, 0x00, 0xA1, 0xB2, 0xC3, 0xD4}},
  };
  for (const CmdCase& c : cases) {
    uint8_t out[8];
    std::memset(out, 0xEE, sizeof(out));
    CorvaneFrame::PutCmdHeader(out, c.length, c.type);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), c.bytes);
    CmdFrameHeader h = CorvaneFrame::ParseCmdHeader(c.bytes.data());
    EXPECT_EQ(h.length, c.length);
    EXPECT_EQ(h.type, c.type);
  }
}

TEST(CorvaneFrameTest, ReservedBytesOfAReceivedCommandHeaderAreIgnored) {
  const uint8_t withReserved[8] = {0x00, 0x05, 0xAB, 0xCD, 0x00, 0x01, 0x00, 0x0D};
  CmdFrameHeader h = CorvaneFrame::ParseCmdHeader(withReserved);
  EXPECT_EQ(h.length, 5u);
  EXPECT_EQ(h.type, 0x0001000Du);
}

TEST(CorvaneFrameTest, StreamHeaderBothWays) {
  struct Case {
    uint32_t length, timestamp, type;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {500000,
       0x01020304,
       0x00020001,
       {0x00, 0x07, 0xA1, 0x20, 0x01, 0x02, 0x03, 0x04, 0x00, 0x02, 0x00, 0x01}},
      {0, 0, 0x00020002, {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x02, 0x00, 0x02}},
      {4096,
       0xFFFFFFFF,
       0x00058001,
       {0x00, 0x00, 0x10, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x05, 0x80, 0x01}},
  };
  for (const Case& c : cases) {
    uint8_t out[12];
    CorvaneFrame::PutStreamHeader(out, c.length, c.timestamp, c.type);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 12), c.bytes);
    StreamFrameHeader h = CorvaneFrame::ParseStreamHeader(c.bytes.data());
    EXPECT_EQ(h.length, c.length);
    EXPECT_EQ(h.timestamp, c.timestamp);
    EXPECT_EQ(h.type, c.type);
  }
}
}  // namespace
