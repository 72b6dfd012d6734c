#include "services/CIniFile.h"

#include "tests/services/ServicesTestRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char16_t kIni[] = u"\\SDMMC\\CECorvane\\corvane_public.ini";

class CIniFileTest : public ServicesTestRoot {
 protected:
  std::u16string Read(const char16_t* section, const char16_t* key, DWORD size = 260) {
    WCHAR buf[260] = {};
    DWORD n = ReadIniString(section, key, u"<none>", buf, size, kIni);
    EXPECT_EQ(n, std::char_traits<char16_t>::length(buf));
    return buf;
  }
};

TEST_F(CIniFileTest, FirstWriteMakesExactlyHeaderAndKey) {
  ASSERT_EQ(WriteIniString(u"corvane", u"guid", u"abc", kIni), TRUE);
  // "[corvane]" CR LF "guid=abc" CR LF, UTF-16LE without a byte-order mark.
  const std::string expected(
      "[\0c\0o\0r\0v\0a\0n\0e\0]\0\r\0\n\0"
      "g\0u\0i\0d\0=\0a\0b\0c\0\r\0\n\0",
      42);
  EXPECT_EQ(Bytes(kIni), expected);
  EXPECT_EQ(Read(u"corvane", u"guid"), u"abc");
}

TEST_F(CIniFileTest, RewritesInPlaceKeepingEverythingElse) {
  Put(kIni, Utf16Le(u"# top comment\r\n[other]\r\nguid=x\r\n[corvane]\r\n#guid=old\r\nboard=b1\r\nguid=g1\r\n"
                    u"tail=t\r\n[last]\r\nk=v\r\n"));
  ASSERT_TRUE(WriteIniString(u"corvane", u"guid", u"g2", kIni));
  EXPECT_EQ(Bytes(kIni),
            Utf16Le(u"# top comment\r\n[other]\r\nguid=x\r\n[corvane]\r\n#guid=old\r\nboard=b1\r\nguid=g2\r\n"
                    u"tail=t\r\n[last]\r\nk=v\r\n"));
}

TEST_F(CIniFileTest, InsertsAtTheEndOfItsSection) {
  Put(kIni, Utf16Le(u"[corvane]\r\nboard=b1\r\n[last]\r\nk=v\r\n"));
  ASSERT_TRUE(WriteIniString(u"corvane", u"guid", u"g", kIni));
  EXPECT_EQ(Bytes(kIni), Utf16Le(u"[corvane]\r\nboard=b1\r\nguid=g\r\n[last]\r\nk=v\r\n"));
  // A section that runs to the end of the file gets the key appended; a missing one is added.
  ASSERT_TRUE(WriteIniString(u"last", u"k2", u"v2", kIni));
  ASSERT_TRUE(WriteIniString(u"new", u"a", u"1", kIni));
  EXPECT_EQ(Bytes(kIni),
            Utf16Le(u"[corvane]\r\nboard=b1\r\nguid=g\r\n[last]\r\nk=v\r\nk2=v2\r\n[new]\r\na=1\r\n"));
}

TEST_F(CIniFileTest, BareLfBlankLineLosesNothing) {
  Put(kIni, Utf16Le(u"[corvane]\r\nboard=b1\n\ndevice=d1\r\n\r\ncatalog=c1\r\n"));
  EXPECT_EQ(Read(u"corvane", u"catalog"), u"c1");
  ASSERT_TRUE(WriteIniString(u"corvane", u"guid", u"g", kIni));
  EXPECT_EQ(Bytes(kIni), Utf16Le(u"[corvane]\r\nboard=b1\n\ndevice=d1\r\n\r\ncatalog=c1\r\nguid=g\r\n"));
}

TEST_F(CIniFileTest, ReadingRules) {
  Put(kIni, Utf16Le(u"\t[ corvane ]  \r\n"
                    u"guidx=wrong\r\n"
                    u"#guid=commented\r\n"
                    u",board=commented\r\n"
                    u"  guid  =  spaced value  \r\n"
                    u"board\r\n"
                    u"board=b\r\n"
                    u"[Other]\r\nkey=upper\r\n"
                    u"[other]\r\nkey=lower\r\n"
                    u"[corvaneplus]\r\nextra=1\r\n"
                    u"[tail]\r\nlast=no-lf"));
  EXPECT_EQ(Read(u"corvane", u"guid"), u"spaced value");
  EXPECT_EQ(Read(u"corvane", u"board"), u"b");       // a bare name is no key line
  EXPECT_EQ(Read(u"corvane", u"gui"), u"<none>");    // "key must be followed by ="
  EXPECT_EQ(Read(u"other", u"key"), u"lower");       // sections are case-sensitive
  EXPECT_EQ(Read(u"corvane", u"extra"), u"<none>");  // the section ends at the next header
  EXPECT_EQ(Read(u"corvane", u"extra"), u"<none>");
  EXPECT_EQ(Read(u"corvaneplus", u"extra"), u"1");
  EXPECT_EQ(Read(u"tail", u"last"), u"no-lf");
  EXPECT_EQ(Read(u"", u"guid"), u"<none>");
  EXPECT_EQ(Read(u"corvane", u""), u"<none>");
  EXPECT_EQ(Read(u"corvane", u"guid", 4), u"spa");
  EXPECT_EQ(Read(u"corvane", u"guid", 1), u"");
  WCHAR one = u'x';
  EXPECT_EQ(ReadIniString(u"corvane", u"guid", u"", &one, 0, kIni), 0u);
  EXPECT_EQ(one, u'x');
}

TEST_F(CIniFileTest, PrefixOfASectionNameOpensIt) {
  Put(kIni, Utf16Le(u"[corvanefoo]\r\nguid=g\r\n"));
  EXPECT_EQ(Read(u"corvane", u"guid"), u"g");
}

TEST_F(CIniFileTest, MissingFile) {
  EXPECT_EQ(Read(u"corvane", u"guid"), u"<none>");
  EXPECT_FALSE(WriteIniString(u"corvane", u"guid", u"g", u"\\no\\such\\dir\\x.ini"));
}

TEST_F(CIniFileTest, NullValueRemovesKeyAndNullKeyRemovesSection) {
  Put(kIni, Utf16Le(u"[a]\r\nk=1\r\nj=2\r\n[b]\r\nk=3\r\n"));
  ASSERT_TRUE(WriteIniString(u"a", u"k", nullptr, kIni));
  EXPECT_EQ(Bytes(kIni), Utf16Le(u"[a]\r\nj=2\r\n[b]\r\nk=3\r\n"));
  ASSERT_TRUE(WriteIniString(u"a", nullptr, nullptr, kIni));
  EXPECT_EQ(Bytes(kIni), Utf16Le(u"[b]\r\nk=3\r\n"));
}

TEST_F(CIniFileTest, ReadLineReportsEveryLine) {
  // A line longer than one 256-byte piece, an empty line, and a last line without LF.
  std::u16string longLine(300, u'x');
  Put(kIni, Utf16Le(longLine + u"\r\n\nend"));
  CIniFile file;
  ASSERT_TRUE(file.Open(kIni, CFile::modeRead | CFile::typeBinary));
  CString line;
  ASSERT_TRUE(file.ReadLine(line));
  EXPECT_EQ(line.Str(), longLine + u"\r");
  ASSERT_TRUE(file.ReadLine(line));
  EXPECT_EQ(line.Str(), u"");
  ASSERT_TRUE(file.ReadLine(line));
  EXPECT_EQ(line.Str(), u"end");
  EXPECT_FALSE(file.ReadLine(line));
}

}  // namespace
