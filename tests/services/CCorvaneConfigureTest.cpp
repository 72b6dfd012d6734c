#include "services/CCorvaneConfigure.h"

#include "services/CorvaneConfig.h"
#include "tests/services/ServicesTestRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char16_t kPath[] = u"\\SDMMC\\CECorvane\\CorvaneConfigure.xml";

class CCorvaneConfigureTest : public ServicesTestRoot {
 protected:
  static std::string ChannelId() {
    return std::string(g_CorvaneConfig.m_szChannelId, sizeof(g_CorvaneConfig.m_szChannelId));
  }
  static std::string FixedChannelId() { return std::string("20322100") + std::string(56, '\0'); }

  void ExpectDefaults() {
    const CorvaneConfig& c = g_CorvaneConfig;
    EXPECT_EQ(c.m_WindowParam.m_strWndClass.Str(), u"WceUiWnd");
    EXPECT_EQ(c.m_WindowParam.m_strWndTitle.Str(), u"WND_CORVANE");
    EXPECT_EQ(c.m_WindowParam.m_strMutex.Str(), u"CUI_MAIN_VT_CORVANE_MUTEX");
    EXPECT_EQ(c.m_strVersion.Str(), u"2.0.0.1");
    EXPECT_EQ(c.m_bNotifyMsg, 0);
    EXPECT_EQ(c.m_nCustomer, 0);
    EXPECT_EQ(c.m_WindowParam.m_bTopmost, 0);
    EXPECT_EQ(c.m_WindowParam.m_nExitTime, 0);
    EXPECT_EQ(c.m_nTopOffset, 0);
    EXPECT_EQ(ChannelId(), FixedChannelId());
  }
};

// Every section and attribute, with a title that is not ASCII so the encoding matters.
const char16_t kFullConfig[] =
    u"<Config>\r\n"
    u"  <window_param topmost=\"1\" exit_time=\"30\" top_offset=\"5\" wnd_class=\"MyClass\" "
    u"wnd_title=\"\u6807\u9898\" mutex='MyMutex'/>\r\n"
    u"  <VOLUME_LEV MAX_VOL_LEV=\"3\" VOL_LEV0=\"a\" VOL_LEV2=\"1f\"/>\r\n"
    u"  <customer channel=\"99999999\" notifymsg=\"ff\" cus_name=\"R1\"/>\r\n"
    u"  <version corvane_version=\"3.1.4.1\"/>\r\n"
    u"</Config>\r\n";

std::string Utf8(const std::u16string& s) {
  return WceWideToUtf8(s);
}

TEST_F(CCorvaneConfigureTest, NoFileKeepsEveryDefaultAndLogsOnce) {
  std::memset(g_CorvaneConfig.m_szChannelId, 0, sizeof(g_CorvaneConfig.m_szChannelId));
  std::strcpy(g_CorvaneConfig.m_szChannelId, "00000000");
  LoadCorvaneConfig();
  ExpectDefaults();
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "!!!!!!! File Not Exist (\\SDMMC\\CECorvane\\CorvaneConfigure.xml) ");
}

