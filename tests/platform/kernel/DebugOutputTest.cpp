#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DebugOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    wce::SetDebugSink([this](const std::string& line) { lines.push_back(line); });
  }
  void TearDown() override { wce::SetDebugSink(nullptr); }
  std::vector<std::string> lines;
};

TEST_F(DebugOutput, SinkGetsEachFinishedLineWithoutItsEnding) {
  NKDbgPrintfW(u"[@@] usb_close  0X%x \n", 0x10);
  NKDbgPrintfW(u"!!!!!!! thread has created!  0x%x \r\n", 1);
  OutputDebugStringW(u"a\nb\r\n\r\n");
  NKDbgPrintfW(u"[@@@@@@@] Debug message ::  %d  \r\n", 1);
  const std::vector<std::string> want = {
      "[@@] usb_close  0X10 ",           "!!!!!!! thread has created!  0x1 ", "a", "b", "",
      "[@@@@@@@] Debug message ::  1  ",
  };
  EXPECT_EQ(lines, want);
}

TEST_F(DebugOutput, PartialLinesWaitForTheirLineFeed) {
  NKDbgPrintfW(u"####### step %d", 3);
  EXPECT_TRUE(lines.empty());
  OutputDebugStringW(u" done\r");
  EXPECT_TRUE(lines.empty());
  OutputDebugStringW(u"\n\u8fde\u63a5\n");
  const std::vector<std::string> want = {"####### step 3 done", "\xE8\xBF\x9E\xE6\x8E\xA5"};
  EXPECT_EQ(lines, want);
}

TEST_F(DebugOutput, AnUnfinishedLineTooLongToKeepGoesOutWhole) {
  const std::u16string half(1000, u'a');
  OutputDebugStringW(half.c_str());
  EXPECT_TRUE(lines.empty());
  // 1000 + 100 waiting characters are more than a thread keeps: out as one line, nothing lost.
  OutputDebugStringW(std::u16string(100, u'b').c_str());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string(1000, 'a') + std::string(100, 'b'));
  OutputDebugStringW(u"c\r\n");
  EXPECT_EQ(lines.back(), "c");
}

DWORD WriteHalfLine(LPVOID) {
  OutputDebugStringW(u"other ");
  NKDbgPrintfW(u"thread\r\n");
  return 0;
}

TEST_F(DebugOutput, ThreadsDoNotShareAPartialLine) {
  OutputDebugStringW(u"main ");
  HANDLE th = CreateThread(nullptr, 0, WriteHalfLine, nullptr, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(th, 10000), WAIT_OBJECT_0);
  CloseHandle(th);
  OutputDebugStringW(u"line\n");
  const std::vector<std::string> want = {"other thread", "main line"};
  EXPECT_EQ(lines, want);
}

TEST(DebugOutputStderr, WithoutSinkLinesGoToStderrAsUtf8) {
  wce::SetDebugSink(nullptr);
  ::testing::internal::CaptureStderr();
  NKDbgPrintfW(u"[Lumadec] %s %d\r\n", u"\u00e9t\u00e9", 2);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[Lumadec] \xC3\xA9t\xC3\xA9 2\n");
}

}  // namespace
