#include "services/CXmlDocument.h"

#include "tests/services/ServicesTestRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

std::u16string Str(const CString& s) {
  return s.Str();
}

struct ParseCase {
  const char16_t* m_pszText;
  const char16_t* m_pszResults;  // the whole result text
  bool m_bWellFormed;
};

class CXmlDocumentParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CXmlDocumentParseTest, NamedResults) {
  const ParseCase& c = GetParam();
  CXmlDocument doc;
  EXPECT_EQ(doc.ParseText(c.m_pszText), c.m_bWellFormed ? TRUE : FALSE);
  EXPECT_EQ(Str(doc.GetResult()), std::u16string(c.m_pszResults));
  EXPECT_EQ(doc.IsWellFormed(), c.m_bWellFormed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CXmlDocumentParseTest,
    ::testing::Values(
        ParseCase{u"<a><b/>x</a>", u"", true},
        ParseCase{u"<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY x \"y>\"><!-- ] -->]><a><!-- c "
                  u"--><![CDATA[<b>]]></a>",
                  u"", true},
        ParseCase{u"<a><b></a>", u"<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"6\"/>", false},
        ParseCase{u"<a></b></a>", u"<lone_end_tag tagname=\"b\" offset=\"3\"/>", false},
        ParseCase{u"<a/><b/>", u"<root_has_sibling/>", false},
        ParseCase{u"<a>", u"<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"3\"/>", false},
        ParseCase{u"<a", u"<unterminated_tag_syntax type=\"start_tag\" offset=\"0\"/><no_root_element/>",
                  false},
        ParseCase{u"<a x='>", u"<unterminated_tag_syntax type=\"start_tag\" offset=\"0\"/><no_root_element/>",
                  false},
        ParseCase{u"<a/></a", u"<unterminated_tag_syntax type=\"end_tag\" offset=\"4\"/>", false},
        ParseCase{u"<a/><!-- x", u"<unterminated_tag_syntax type=\"comment\" offset=\"4\"/>", false},
        ParseCase{u"<a/><![CDATA[x", u"<unterminated_tag_syntax type=\"cdata_section\" offset=\"4\"/>",
                  false},
        ParseCase{u"<a/><?pi", u"<unterminated_tag_syntax type=\"processing_instruction\" offset=\"4\"/>",
                  false},
        ParseCase{u"<a/><", u"<unterminated_tag_syntax type=\"tag\" offset=\"4\"/>", false},
        ParseCase{u"<a><1/></a>", u"<first_tag_syntax offset=\"3\"/>", false},
        ParseCase{u"<a><!x></a>", u"<exclamation_tag_syntax offset=\"3\"/>", false},
        ParseCase{u"<a><!-x--></a>", u"<comment_tag_syntax offset=\"3\"/>", false},
        ParseCase{u"<a><![x[]]></a>", u"<cdata_section_syntax offset=\"3\"/>", false},
        ParseCase{u"<!DOCTYPE a [<!X>]><a/>", u"<doctype_tag_syntax offset=\"13\"/>", false},
        ParseCase{u"just text", u"<no_root_element/>", false}, ParseCase{u"", u"", false},
        // A tag name with characters that need escaping inside the result's own attribute.
        ParseCase{u"<a></b&\"></a>", u"<lone_end_tag tagname=\"b&amp;\" offset=\"3\"/>", false}));

TEST(CXmlDocumentTest, UnendedElementKeepsStartTagAndGivesUpItsChildren) {
  CXmlDocument doc;
  doc.ParseText(u"<r><u><c/><d/></r>");
  ASSERT_TRUE(doc.FindElement(u"r"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement(u"u"));
  const CXmlDocument::ElemPos& u = doc.GetElemPos(2);
  EXPECT_EQ(u.m_dwLength, 3u);  // "<u>" only
  EXPECT_TRUE(u.m_dwFlags & CXmlDocument::MNF_NONENDED);
  EXPECT_EQ(u.m_dwElemChild, 0u);
  // Its children now follow it under r, one level up.
  ASSERT_TRUE(doc.FindElement());
  EXPECT_EQ(Str(doc.GetTagName()), u"c");
  EXPECT_EQ(doc.GetElemPos(3).Level(), 2u);
  ASSERT_TRUE(doc.FindElement());
  EXPECT_EQ(Str(doc.GetTagName()), u"d");
  EXPECT_FALSE(doc.FindElement());
  EXPECT_TRUE(doc.GetElemPos(0).m_dwFlags & CXmlDocument::MNF_ILLFORMED);
}

TEST(CXmlDocumentTest, LoneEndTagLeavesEnclosingElementComplete) {
  CXmlDocument doc;
  doc.ParseText(u"<a></b></a>");
  ASSERT_TRUE(doc.FindElement(u"a"));
  const CXmlDocument::ElemPos& a = doc.GetElemPos(1);
  EXPECT_EQ(a.m_dwLength, 11u);
  EXPECT_EQ(a.StartTagLen(), 3u);
  EXPECT_EQ(a.EndTagLen(), 4u);
  EXPECT_TRUE(a.m_dwFlags & CXmlDocument::MNF_ILLDATA);
}

TEST(CXmlDocumentTest, RootWithSiblingIsStillSearchable) {
  CXmlDocument doc;
  doc.ParseText(u"<a/><b/>");
  EXPECT_TRUE(doc.FindElement(u"b"));
  doc.ResetPosition();
  EXPECT_TRUE(doc.FindElement(u"a"));
}

TEST(CXmlDocumentTest, NavigationAndPaths) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(u"<Config><x n='1'/><y/><x n='2'/></Config>"));
  EXPECT_FALSE(doc.FindElement(u"x"));  // not at the top level
  ASSERT_TRUE(doc.FindElement(u"Config"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement(u"x"));
  EXPECT_EQ(Str(doc.GetAttribute(u"n")), u"1");
  ASSERT_TRUE(doc.FindElement(u"x"));  // searches on after the main position
  EXPECT_EQ(Str(doc.GetAttribute(u"n")), u"2");
  EXPECT_FALSE(doc.FindElement(u"y"));
  doc.RestartChildren();
  EXPECT_TRUE(doc.FindElement(u"y"));
  doc.RestartChildren();
  EXPECT_FALSE(doc.FindElement(u"X"));  // names are case-sensitive
  doc.SetDocFlags(doc.GetDocFlags() | CXmlDocument::MDF_IGNORECASE);
  EXPECT_TRUE(doc.FindElement(u"X"));

  struct PathCase {
    const char16_t* m_pszPath;
    bool m_bFound;
  };
  const PathCase paths[] = {{u"x[1]", true},  {u"x[@n]", true}, {u"x[@n='1']", true}, {u"x/@n", true},
                            {u"x/y", true},   {u"/x", false},   {u"x//y", false},     {u"x[", false},
                            {u"x[a]", false}, {u"x/", false}};
  for (const PathCase& p : paths) {
    doc.RestartChildren();
    EXPECT_EQ(doc.FindElement(p.m_pszPath) != FALSE, p.m_bFound)
        << std::string(p.m_pszPath, p.m_pszPath + std::char_traits<char16_t>::length(p.m_pszPath));
  }
}

TEST(CXmlDocumentTest, AttributeForms) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(u"<e a=\"1\" b='two words' c = 3 d=bare e=\"x>y\" a=\"again\" f=\"&amp;lt;\"/>"));
  ASSERT_TRUE(doc.FindElement(u"e"));
  EXPECT_EQ(Str(doc.GetAttribute(u"a")), u"1");  // the first one counts
  EXPECT_EQ(Str(doc.GetAttribute(u"b")), u"two words");
  EXPECT_EQ(Str(doc.GetAttribute(u"c")), u"3");
  EXPECT_EQ(Str(doc.GetAttribute(u"d")), u"bare");
  EXPECT_EQ(Str(doc.GetAttribute(u"e")), u"x>y");
  EXPECT_EQ(Str(doc.GetAttribute(u"f")), u"&lt;");
  EXPECT_EQ(Str(doc.GetAttribute(u"missing")), u"");
  EXPECT_EQ(Str(doc.GetAttribute(u"A")), u"");
}

