#include "platform/mfc/CString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CStringTest, TrimTakesBlankTabCrLfVtFf) {
  CString s(u" \t\r\n\v\fa b\r\n \t");
  s.Trim();
  EXPECT_EQ(s.Str(), u"a b");
  CString l(u"  x  ");
  EXPECT_EQ(l.TrimLeft().Str(), u"x  ");
  CString r(u"  x  ");
  EXPECT_EQ(r.TrimRight().Str(), u"  x");
}

TEST(CStringTest, PiecesClampLikeMfc) {
  CString s(u"abcdef");
  EXPECT_EQ(s.Left(3).Str(), u"abc");
  EXPECT_EQ(s.Left(-1).Str(), u"");
  EXPECT_EQ(s.Left(99).Str(), u"abcdef");
  EXPECT_EQ(s.Mid(4).Str(), u"ef");
  EXPECT_EQ(s.Mid(9).Str(), u"");
  EXPECT_EQ(s.Mid(-2, 2).Str(), u"ab");
  EXPECT_EQ(s.Mid(2, 99).Str(), u"cdef");
  EXPECT_EQ(s.Right(2).Str(), u"ef");
  EXPECT_EQ(s.Find(u'c'), 2);
  EXPECT_EQ(s.Find(u"de"), 3);
  EXPECT_EQ(s.Find(u'c', 3), -1);
  EXPECT_EQ(s.ReverseFind(u'z'), -1);
}

TEST(CStringTest, CompareAndNulInside) {
  EXPECT_EQ(CString(u"ABC").CompareNoCase(u"abc"), 0);
  EXPECT_NE(CString(u"ABC").Compare(u"abc"), 0);
  CString n;
  n.Append(u"a\0b", 3);
  EXPECT_EQ(n.GetLength(), 3);
  EXPECT_EQ(n.Str(), std::u16string(u"a\0b", 3));
}

TEST(CStringTest, BufferAndFormat) {
  CString s;
  WCHAR* p = s.GetBuffer(8);
  p[0] = u'h';
  p[1] = u'i';
  p[2] = 0;
  s.ReleaseBuffer();
  EXPECT_EQ(s.Str(), u"hi");
  s.Format(u"%s-%d", u"x", 42);
  EXPECT_EQ(s.Str(), u"x-42");
}

}  // namespace
