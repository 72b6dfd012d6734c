#include "CircleBuff.h"

#include <kernel/kernel.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CircleBuffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(buf.Init(16, 3), 1);
    wce::SetDebugSink([this](const std::string& line) { log.push_back(line); });
  }
  void TearDown() override {
    wce::SetDebugSink(nullptr);
    buf.Free();
  }
  std::string ReadAll(uint32_t n) {
    std::string out(n, '\0');
    uint32_t got = 0;
    EXPECT_EQ(buf.Read(&out[0], n, &got), 1);
    EXPECT_EQ(got, n);
    return out;
  }
  CircleBuff buf;
  std::vector<std::string> log;
};

TEST_F(CircleBuffTest, WriteThatDoesNotFitIsDroppedWhole) {
  ASSERT_EQ(buf.Write("abcdefghij", 10), 1);
  EXPECT_EQ(buf.Write("1234567", 7), 0) << "6 bytes free, 7 wanted";
  EXPECT_EQ(buf.GetFloodCount(), 1);
  EXPECT_EQ(buf.GetUsedSize(), 10u);
  EXPECT_EQ(ReadAll(10), "abcdefghij");
}

TEST_F(CircleBuffTest, ExactFillIsFullNotEmpty) {
  ASSERT_EQ(buf.Write("0123456789abcdef", 16), 1);
  EXPECT_EQ(buf.GetUsedSize(), 16u);
  EXPECT_EQ(buf.Write("x", 1), 0);
  EXPECT_EQ(ReadAll(16), "0123456789abcdef");
  EXPECT_EQ(buf.GetUsedSize(), 0u);
}

TEST_F(CircleBuffTest, ShortOfDataDeliversNothing) {
  ASSERT_EQ(buf.Write("123456789", 9), 1);
  char out[10] = {};
  uint32_t got = 99;
  EXPECT_EQ(buf.Read(out, 10, &got), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(buf.GetUsedSize(), 9u);
  EXPECT_EQ(ReadAll(9), "123456789");
}

TEST_F(CircleBuffTest, WrapsAroundTheEndInOrder) {
  ASSERT_EQ(buf.Write("0123456789AB", 12), 1);
  EXPECT_EQ(ReadAll(10), "0123456789");
  ASSERT_EQ(buf.Write("CDEFGHIJ", 8), 1) << "crosses the end of the storage";
  EXPECT_EQ(buf.GetUsedSize(), 10u);
  EXPECT_EQ(ReadAll(10), "ABCDEFGHIJ");
}

TEST_F(CircleBuffTest, FloodLineForTheFirstAndEveryHundredthDrop) {
  ASSERT_EQ(buf.Write("0123456789abcdef", 16), 1);
  for (int i = 0; i < 201; ++i) buf.Write("z", 1);
  EXPECT_EQ(buf.GetFloodCount(), 201);
  std::vector<std::string> flood;
  for (const auto& l : log) {
    if (l.find("CircleBuff Data flooded") != std::string::npos) flood.push_back(l);
  }
  ASSERT_EQ(flood.size(), 3u);
  EXPECT_EQ(flood[0], "CircleBuff Data flooded  Channel=3  nSzFree=0X0  ToWrite=0X1  count=0 ");
  EXPECT_NE(flood[2].find("count=200"), std::string::npos);
  buf.Reset();
  EXPECT_EQ(buf.GetFloodCount(), 0);
  EXPECT_EQ(buf.GetUsedSize(), 0u);
}

TEST_F(CircleBuffTest, DataEventOnAcceptedAndDroppedWrites) {
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  buf.SetDataEvent(ev);
  ASSERT_EQ(buf.Write("0123456789abcdef", 16), 1);
  EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_OBJECT_0);
  EXPECT_EQ(buf.Write("x", 1), 0);
  EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_OBJECT_0) << "a drop wakes the consumer to drain";
  CloseHandle(ev);
}

}  // namespace
