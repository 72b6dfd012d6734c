#include "phonelink/AdbPacket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace {

std::vector<uint8_t> Header(const AdbPacket& p) {
  std::vector<uint8_t> out(ADB_HEADER_SIZE);
  p.EncodeHeader(out.data());
  return out;
}

TEST(AdbPacket, ConnectHeaderBytes) {
  AdbPacket* p = AdbPacket::Alloc();
  ASSERT_NE(p, nullptr);
  p->command = ADB_CMD_CNXN;
  p->arg0 = 0x01000000;
  p->arg1 = 4096;
  std::memcpy(p->m_Data, "host::", 7);
  p->data_length = 7;
  p->Complete();
  const std::vector<uint8_t> expected = {
      'C',  'N',  'X',  'N',   // command
      0x00, 0x00, 0x00, 0x01,  // version 0x01000000
      0x00, 0x10, 0x00, 0x00,  // max payload 4096
      0x07, 0x00, 0x00, 0x00,  // "host::" and its zero
      0x32, 0x02, 0x00, 0x00,  // 'h'+'o'+'s'+'t'+':'+':' = 0x232
      0xBC, 0xB1, 0xA7, 0xB1,  // ~"CNXN"
  };
  EXPECT_EQ(Header(*p), expected);
  AdbPacket::Release(p);
}

TEST(AdbPacket, CommandCodesAreTheirLetters) {
  struct {
    uint32_t m_nCode;
    const char* m_pszLetters;
  } const cases[] = {{ADB_CMD_CNXN, "CNXN"}, {ADB_CMD_AUTH, "AUTH"}, {ADB_CMD_OPEN, "OPEN"},
                     {ADB_CMD_OKAY, "OKAY"}, {ADB_CMD_WRTE, "WRTE"}, {ADB_CMD_CLSE, "CLSE"}};
  for (const auto& c : cases) {
    AdbPacket p{};
    p.command = c.m_nCode;
    p.Complete();
    std::vector<uint8_t> h = Header(p);
    EXPECT_EQ(0, std::memcmp(h.data(), c.m_pszLetters, 4)) << c.m_pszLetters;
    EXPECT_EQ(0u, p.data_check) << "no payload sums to 0";
    EXPECT_TRUE(p.MagicOk());
  }
}

TEST(AdbPacket, DecodeReadsLittleEndianWords) {
  const uint8_t in[ADB_HEADER_SIZE] = {'W',  'R',  'T', 'E', 0x05, 0, 0, 0, 0x13, 0x27, 0,    0,
                                       0x88, 0x13, 0,   0,   0,    0, 0, 0, 0xA8, 0xAD, 0xAB, 0xBA};
  AdbPacket p{};
  p.DecodeHeader(in);
  EXPECT_EQ(p.command, ADB_CMD_WRTE);
  EXPECT_EQ(p.arg0, 5u);
  EXPECT_EQ(p.arg1, 10003u);
  EXPECT_EQ(p.data_length, 5000u);
  EXPECT_TRUE(p.MagicOk());
  p.magic ^= 1;
  EXPECT_FALSE(p.MagicOk());
}

// More blocks than are pooled, used, given back and taken again: each is whole, distinct from the
// others in use, and zero-filled when taken, wherever it came from.
TEST(AdbPacket, BlocksAreDistinctAndZeroFilledWhetherPooledOrNot) {
  const AdbPacket zero{};
  for (int round = 0; round < 2; ++round) {
    std::vector<AdbPacket*> held;
    for (size_t i = 0; i < AdbPacket::kPooledBlocks + 4; ++i) {
      AdbPacket* p = AdbPacket::Alloc();
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(0, std::memcmp(p, &zero, sizeof(zero))) << "round " << round << " block " << i;
      std::memset(p, 0xA5, sizeof(*p));
      held.push_back(p);
    }
    EXPECT_EQ(std::set<AdbPacket*>(held.begin(), held.end()).size(), held.size());
    for (AdbPacket* p : held) AdbPacket::Release(p);
  }
}

TEST(AdbPacket, CheckWordIsUnsignedByteSum) {
  AdbPacket* p = AdbPacket::Alloc();
  p->command = ADB_CMD_WRTE;
  std::memset(p->m_Data, 0xFF, ADB_MAX_PAYLOAD);
  p->data_length = ADB_MAX_PAYLOAD;
  p->Complete();
  EXPECT_EQ(p->data_check, 4096u * 255u);
  AdbPacket::Release(p);
}

}  // namespace