struct EntityCase {
  std::u16string m_strIn;
  std::u16string m_strOut;
};

class CXmlDocumentEntityTest : public ::testing::TestWithParam<EntityCase> {};

TEST_P(CXmlDocumentEntityTest, Decodes) {
  EXPECT_EQ(Str(CXmlDocument::UnescapeText(GetParam().m_strIn.c_str())), GetParam().m_strOut);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CXmlDocumentEntityTest,
    ::testing::Values(EntityCase{u"&lt;&gt;&amp;&quot;&apos;", u"<>&\"'"}, EntityCase{u"&amp;lt;", u"&lt;"},
                      EntityCase{u"&#65;&#x42;&#X43;", u"ABC"}, EntityCase{u"&#x1F600;", u"\U0001F600"},
                      EntityCase{u"&#1114111;", u"\U0010FFFF"},
                      // Beyond Unicode, zero, malformed, unknown, unended or too long: as written.
                      EntityCase{u"&#x110000;", u"&#x110000;"}, EntityCase{u"&#1114112;", u"&#1114112;"},
                      EntityCase{u"&#0;", u"&#0;"}, EntityCase{u"&#12a;", u"&#12a;"},
                      EntityCase{u"&#x;", u"&#x;"}, EntityCase{u"&bogus;", u"&bogus;"},
                      EntityCase{u"&lt", u"&lt"}, EntityCase{u"&abcdefghij;", u"&abcdefghij;"},
                      EntityCase{u"&l\u00e9;", u"&l\u00e9;"},
                      // HTML names, without regard to case; an exact spelling picks its own character.
                      EntityCase{u"&nbsp;&copy;&COPY;&euro;&thetasym;", u"\u00a0\u00a9\u00a9\u20ac\u03d1"},
                      EntityCase{u"&Agrave;&agrave;&AGRAVE;", u"\u00c0\u00e0\u00c0"},
                      EntityCase{u"a & b &amp c", u"a & b &amp c"}));

