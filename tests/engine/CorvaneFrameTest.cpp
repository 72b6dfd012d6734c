#include "engine/CorvaneFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {
struct CmdCase {
  uint16_t m_nLength;
  uint32_t m_nType;
  std::vector<uint8_t> m_Bytes;
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
    CorvaneFrame::PutCmdHeader(out, c.m_nLength, c.m_nType);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), c.m_Bytes);
    CmdFrameHeader h = CorvaneFrame::ParseCmdHeader(c.m_Bytes.data());
    EXPECT_EQ(h.length, c.m_nLength);
    EXPECT_EQ(h.type, c.m_nType);
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
    uint32_t m_nLength, m_nTimestamp, m_nType;
    std::vector<uint8_t> m_Bytes;
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
    CorvaneFrame::PutStreamHeader(out, c.m_nLength, c.m_nTimestamp, c.m_nType);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 12), c.m_Bytes);
    StreamFrameHeader h = CorvaneFrame::ParseStreamHeader(c.m_Bytes.data());
    EXPECT_EQ(h.length, c.m_nLength);
    EXPECT_EQ(h.timestamp, c.m_nTimestamp);
    EXPECT_EQ(h.type, c.m_nType);
  }
}
}  // namespace
