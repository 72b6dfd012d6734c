#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/base/WceUiLog.h"

#include <regex>

// Outside the anonymous namespace: the check line names the class as the compiler does.
class CCheckProbe {
 public:
  int Run(const WCHAR* p) {
    WCEUI_CHECK(NULL != p);
    return 7;  // execution goes on after a failed check
  }
};

namespace {

class WceUiLogTest : public WceUiTestRoot {};

struct LineCase {
  int m_nLevel;
  const char16_t* m_pszExpected;
};

TEST_F(WceUiLogTest, LineIsStampLevelWordMessageAndCrLf) {
  SYSTEMTIME st = {};
  st.wYear = 2024;
  st.wMonth = 3;
  st.wDay = 5;
  st.wHour = 7;
  st.wMinute = 8;
  st.wSecond = 9;
  const LineCase cases[] = {
      {1, u"07:08:09 2024-03-05  info: hello\r\n"},  {2, u"07:08:09 2024-03-05  warning: hello\r\n"},
      {3, u"07:08:09 2024-03-05  error: hello\r\n"}, {0, u"07:08:09 2024-03-05  hello\r\n"},
      {4, u"07:08:09 2024-03-05  hello\r\n"},
  };
  for (const LineCase& c : cases) {
    EXPECT_EQ(WceUiFormatLogLine(c.m_nLevel, st, u"hello"), std::u16string(c.m_pszExpected)) << c.m_nLevel;
  }
}

TEST_F(WceUiLogTest, BothVariantsReachTheDebugOutputAsOneStampedLine) {
  WceUiLogW(WCEUI_LOG_ERROR, u"wide %d %s", 5, u"text");
  WceUiLogA(WCEUI_LOG_WARNING, "narrow %d %s", 6, "text");
  WceUiLogA(7, "no word");
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 3u);
  const std::regex stamp("^\\d\\d:\\d\\d:\\d\\d \\d{4}-\\d\\d-\\d\\d  (.*)$");
  const char* rest[] = {"error: wide 5 text", "warning: narrow 6 text", "no word"};
  for (size_t i = 0; i < 3; ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(log[i], m, stamp)) << log[i];
    EXPECT_EQ(m[1].str(), rest[i]);
  }
}

TEST_F(WceUiLogTest, MessageOfMoreThan192CharactersOrNoneIsNotPrinted) {
  const std::string fits(192, 'a');
  const std::string over(193, 'b');
  const std::u16string wideFits(192, u'c');
  const std::u16string wideOver(193, u'd');
  WceUiLogA(1, "%s", fits.c_str());
  WceUiLogA(1, "%s", over.c_str());
  WceUiLogA(1, "%s", "");
  WceUiLogW(1, u"%s", wideFits.c_str());
  WceUiLogW(1, u"%s", wideOver.c_str());
  WceUiLogW(1, u"");
  std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "info: " + fits);
  EXPECT_EQ(messages[1], "info: " + std::string(192, 'c'));
}

TEST_F(WceUiLogTest, NarrowLineIsWidenedByteByByte) {
  // 0xC4 0x80 is valid UTF-8 for U+0100, but the logger widens each byte on its own.
  WceUiLogA(1, "%s", "\xC4\x80");
  std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "info: \xC3\x84\xC2\x80");
}

struct NameCase {
  const char* m_pszSignature;
  const char* m_pszName;
};

TEST_F(WceUiLogTest, FunctionNameIsTakenFromTheSignature) {
  const NameCase cases[] = {
      {"void CWceUiObject::SetClassName(const char16_t*)", "CWceUiObject::SetClassName"},
      {"const char16_t* CQuickString::GetString() const", "CQuickString::GetString"},
      {"int ConvertRectStrToRect(const char16_t*, RECT*)", "ConvertRectStrToRect"},
      {"CWceUiBgItem::CWceUiBgItem(const CWceUiBgItem&)", "CWceUiBgItem::CWceUiBgItem"},
      {"CWceUiObject* WceUiCreateObject(LPCWSTR)", "WceUiCreateObject"},
  };
  for (const NameCase& c : cases)
    EXPECT_EQ(WceUiFunctionName(c.m_pszSignature), c.m_pszName) << c.m_pszSignature;
}

TEST_F(WceUiLogTest, FailedCheckLogsFunctionAndConditionAndGoesOn) {
  CCheckProbe probe;
  EXPECT_EQ(probe.Run(u"x"), 7);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(probe.Run(nullptr), 7);
  std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "error: CCheckProbe::Run,check(NULL != p)fail");
}

}  // namespace