TEST(CXmlDocumentTest, EscapeText) {
  EXPECT_EQ(Str(CXmlDocument::EscapeText(u"<a&b>\"'", false)), u"&lt;a&amp;b&gt;\"'");
  EXPECT_EQ(Str(CXmlDocument::EscapeText(u"<a&b>\"'", true)), u"&lt;a&amp;b&gt;&quot;&apos;");
}

class CXmlDocumentFileTest : public ServicesTestRoot {};

std::string Utf16Be(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c >> 8));
    out.push_back(static_cast<char>(c & 0xFF));
  }
  return out;
}

struct LoadCase {
  const char* m_pszName;
  std::string m_strBytes;
  bool m_bLoaded;
  const char16_t* m_pszResults;
};

TEST_F(CXmlDocumentFileTest, LoadingReportsWhatItRead) {
  const std::u16string text = u"<a t=\"\u6807\u9898\"/>";
  const LoadCase cases[] = {
      {"utf8 no bom", "<a t=\"\xE6\xA0\x87\xE9\xA2\x98\"/>", true,
       u"<read encoding=\"UTF-8\" length=\"15\"/><converted_to encoding=\"UTF-16\" length=\"11\"/>"},
      {"utf8 bom", "\xEF\xBB\xBF<a t=\"\xE6\xA0\x87\xE9\xA2\x98\"/>", true,
       u"<bom/><read encoding=\"UTF-8\" length=\"15\"/><converted_to encoding=\"UTF-16\" length=\"11\"/>"},
      {"utf16le bom", "\xFF\xFE" + ServicesTestRoot::Utf16Le(text), true,
       u"<bom/><read encoding=\"UTF-16LE\" length=\"11\"/>"},
      {"utf16be bom", "\xFE\xFF" + Utf16Be(text), true,
       u"<bom/><endian_swap/><read encoding=\"UTF-16BE\" length=\"11\"/>"},
      // Not "<" first and not declared: detection runs.
      {"detected utf8", " <a t=\"\xE6\xA0\x87\xE9\xA2\x98\"/>", true,
       u"<read encoding=\"UTF-8\" length=\"16\"/><utf8_detection/><converted_to encoding=\"UTF-16\" "
       u"length=\"12\"/>"},
      // Detection fails: the ANSI code page (GBK) takes the bytes.
      {"ansi fallback", " <a t=\"\xB1\xEA\xCC\xE2\"/>", true,
       u"<read length=\"14\"/><utf8_detection/><converted_to encoding=\"UTF-16\" length=\"12\"/>"},
      {"gbk declared", "<?xml version=\"1.0\" encoding=\"GBK\"?><a t=\"\xB1\xEA\xCC\xE2\"/>", true,
       u"<read encoding=\"GBK\" length=\"49\"/><converted_to encoding=\"UTF-16\" length=\"47\"/>"},
      {"nulls dropped", std::string("<a t=\"\xE6\xA0\x87\0\xE9\xA2\x98\"/>", 16), true,
       u"<nulls_removed count=\"1\"/><read encoding=\"UTF-8\" length=\"15\"/><converted_to "
       u"encoding=\"UTF-16\" length=\"11\"/>"},
      // An encoding nobody knows converts nothing.
      {"bad encoding", "<?xml version=\"1.0\" encoding=\"x-bogus\"?><a/>", false,
       u"<read encoding=\"x-bogus\" length=\"44\"/>"},
      {"empty", "", false, u"<read encoding=\"UTF-8\" length=\"0\"/><utf8_detection/>"},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    Put(u"\\doc.xml", c.m_strBytes);
    CXmlDocument doc;
    EXPECT_EQ(doc.LoadFile(u"\\doc.xml") != FALSE, c.m_bLoaded);
    EXPECT_EQ(Str(doc.GetResult()), std::u16string(c.m_pszResults));
    if (!c.m_bLoaded) continue;
    ASSERT_TRUE(doc.FindElement(u"a"));
    EXPECT_EQ(Str(doc.GetAttribute(u"t")), u"\u6807\u9898");
  }
}

