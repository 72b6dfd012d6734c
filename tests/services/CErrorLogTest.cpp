#include "services/CErrorLog.h"

#include "tests/services/ServicesTestRoot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

const char16_t kErrorLog[] = u"\\SDMMC\\CECorvane\\Error.log";
const char16_t kConnectLog[] = u"\\SDMMC\\CECorvane\\Connect.log";

class CErrorLogTest : public ServicesTestRoot {
 protected:
  void TearDown() override {
    CErrorLog::DestroyInstance();
    ServicesTestRoot::TearDown();
  }
};

TEST_F(CErrorLogTest, FixedLinesAreGbkOnDiskAndUtf8ForThePhone) {
  CErrorLog* log = CErrorLog::GetInstance();
  log->AddLine(CErrorLog::kLineAuthFailed);
  log->AddLine(CErrorLog::kLineForwardFailed);
  ASSERT_EQ(log->GetLineCount(), 2);

  std::string utf8;
  ASSERT_TRUE(log->LineToUtf8(log->GetFirstLine(), utf8));
  // 授权失败 and the blank, without CR LF.
  EXPECT_EQ(utf8, "\xE6\x8E\x88\xE6\x9D\x83\xE5\xA4\xB1\xE8\xB4\xA5 ");
  ASSERT_TRUE(log->LineToUtf8(log->GetNextLine(), utf8));
  EXPECT_EQ(utf8, "ADB Forward \xE5\xA4\xB1\xE8\xB4\xA5 ");
  EXPECT_FALSE(log->IsAtEnd());
  EXPECT_EQ(log->GetNextLine(), "");
  EXPECT_TRUE(log->IsAtEnd());

  ASSERT_TRUE(log->Save());
  EXPECT_EQ(Bytes(kErrorLog), "\xCA\xDA\xC8\xA8\xCA\xA7\xB0\xDC \r\nADB Forward \xCA\xA7\xB0\xDC \r\n");
  EXPECT_EQ(log->GetLineCount(), 0);  // the list and its count go together
}

TEST_F(CErrorLogTest, EveryFixedLineIsGbkEndingInBlankCrLf) {
  struct Case {
    const char* m_pszLine;
    const char* m_pszUtf8;
  };
  const Case cases[] = {
      {CErrorLog::kLineUsbLost,
       "\xE8\xBF\x9E\xE6\x8E\xA5\xE4\xB8\xAD\xE6\x89\x8B\xE5\x8A\xA8\xE6\x96\xAD\xE5\xBC\x80 "},
      {CErrorLog::kLineVtscFailed, "VTSC \xE5\x90\xAF\xE5\x8A\xA8\xE5\xA4\xB1\xE8\xB4\xA5 "},
      {CErrorLog::kLineForwardFailed, "ADB Forward \xE5\xA4\xB1\xE8\xB4\xA5 "},
      {CErrorLog::kLineAppNotInstalled,
       "\xE6\x89\x8B\xE6\x9C\xBA\xE7\xAB\xAF\xE6\x9C\xAA\xE5\xAE\x89\xE8\xA3\x85\xE7\xA8\x8B\xE5\xBA\x8F "},
      {CErrorLog::kLineAuthFailed, "\xE6\x8E\x88\xE6\x9D\x83\xE5\xA4\xB1\xE8\xB4\xA5 "},
      {CErrorLog::kLineNoVideo, "\xE6\x97\xA0\xE8\xA7\x86\xE9\xA2\x91\xE6\x95\xB0\xE6\x8D\xAE "},
  };
  for (const Case& c : cases) {
    std::string utf8;
    ASSERT_TRUE(CErrorLog::GetInstance()->LineToUtf8(c.m_pszLine, utf8));
    EXPECT_EQ(utf8, c.m_pszUtf8);
    EXPECT_EQ(std::string(c.m_pszLine).substr(std::string(c.m_pszLine).size() - 3), " \r\n");
  }
}

TEST_F(CErrorLogTest, LoadKeepsEachLineWithItsOwnEnd) {
  CErrorLog* log = CErrorLog::GetInstance();
  EXPECT_TRUE(log->Load());  // no file: created empty
  EXPECT_TRUE(Exists(kErrorLog));
  EXPECT_EQ(log->GetLineCount(), 0);

  Put(kErrorLog, "one \r\ntwo\nthree");
  ASSERT_TRUE(log->Load());
  ASSERT_EQ(log->GetLineCount(), 3);
  EXPECT_EQ(log->GetFirstLine(), "one \r\n");
  EXPECT_EQ(log->GetNextLine(), "two\n");
  EXPECT_EQ(log->GetNextLine(), "three");
  log->AddLine("four \r\n");
  ASSERT_TRUE(log->Save());
  EXPECT_EQ(Bytes(kErrorLog), "one \r\ntwo\nthreefour \r\n");

  // A line longer than 259 bytes comes in pieces.
  Put(kErrorLog, std::string(300, 'x') + "\r\n");
  ASSERT_TRUE(log->Load());
  EXPECT_EQ(log->GetLineCount(), 2);
  EXPECT_EQ(log->GetFirstLine(), std::string(259, 'x'));
}

TEST_F(CErrorLogTest, LongLineIsCutAtACharacterBoundary) {
  // 129 GBK characters (258 bytes) become 387 UTF-8 bytes; 86 whole characters fit in 259.
  std::string gbk;
  for (int i = 0; i < 129; ++i) gbk += "\xCA\xDA";
  std::string utf8;
  ASSERT_TRUE(CErrorLog::GetInstance()->LineToUtf8(gbk, utf8));
  std::string expected;
  for (int i = 0; i < 86; ++i) expected += "\xE6\x8E\x88";
  EXPECT_EQ(utf8, expected);
}

TEST_F(CErrorLogTest, ConnectCounter) {
  CErrorLog* log = CErrorLog::GetInstance();
  EXPECT_EQ(log->ReadConnectCount(), 0);  // no file
  ASSERT_TRUE(log->WriteConnectCount(12));
  EXPECT_EQ(Bytes(kConnectLog), std::string("12\0", 3));
  EXPECT_EQ(log->ReadConnectCount(), 12);
  ASSERT_TRUE(log->WriteConnectCount(-7));
  EXPECT_EQ(log->ReadConnectCount(), -7);

  struct Case {
    std::string m_strBytes;
    int m_nCount;
  };
  const Case cases[] = {{"abc", 0},
                        {"  42xyz", 42},
                        {std::string("\0\x01\xFF", 3), 0},
                        {"", 0},
                        {std::string(400, '9'), 2147483647}};
  for (const Case& c : cases) {
    Put(kConnectLog, c.m_strBytes);
    EXPECT_EQ(log->ReadConnectCount(), c.m_nCount);
  }
}

TEST_F(CErrorLogTest, SequencerAddsWhileTheUiWalksAndClears) {
  CErrorLog* log = CErrorLog::GetInstance();
  std::atomic<bool> stop{false};
  std::thread adder([&] {
    for (int i = 0; i < 20000 && !stop; ++i) log->AddLine(CErrorLog::kLineAuthFailed);
  });
  for (int round = 0; round < 2000; ++round) {
    int count = log->GetLineCount();
    if (count < 1) continue;
    std::string line = log->GetFirstLine();
    for (int taken = 1; !log->IsAtEnd() && taken < count; ++taken) line = log->GetNextLine();
    log->Clear();
  }
  stop = true;
  adder.join();
  log->Clear();
  EXPECT_EQ(log->GetLineCount(), 0);
}

}  // namespace