TEST_F(CCorvaneConfigureTest, EveryEncodingGivesTheSameRecord) {
  const std::u16string body(kFullConfig);
  std::string gbkBody = Utf8(body);
  gbkBody.replace(gbkBody.find("\xE6\xA0\x87\xE9\xA2\x98"), 6, "\xB1\xEA\xCC\xE2");
  struct Case {
    const char* m_pszName;
    std::string m_strBytes;
  };
  const Case cases[] = {
      {"utf16le bom", "\xFF\xFE" + Utf16Le(body)},
      {"utf8 declared", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n" + Utf8(body)},
      {"utf8 bare", Utf8(body)},
      {"utf8 bom", "\xEF\xBB\xBF" + Utf8(body)},
      {"gbk declared", "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n" + gbkBody},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    ResetCorvaneConfig();
    Put(kPath, c.m_strBytes);
    LoadCorvaneConfig();
    const CorvaneConfig& r = g_CorvaneConfig;
    EXPECT_EQ(r.m_WindowParam.m_bTopmost, 1);
    EXPECT_EQ(r.m_WindowParam.m_nExitTime, 30);
    EXPECT_EQ(r.m_nTopOffset, 5);
    EXPECT_EQ(r.m_WindowParam.m_strWndClass.Str(), u"MyClass");
    EXPECT_EQ(r.m_WindowParam.m_strWndTitle.Str(), u"\u6807\u9898");
    EXPECT_EQ(r.m_WindowParam.m_strMutex.Str(), u"MyMutex");
    EXPECT_EQ(r.m_bNotifyMsg, 1);
    EXPECT_EQ(r.m_nCustomer, 1);
    EXPECT_EQ(r.m_strVersion.Str(), u"3.1.4.1");
    EXPECT_EQ(ChannelId(), FixedChannelId());  // the file's channel has no effect
  }
  EXPECT_TRUE(Log().empty());
}

TEST_F(CCorvaneConfigureTest, VolumeLevelsRepeatTheEntryBefore) {
  Put(kPath, Utf8(kFullConfig));
  CCorvaneConfigure reader;
  reader.Load(kPath);
  ASSERT_EQ(reader.GetVolLevCount(), 3);
  EXPECT_EQ(reader.GetVolLevel(0), 10u);
  EXPECT_EQ(reader.GetVolLevel(1), 10u);
  EXPECT_EQ(reader.GetVolLevel(2), 31u);
}

TEST_F(CCorvaneConfigureTest, FilesThatGiveNothing) {
  const char* files[] = {
      // Wrong root: case matters.
      "<config><window_param wnd_class=\"X\" topmost=\"1\"/><customer notifymsg=\"1\" cus_name=\"r1\"/>"
      "<version corvane_version=\"9\"/></config>",
      // Values as child text instead of attributes.
      "<Config><window_param><wnd_class>X</wnd_class><topmost>1</topmost></window_param>"
      "<customer><notifymsg>1</notifymsg><cus_name>r1</cus_name></customer>"
      "<version><corvane_version>9</corvane_version></version></Config>",
      // Empty values leave the defaults.
      "<Config><window_param wnd_class=\"\" wnd_title=\"\" mutex=\"\" topmost=\"\"/>"
      "<customer notifymsg=\"\" cus_name=\"\"/><version corvane_version=\"\"/></Config>",
  };
  for (const char* f : files) {
    SCOPED_TRACE(f);
    ResetCorvaneConfig();
    Put(kPath, f);
    LoadCorvaneConfig();
    ExpectDefaults();
  }
}

TEST_F(CCorvaneConfigureTest, CustomerValues) {
  struct Case {
    const char* m_pszAttributes;
    BYTE m_byNotify;
    int m_nCustomer;
  };
  const Case cases[] = {
      {"notifymsg=\"1\"", 1, 0},  {"notifymsg=\"ff\"", 1, 0}, {"notifymsg=\"0\"", 0, 0},
      {"notifymsg=\"zz\"", 0, 0}, {"cus_name=\"R1\"", 0, 1},  {"cus_name=\"r2\"", 0, 2},
      {"cus_name=\"r3\"", 0, 0},  {"cus_name=\"r1x\"", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszAttributes);
    ResetCorvaneConfig();
    Put(kPath, std::string("<Config><customer ") + c.m_pszAttributes + "/></Config>");
    LoadCorvaneConfig();
    EXPECT_EQ(g_CorvaneConfig.m_bNotifyMsg, c.m_byNotify);
    EXPECT_EQ(g_CorvaneConfig.m_nCustomer, c.m_nCustomer);
  }
}

TEST_F(CCorvaneConfigureTest, NumbersThatDoNotParseRepeatTheSectionsLastNumber) {
  Put(kPath, "<Config><window_param topmost=\"0\" exit_time=\"x\" top_offset=\"7\"/></Config>");
  LoadCorvaneConfig();
  EXPECT_EQ(g_CorvaneConfig.m_WindowParam.m_bTopmost, 0);
  EXPECT_EQ(g_CorvaneConfig.m_WindowParam.m_nExitTime, 0);
  EXPECT_EQ(g_CorvaneConfig.m_nTopOffset, 7);

  ResetCorvaneConfig();
  Put(kPath, "<Config><window_param topmost=\"12\" exit_time=\"?\"/></Config>");
  LoadCorvaneConfig();
  EXPECT_EQ(g_CorvaneConfig.m_WindowParam.m_bTopmost, 1);
  EXPECT_EQ(g_CorvaneConfig.m_WindowParam.m_nExitTime, 12);
}

TEST_F(CCorvaneConfigureTest, LongChannelIsCutToTheCallersBuffer) {
  Put(kPath, "<Config><customer channel=\"" + std::string(80, '7') + "\"/></Config>");
  CCorvaneConfigure reader;
  reader.Load(kPath);
  WCHAR channel[65];
  std::fill(std::begin(channel), std::end(channel), u'#');
  BYTE notify = 0;
  EXPECT_EQ(reader.GetCustomer(channel, &notify), 1);
  EXPECT_EQ(std::u16string(channel), std::u16string(63, u'7'));
  EXPECT_EQ(channel[64], u'#');
}

TEST_F(CCorvaneConfigureTest, MalformedFileStillGivesWhatWasIndexed) {
  Put(kPath, "<Config><version corvane_version=\"5.0\"/><window_param wnd_title=\"T\"></Config><x/>");
  LoadCorvaneConfig();
  EXPECT_EQ(g_CorvaneConfig.m_strVersion.Str(), u"5.0");
  EXPECT_EQ(g_CorvaneConfig.m_WindowParam.m_strWndTitle.Str(), u"T");
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("!!!!!!! File Not Exist (", 0), 0u);
}

}  // namespace