TEST_F(CXmlDocumentFileTest, MissingFileIsAFileError) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.ParseText(u"<old/>"));
  EXPECT_FALSE(doc.LoadFile(u"\\nothing.xml"));
  EXPECT_EQ(Str(doc.GetResult()),
            u"<file_error msg=\"The system cannot find the file specified.\" n=\"2\"/>");
  EXPECT_TRUE(doc.GetDoc().empty());
  EXPECT_FALSE(doc.FindElement(u"old"));
}

TEST_F(CXmlDocumentFileTest, SavesInTheEncodingItRead) {
  Put(u"\\in.xml", "\xFF\xFE" + Utf16Le(u"<a/>"));
  CXmlDocument doc;
  ASSERT_TRUE(doc.LoadFile(u"\\in.xml"));
  ASSERT_TRUE(doc.SaveFile(u"\\out.xml"));
  EXPECT_EQ(Bytes(u"\\out.xml"), "\xFF\xFE" + Utf16Le(u"<a/>"));

  Put(u"\\in.xml", "<?xml version=\"1.0\" encoding=\"gb2312\"?><a t=\"\xB1\xEA\"/>");
  ASSERT_TRUE(doc.LoadFile(u"\\in.xml"));
  ASSERT_TRUE(doc.SaveFile(u"\\out.xml"));
  EXPECT_EQ(Bytes(u"\\out.xml"), "<?xml version=\"1.0\" encoding=\"gb2312\"?><a t=\"\xB1\xEA\"/>");
}

}  // namespace
