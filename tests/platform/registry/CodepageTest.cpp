#include "platform/kernel/codepage.h"

#include "platform/kernel/kernel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "授权失败" in code page 936 and in UTF-8, from the code tables.
const std::string kGbk = "\xCA\xDA\xC8\xA8\xCA\xA7\xB0\xDC";
const std::string kUtf8 = "\xE6\x8E\x88\xE6\x9D\x83\xE5\xA4\xB1\xE8\xB4\xA5";
const std::u16string kWide = u"授权失败";

std::u16string ToWide(UINT cp, const std::string& mb) {
  const int n = MultiByteToWideChar(cp, 0, mb.data(), static_cast<int>(mb.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0) {
    EXPECT_EQ(MultiByteToWideChar(cp, 0, mb.data(), static_cast<int>(mb.size()), out.data(), n), n);
  }
  return out;
}

std::string ToMulti(UINT cp, const std::u16string& w, BOOL* usedDefault = nullptr,
                    LPCSTR defaultChar = nullptr) {
  const int n =
      WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, defaultChar, usedDefault);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    EXPECT_EQ(WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), out.data(), n, defaultChar,
                                  usedDefault),
              n);
  }
  return out;
}

TEST(CodepageTest, ActiveCodePageIsGbk) {
  EXPECT_EQ(GetACP(), 936u);
  for (UINT cp : {UINT(CP_ACP), UINT(CP_OEMCP), UINT(CP_GBK)}) {
    SCOPED_TRACE(cp);
    EXPECT_EQ(ToWide(cp, kGbk), kWide);
    EXPECT_EQ(ToMulti(cp, kWide), kGbk);
  }
}

TEST(CodepageTest, ErrorLineRoundTripsThroughGbkAndUtf8) {
  // An error-log line as stored (GBK) and as sent to the phone (UTF-8).
  const std::string gbkLine = kGbk + " \r\n";
  const std::u16string wide = ToWide(CP_ACP, gbkLine);
  EXPECT_EQ(wide, kWide + u" \r\n");
  EXPECT_EQ(ToMulti(CP_UTF8, wide), kUtf8 + " \r\n");
  EXPECT_EQ(ToWide(CP_UTF8, kUtf8), kWide);
  EXPECT_EQ(ToMulti(CP_ACP, ToWide(CP_UTF8, kUtf8 + " \r\n")), gbkLine);

  // Beyond the BMP: one code point, two UTF-16 units, four UTF-8 bytes.
  EXPECT_EQ(ToWide(CP_UTF8, "\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
  EXPECT_EQ(ToMulti(CP_UTF8, u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}

TEST(CodepageTest, SizeSemantics) {
  WCHAR wide[16];
  char mb[16];
  struct Case {
    const char* what;
    int cbIn;    // -1: NUL-terminated
    int cchOut;  // 0: size query
    int result;
    DWORD error;  // when result is 0
  };
  const Case toWide[] = {
      {"counted, query", 8, 0, 4, 0},
      {"terminated, query", -1, 0, 5, 0},
      {"counted, exact room", 8, 4, 4, 0},
      {"terminated, exact room", -1, 5, 5, 0},
      {"terminated, room without the NUL", -1, 4, 0, ERROR_INSUFFICIENT_BUFFER},
      {"counted, short", 8, 3, 0, ERROR_INSUFFICIENT_BUFFER},
      {"half a character", 7, 0, 0, ERROR_NO_UNICODE_TRANSLATION},
      {"empty input", 0, 0, 0, ERROR_INVALID_PARAMETER},
      {"negative room", 8, -1, 0, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : toWide) {
    SCOPED_TRACE(c.what);
    SetLastError(0);
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kGbk.c_str(), c.cbIn, c.cchOut ? wide : nullptr, c.cchOut),
              c.result);
    if (c.result == 0) {
      EXPECT_EQ(GetLastError(), c.error);
    }
    if (c.result > 0 && c.cchOut > 0) {
      EXPECT_EQ(std::u16string(wide, 4), kWide);
      EXPECT_EQ(wide[4], c.cbIn == -1 ? u'\0' : u'#');
    }
  }
  const Case toMulti[] = {
      {"counted, query", 4, 0, 8, 0},
      {"terminated, query", -1, 0, 9, 0},
      {"terminated, exact room", -1, 9, 9, 0},
      {"terminated, room without the NUL", -1, 8, 0, ERROR_INSUFFICIENT_BUFFER},
      {"counted, half the room", 4, 4, 0, ERROR_INSUFFICIENT_BUFFER},
      {"empty input", 0, 0, 0, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : toMulti) {
    SCOPED_TRACE(c.what);
    SetLastError(0);
    std::fill(std::begin(mb), std::end(mb), '#');
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, kWide.c_str(), c.cbIn, c.cchOut ? mb : nullptr, c.cchOut,
                                  nullptr, nullptr),
              c.result);
    if (c.result == 0) {
      EXPECT_EQ(GetLastError(), c.error);
    }
    if (c.result > 0 && c.cchOut > 0) {
      EXPECT_EQ(std::string(mb, static_cast<size_t>(c.result)), kGbk + '\0');
    }
  }
}

TEST(CodepageTest, InvalidInputAndUnknownCodePagesFail) {
  WCHAR wide[8];
  char mb[8];
  struct Case {
    const char* what;
    UINT cp;
    std::string bytes;
    DWORD error;
  };
  const Case toWide[] = {
      {"GBK lead byte alone", CP_ACP, "\xCA", ERROR_NO_UNICODE_TRANSLATION},
      {"GBK bad trail byte", CP_ACP, "\xCA\x20", ERROR_NO_UNICODE_TRANSLATION},
      {"UTF-8 bad continuation", CP_UTF8, "\xC3\x28", ERROR_NO_UNICODE_TRANSLATION},
      {"UTF-8 cut short", CP_UTF8, "\xE6\x8E", ERROR_NO_UNICODE_TRANSLATION},
      {"UTF-8 encoded surrogate", CP_UTF8, "\xED\xA0\x80", ERROR_NO_UNICODE_TRANSLATION},
      {"code page 1252", 1252, "abc", ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : toWide) {
    SCOPED_TRACE(c.what);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(c.cp, 0, c.bytes.data(), static_cast<int>(c.bytes.size()), wide, 8), 0);
    EXPECT_EQ(GetLastError(), c.error);
  }
  for (const std::u16string& lone : {std::u16string(u"a\xD800"), std::u16string(u"\xDC00z")}) {
    for (UINT cp : {UINT(CP_UTF8), UINT(CP_ACP)}) {
      SetLastError(0);
      EXPECT_EQ(WideCharToMultiByte(cp, 0, lone.data(), 2, mb, 8, nullptr, nullptr), 0);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    }
  }
  BOOL used = FALSE;
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, mb, 8, nullptr, &used), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodepageTest, CharactersThatGbkLacksBecomeTheDefaultCharacter) {
  BOOL used = FALSE;
  // U+0E01 (Thai) and U+1F600 (a pair of surrogates) have no GBK form.
  EXPECT_EQ(ToMulti(CP_ACP,
                    u"A\x0E01"
                    u"B\xD83D\xDE00",
                    &used),
            "A?B?");
  EXPECT_TRUE(used);
  EXPECT_EQ(ToMulti(CP_ACP, u"A\x0E01", &used, "*"), "A*");
  EXPECT_TRUE(used);
  EXPECT_EQ(ToMulti(CP_ACP, kWide, &used), kGbk);
  EXPECT_FALSE(used);
}

}  // namespace
