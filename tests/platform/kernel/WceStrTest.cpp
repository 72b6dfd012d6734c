#include "platform/kernel/wcestr.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

struct FormatCase {
  const char* what;
  std::string got;  // UTF-8 of the formatted text
  std::string want;
};

template <class... Args>
std::string Fmt(const WCHAR* fmt, Args... args) {
  WCHAR buf[256];
  swprintf(buf, 256, fmt, args...);
  return WceWideToUtf8(buf);
}

TEST(WceStr, SwprintfConversions) {
  const std::vector<FormatCase> cases = {
      {"plain", Fmt(u"abc"), "abc"},
      {"int", Fmt(u"%d", 42), "42"},
      {"negative", Fmt(u"%i", -7), "-7"},
      {"int min", Fmt(u"%d", INT_MIN), "-2147483648"},
      {"width", Fmt(u"[%5d]", 42), "[   42]"},
      {"left", Fmt(u"[%-5d]", 42), "[42   ]"},
      {"zero pad keeps sign first", Fmt(u"%05d", -42), "-0042"},
      {"plus", Fmt(u"%+d", 5), "+5"},
      {"space", Fmt(u"% d", 5), " 5"},
      {"precision", Fmt(u"%.3d", 7), "007"},
      {"precision 0 of 0", Fmt(u"[%.0d]", 0), "[]"},
      {"unsigned", Fmt(u"%u", 0xFFFFFFFFu), "4294967295"},
      {"hex", Fmt(u"%x", 0xBEEFu), "beef"},
      {"HEX zero pad", Fmt(u"0X%08X", 0x1A2Bu), "0X00001A2B"},
      {"alt hex", Fmt(u"%#x", 255u), "0xff"},
      {"octal", Fmt(u"%o", 8u), "10"},
      {"short", Fmt(u"%hd", 65537), "1"},
      {"long is 32-bit", Fmt(u"%ld %lu", static_cast<LONG>(-5), static_cast<DWORD>(4000000000u)),
       "-5 4000000000"},
      {"I64", Fmt(u"%I64d", static_cast<LONGLONG>(-1234567890123LL)), "-1234567890123"},
      {"I64u", Fmt(u"%I64u", static_cast<ULONGLONG>(18446744073709551615ULL)), "18446744073709551615"},
      {"ll hex", Fmt(u"%llx", 0x123456789ABCULL), "123456789abc"},
      {"char", Fmt(u"%c%c", u'O', u'K'), "OK"},
      {"wide string", Fmt(u"%s", u"wide"), "wide"},
      {"ls wide", Fmt(u"%ls", u"w"), "w"},
      {"S narrow", Fmt(u"%S", "narrow"), "narrow"},
      {"hs narrow", Fmt(u"%hs", "shell:"), "shell:"},
      {"string width", Fmt(u"[%6s][%-6s]", u"ab", u"cd"), "[    ab][cd    ]"},
      {"string precision", Fmt(u"%.2s", u"abcdef"), "ab"},
      {"star width and precision", Fmt(u"[%*d][%.*s]", 4, 7, 3, u"abcdef"), "[   7][abc]"},
      {"null string", Fmt(u"%s", static_cast<const WCHAR*>(nullptr)), "(null)"},
      {"percent", Fmt(u"100%%"), "100%"},
      // As wide as a pointer: 8 digits on the head unit.
      {"pointer", Fmt(u"%p", reinterpret_cast<void*>(0x1234)),
       std::string(2 * sizeof(void*) - 4, '0') + "1234"},
      {"narrow UTF-8", Fmt(u"%S", "\xC3\xA9"), "\xC3\xA9"},
      // Bytes that are not UTF-8 (GBK here) keep their values as code units.
      {"narrow stray bytes", Fmt(u"%S", "\xB0\xA1"), "\xC2\xB0\xC2\xA1"},
      {"wide non-ASCII", Fmt(u"%s", u"\u8fde\u63a5"), "\xE8\xBF\x9E\xE6\x8E\xA5"},
      {"float", Fmt(u"%.2f", 3.14159), "3.14"},
      {"log line", Fmt(u"[@@] Channel Disconnect but write data index=%d lid=%d  rid=%d \n", 1, 2, -1),
       "[@@] Channel Disconnect but write data index=1 lid=2  rid=-1 \n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(WceStr, SwprintfTruncatesAndTerminates) {
  WCHAR buf[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(swprintf(buf, 4, u"%s", u"abcdef"), 3);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(swprintf(buf, 0, u"%d", 1), -1);
  WCHAR big[1024];
  EXPECT_EQ(wsprintfW(big, u"%d-%s", 12, u"ab"), 5);
  EXPECT_EQ(std::u16string(big), u"12-ab");
}

TEST(WceStr, CompareCopySearch) {
  EXPECT_EQ(wcslen(u"ADB1:"), 5u);
  EXPECT_LT(wcscmp(u"abc", u"abd"), 0);
  EXPECT_GT(wcscmp(u"abc", u"ab"), 0);
  EXPECT_EQ(wcsncmp(u"abcX", u"abcY", 3), 0);
  EXPECT_EQ(_wcsicmp(u"ADB1:", u"adb1:"), 0);
  EXPECT_NE(_wcsicmp(u"\u00C9", u"\u00E9"), 0);  // only ASCII folds
  EXPECT_EQ(_wcsnicmp(u"HIDEx", u"hidey", 4), 0);
  WCHAR lower[] = u"Res\\WND/Main.XML\u00C9";
  EXPECT_EQ(_wcslwr(lower), lower);
  EXPECT_EQ(std::u16string(lower), u"res\\wnd/main.xml\u00C9");  // the same folding as _wcsicmp

  WCHAR buf[16];
  wcsncpy(buf, u"ab", 5);
  EXPECT_EQ(buf[2], 0);
  EXPECT_EQ(buf[4], 0);
  wcscpy(buf, u"\\Windows");
  wcscat(buf, u"\\x.dll");
  EXPECT_EQ(std::u16string(buf), u"\\Windows\\x.dll");
  WCHAR* slash = wcsrchr(buf, u'\\');
  ASSERT_NE(slash, nullptr);
  *slash = 0;  // cut at the last separator, through the non-const result
  EXPECT_EQ(std::u16string(buf), u"\\Windows");
  EXPECT_EQ(wcschr(u"abc", u'z'), nullptr);
  const WCHAR* hay = u"shell:am start";
  EXPECT_EQ(wcsstr(hay, u"am"), hay + 6);
  EXPECT_EQ(wcsstr(hay, u"xyz"), nullptr);
}

TEST(WceStr, NumberParsing) {
  struct Case {
    const WCHAR* text;
    int base;
    long want;
    size_t consumed;
  };
  const Case cases[] = {
      {u"  -0x1F", 0, -31, 7},
      {u"077", 0, 63, 3},
      {u"12abc", 10, 12, 2},
      {u"ff", 16, 255, 2},
      {u"99999999999", 10, INT32_MAX, 11},
      {u"-99999999999", 10, INT32_MIN, 12},
      {u"x", 10, 0, 0},
  };
  for (const auto& c : cases) {
    WCHAR* end = nullptr;
    EXPECT_EQ(wcstol(c.text, &end, c.base), c.want) << WceWideToUtf8(c.text);
    EXPECT_EQ(static_cast<size_t>(end - c.text), c.consumed) << WceWideToUtf8(c.text);
  }
  EXPECT_EQ(wcstoul(u"4294967295", nullptr, 10), 4294967295ul);
  EXPECT_EQ(wcstoul(u"4294967296", nullptr, 10), 4294967295ul);
  EXPECT_EQ(_wtoi(u"20322100"), 20322100);
}

TEST(WceStr, Utf8Conversions) {
  EXPECT_EQ(WceUtf8ToWide("a\xC3\xA9\xF0\x9F\x98\x80"), u"a\u00E9\U0001F600");
  EXPECT_EQ(WceUtf8ToWide("\xFF"
                          "a\xC3"),
            u"\uFFFDa\uFFFD");
  EXPECT_EQ(WceWideToUtf8(u"a\u00E9\U0001F600"), "a\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(WceWideToUtf8(std::u16string(1, static_cast<char16_t>(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(WceWideToUtf8(static_cast<const WCHAR*>(nullptr)), "");
}

}  // namespace
