#include "platform/kernel/wcestr.h"
#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/base/CQuickString.h"

namespace {

class CQuickStringTest : public WceUiTestRoot {};

// 31 characters and the terminator fill the inline buffer; one more goes to the heap.
const std::u16string kInline(31, u'i');
const std::u16string kHeap(32, u'h');

TEST_F(CQuickStringTest, ShortTextStaysInlineLongerTextGoesToTheHeap) {
  const std::u16string texts[] = {u"", u"a", kInline, kHeap, std::u16string(300, u'z'), u"back"};
  CQuickString s;
  EXPECT_EQ(std::u16string(s.GetString()), u"");
  for (const std::u16string& text : texts) {
    s.SetString(text.c_str());
    EXPECT_EQ(std::u16string(s.GetString()), text);
    EXPECT_EQ(s.GetLength(), static_cast<int>(text.size()));
    const WCHAR* p = s.GetString();
    const bool inObject = reinterpret_cast<const char*>(p) >= reinterpret_cast<const char*>(&s) &&
                          reinterpret_cast<const char*>(p) < reinterpret_cast<const char*>(&s + 1);
    EXPECT_EQ(inObject, text.size() < 32) << text.size();
  }
}

TEST_F(CQuickStringTest, SetFromItsOwnTextKeepsTheText) {
  // Whole text and tails of it, inline and on the heap, into inline and onto the heap.
  const std::u16string longText = u"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJ";
  struct Case {
    std::u16string m_strStart;
    size_t m_nOffset;
  };
  const Case cases[] = {{u"short", 0}, {u"short", 2}, {longText, 0}, {longText, 3}, {longText, 30}};
  for (const Case& c : cases) {
    CQuickString s(c.m_strStart.c_str());
    s.SetString(s.GetString() + c.m_nOffset);
    EXPECT_EQ(std::u16string(s.GetString()), c.m_strStart.substr(c.m_nOffset));
  }
  CQuickString s(longText.c_str());
  s = s;
  EXPECT_EQ(std::u16string(s.GetString()), longText);
}

TEST_F(CQuickStringTest, CopiesAreIndependent) {
  CQuickString a(kHeap.c_str());
  CQuickString b(a);
  CQuickString c;
  c = a;
  a.SetString(u"changed");
  EXPECT_EQ(std::u16string(b.GetString()), kHeap);
  EXPECT_EQ(std::u16string(c.GetString()), kHeap);
  EXPECT_NE(b.GetString(), c.GetString());
}

TEST_F(CQuickStringTest, NullTextIsReportedAndEmpties) {
  CQuickString s(u"text");
  s.SetString(nullptr);
  EXPECT_EQ(std::u16string(s.GetString()), u"");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error: CQuickString::SetString,check(NULL != pString)fail");
}

}  // namespace
