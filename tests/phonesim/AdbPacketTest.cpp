// The phone's packet codec against bytes written by hand from the protocol.
#include <gtest/gtest.h>

#include "phonesim/adb/CAdbPacket.h"

using namespace phonesim;

namespace {

const std::vector<uint8_t> kHostCnxn = {0x43, 0x4e, 0x58, 0x4e,  // "CNXN"
                                        0x00, 0x00, 0x00, 0x01,  // version 0x01000000
                                        0x00, 0x10, 0x00, 0x00,  // max payload 4096
                                        0x07, 0x00, 0x00, 0x00,  // 7 bytes
                                        0x32, 0x02, 0x00, 0x00,  // byte sum of "host::\0" = 0x232
                                        0xbc, 0xb1, 0xa7, 0xb1,  // ~"CNXN"
                                        'h',  'o',  's',  't',  ':', ':', 0x00};

const std::vector<uint8_t> kWrteAbc = {0x57, 0x52, 0x54, 0x45,  // "WRTE"
                                       0x05, 0x00, 0x00, 0x00,  // sender id 5
                                       0x07, 0x00, 0x00, 0x00,  // receiver id 7
                                       0x03, 0x00, 0x00, 0x00,  // 3 bytes
                                       0x26, 0x01, 0x00, 0x00,  // 0x61 + 0x62 + 0x63
                                       0xa8, 0xad, 0xab, 0xba,  // ~"WRTE"
                                       'a',  'b',  'c'};

TEST(AdbPacketTest, EncodesHandWrittenPackets) {
  EXPECT_EQ(CAdbPacket::MakeText(A_CNXN, 0x01000000, 4096, "host::").Encode(), kHostCnxn);
  EXPECT_EQ(CAdbPacket::Make(A_WRTE, 5, 7, "abc", 3).Encode(), kWrteAbc);
  const std::vector<uint8_t> okay = {0x4f, 0x4b, 0x41, 0x59, 0x01, 0, 0, 0, 0x02, 0,    0,    0,
                                     0,    0,    0,    0,    0,    0, 0, 0, 0xb0, 0xb4, 0xbe, 0xa6};
  EXPECT_EQ(CAdbPacket::Make(A_OKAY, 1, 2).Encode(), okay);
}

TEST(AdbPacketTest, DecodesHeaderWordsAsWritten) {
  CAdbPacket p = CAdbPacket::DecodeHeader(kWrteAbc.data());
  EXPECT_EQ(p.m_nCommand, A_WRTE);
  EXPECT_EQ(p.m_nArg0, 5u);
  EXPECT_EQ(p.m_nArg1, 7u);
  EXPECT_EQ(p.m_nDataLength, 3u);
  EXPECT_EQ(p.m_nDataCheck, 0x126u);
  EXPECT_TRUE(p.MagicOk());
  p.m_Payload.assign(kWrteAbc.begin() + 24, kWrteAbc.end());
  EXPECT_TRUE(p.ChecksumOk());

  std::vector<uint8_t> bad = kWrteAbc;
  bad[20] ^= 0x01;  // magic no longer ~command
  bad[16] = 0x27;   // check word off by one
  CAdbPacket q = CAdbPacket::DecodeHeader(bad.data());
  q.m_Payload.assign(bad.begin() + 24, bad.end());
  EXPECT_FALSE(q.MagicOk());
  EXPECT_FALSE(q.ChecksumOk());
}

TEST(AdbPacketTest, ChecksumIsUnsignedByteSum) {
  const uint8_t high[] = {0xff, 0xff, 0x80};
  EXPECT_EQ(CAdbPacket::Checksum(high, 3), 0x27eu);
  EXPECT_EQ(CAdbPacket::Checksum(nullptr, 0), 0u);
}

}  // namespace
