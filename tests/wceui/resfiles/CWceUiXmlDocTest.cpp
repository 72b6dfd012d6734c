// The UI XML document: the tree it builds, every syntax error code with its message, the files
// refused, and include splicing.
#include "platform/kernel/wcestr.h"
#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/support/WceUiTestFiles.h"
#include "wceui/resfiles/CWceUiXmlDoc.h"

namespace {

class CWceUiXmlDocTest : public WceUiTestRoot {
 protected:
  std::string AllMessages() {
    std::string all;
    for (const std::string& m : Messages()) all += m + "\n";
    return all;
  }
  // Loads a text as \x.xml; returns the messages it logged.
  std::vector<std::string> LoadText(CWceUiXmlDoc& doc, const std::u16string& text,
                                    BOOL keepComments = FALSE) {
    WceUiPutTextFile(u"\\x.xml", text);
    ClearLog();
    doc.LoadXmlFile(u"\\x.xml", keepComments);
    return Messages();
  }
};

std::string Utf8(LPCWSTR s) {
  return s == nullptr ? "<none>" : WceWideToUtf8(s);
}

std::string Error(const char* method, const char* code) {
  return std::string("error:   ::") + method + ", (\\x.xml) syntax error " + code;
}

}  // namespace

TEST_F(CWceUiXmlDocTest, BuildsTheTree) {
  CWceUiXmlDoc doc;
  EXPECT_TRUE(LoadText(doc,
                       u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
                       u"<!-- dialog -->\r\n"
                       u"<Dialog name='main' Rect = \"0,0,800,480\">text is skipped\r\n"
                       u"  <layer name=\"a\" style=\"s&amp;1\"/>\r\n"
                       u"  <LAYER name=\"b\"><sub x=\"\"></SUB></layer>\r\n"
                       u"  <button\tname=\"c\"\r\n/>\r\n"
                       u"</dialog>\r\n\t \r\n")
                  .empty())
      << AllMessages();
  ASSERT_TRUE(doc.IsLoaded());
  CWceUiXmlElem* root = doc.GetRootElem();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(Utf8(root->GetTagName()), "Dialog");
  EXPECT_EQ(Utf8(root->GetAttribute(u"NAME")), "main");
  EXPECT_EQ(Utf8(root->GetAttribute(u"rect")), "0,0,800,480");
  EXPECT_EQ(Utf8(root->GetAttribute(u"missing")), "<none>");
  EXPECT_EQ(root->GetDepth(), 0);
  EXPECT_EQ(root->GetParent(), nullptr);
  ASSERT_EQ(root->GetChildCount(), 3);
  const char* names[] = {"a", "b", "c"};
  const char* tags[] = {"layer", "LAYER", "button"};
  int i = 0;
  for (CWceUiXmlElem* child = root->GetFirstChild(); child != nullptr;
       child = root->GetNextChild(child), ++i) {
    EXPECT_EQ(Utf8(child->GetTagName()), tags[i]);
    EXPECT_EQ(Utf8(child->GetAttribute(u"name")), names[i]);
    EXPECT_EQ(child->GetDepth(), 1);
    EXPECT_EQ(child->GetParent(), root);
  }
  EXPECT_EQ(i, 3);
  EXPECT_EQ(Utf8(root->GetFirstChild()->GetAttribute(u"style")), "s&amp;1") << "no entities decoded";
  CWceUiXmlElem* b = root->FindChildElem(u"layer")->GetParent()->GetNextChild(root->GetFirstChild());
  EXPECT_EQ(root->FindChildElem(u"Layer"), root->GetFirstChild());
  EXPECT_EQ(root->FindChildElem(u"none"), nullptr);
  ASSERT_EQ(b->GetChildCount(), 1);
  EXPECT_EQ(b->GetFirstChild()->GetDepth(), 2);
  EXPECT_EQ(Utf8(b->GetFirstChild()->GetAttribute(u"x")), "");
  // The node list: the declaration and the elements in the order made (comments dropped).
  std::vector<int> types;
  for (CWceUiXmlElem* n = doc.GetFirstNode(); n != nullptr; n = CWceUiXmlDoc::GetNextNode(n)) {
    types.push_back(n->GetNodeType());
  }
  EXPECT_EQ(types, (std::vector<int>{1, 2, 2, 2, 2, 2}));

  CWceUiXmlDoc kept;
  EXPECT_TRUE(LoadText(kept, u"<!-- one --><a/><!----->", TRUE).empty()) << AllMessages();
  types.clear();
  for (CWceUiXmlElem* n = kept.GetFirstNode(); n != nullptr; n = CWceUiXmlDoc::GetNextNode(n)) {
    types.push_back(n->GetNodeType());
  }
  EXPECT_EQ(types, (std::vector<int>{0, 2, 0}));
  EXPECT_EQ(*kept.GetFirstNode()->GetStart(), u'<');
  EXPECT_EQ(*kept.GetFirstNode()->GetEnd(), u'>');
}

TEST_F(CWceUiXmlDocTest, SyntaxErrorCodes) {
  std::string nested;
  const struct {
    std::u16string m_strText;
    std::vector<std::string> m_Errors;  // before the final "030" line
  } cases[] = {
      {u"<a>", {Error("ParseXml", "001")}},
      {u"<a></a><!-x", {Error("ParseXml", "002")}},
      {u"<!DOCTYPE a><a/>", {Error("ParseXml", "003")}},
      {u"<!-- open <a/>", {Error("ParseXml", "004")}},
      {u"<a/><?xml", {Error("ParseXml", "006")}},
      {u"<?XML version=\"1.0\"?><a/>", {Error("ParseXml", "007")}},
      {u"<?xml version=\"1.0\"><a/>", {Error("ParseXml", "008")}},
      {u"<a><x></x>err</a>", {Error("ParseXml", "010,attention:<a><x></x>err</a> is not supported")}},
      {u"text<a/>", {Error("ParseXml", "010,attention:<a><x></x>err</a> is not supported")}},
      {u"<a><b></b>", {Error("ParseXml", "011")}},
      {u"<a></a><bcd", {Error("ParseXmlTag", "012"), Error("ParseXml", "009")}},
      {u"<a>< x></x></a>", {Error("ParseXmlTag", "013"), Error("ParseXml", "009")}},
      {u"<a=b></a>", {Error("ParseXmlTag", "014"), Error("ParseXml", "009")}},
      {u"<a x></a>", {Error("ParseXmlTag", "015"), Error("ParseXml", "009")}},
      {u"<a></a><b></b>", {Error("ParseXmlTag", "016"), Error("ParseXml", "009")}},
      {u"<a>", {Error("ParseXml", "001")}},
      {u"<a x='1'>", {Error("ParseXmlTag", "018"), Error("ParseXml", "009")}},
      {u"<a>< /></a>", {Error("ParseXmlTag", "019"), Error("ParseXml", "009")}},
      {u"<a=1/>", {Error("ParseXmlTag", "020"), Error("ParseXml", "009")}},
      {u"<a x=1/>", {Error("ParseXmlTag", "021"), Error("ParseXml", "009")}},
      {u"<a/><b/>", {Error("ParseXmlTag", "022"), Error("ParseXml", "009")}},
      {u"<a></ ></a>", {Error("ParseXmlTag", "025"), Error("ParseXml", "009")}},
      {u"<a></></a>", {Error("ParseXmlTag", "023"), Error("ParseXml", "009")}},
      {u"<a/></a>", {Error("ParseXmlTag", "024"), Error("ParseXml", "009")}},
      {u"<a></b>", {Error("ParseXmlTag", "025"), Error("ParseXml", "009")}},
      {u"<a></a/>", {Error("ParseXmlTag", "026"), Error("ParseXml", "009")}},
      {u"<a x=\"1\" y=/>",
       {Error("HandleXmlTagContent", "027"), Error("ParseXmlTag", "021"), Error("ParseXml", "009")}},
      {u"<a x=\"1\" y=\"2/>",
       {Error("HandleXmlTagContent", "028"), Error("ParseXmlTag", "021"), Error("ParseXml", "009")}},
      {u"<a x=\"1\" x=\"2\"/>",
       {Error("HandleXmlTagContent", "029"), Error("ParseXmlTag", "021"), Error("ParseXml", "009")}},
      {u"<a X=\"1\" x=\"2\"></a>",
       {Error("HandleXmlTagContent", "029"), Error("ParseXmlTag", "015"), Error("ParseXml", "009")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WceWideToUtf8(c.m_strText));
    CWceUiXmlDoc doc;
    std::vector<std::string> expected = c.m_Errors;
    expected.push_back(Error("LoadXmlFile", "030"));
    EXPECT_EQ(LoadText(doc, c.m_strText), expected);
    EXPECT_FALSE(doc.IsLoaded());
    EXPECT_EQ(doc.GetRootElem(), nullptr);
    EXPECT_EQ(doc.GetFirstNode(), nullptr);
  }
}

TEST_F(CWceUiXmlDocTest, ThirtyTwoLevelsLoadAndThirtyThreeDoNot) {
  for (int levels : {32, 33}) {
    std::u16string text;
    for (int i = 0; i < levels; ++i) text += u"<e>";
    for (int i = 0; i < levels; ++i) text += u"</e>";
    CWceUiXmlDoc doc;
    std::vector<std::string> messages = LoadText(doc, text);
    if (levels == 32) {
      EXPECT_TRUE(messages.empty()) << AllMessages();
      CWceUiXmlElem* e = doc.GetRootElem();
      while (e->GetFirstChild() != nullptr) e = e->GetFirstChild();
      EXPECT_EQ(e->GetDepth(), 31);
    } else {
      EXPECT_EQ(messages, (std::vector<std::string>{Error("ParseXmlTag", "017"), Error("ParseXml", "009"),
                                                    Error("LoadXmlFile", "030")}));
    }
  }
}

TEST_F(CWceUiXmlDocTest, LoadsThatNeedNoRootOrSkipText) {
  const std::u16string texts[] = {u"  <!-- only a comment -->\r\n", u"<a>text<b/></a>", u"<A></a>",
                                  u"<a x='1' y=\"2\"/>", u"<a x = '1'\ty\r\n=\"\"/>"};
  for (const auto& text : texts) {
    CWceUiXmlDoc doc;
    EXPECT_TRUE(LoadText(doc, text).empty()) << WceWideToUtf8(text) << AllMessages();
    EXPECT_TRUE(doc.IsLoaded());
  }
}

TEST_F(CWceUiXmlDocTest, FilesRefused) {
  WceUiPutTextFile(u"\\utf8.xml", u"<a/>", WceUiTextForm::kUtf8);
  WceUiPutTextFile(u"\\be.xml", u"<a/>", WceUiTextForm::kUtf16Be);
  WceUiPutTextFile(u"\\odd.xml", u"<a/>", WceUiTextForm::kUtf16LeOddByte);
  WceUiPutFile(u"\\three.xml", "\xFF\xFE<");
  WceUiPutTextFile(u"\\ok.xml", u"<a/>");
  const struct {
    const char16_t* m_pszPath;
    std::string m_strMessage;
  } cases[] = {
      {u"\\utf8.xml", "error:   ::LoadXmlFile, the length of \\utf8.xml is odd number, not a UNICODE file"},
      {u"\\be.xml", "error:   ::LoadXmlFile, \\be.xml is not a UNICODE file"},
      {u"\\odd.xml", "error:   ::LoadXmlFile, the length of \\odd.xml is odd number, not a UNICODE file"},
      {u"\\three.xml", "error:   ::LoadXmlFile, the length of \\three.xml is less than 4"},
      {u"\\none.xml", "error:   ::LoadXmlFile, WceUiReadFile \\none.xml fail"},
  };
  for (const auto& c : cases) {
    ClearLog();
    CWceUiXmlDoc doc;
    EXPECT_FALSE(doc.LoadXmlFile(c.m_pszPath, FALSE));
    std::vector<std::string> messages = Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), c.m_strMessage);
  }
  CWceUiXmlDoc doc;
  ASSERT_TRUE(doc.LoadXmlFile(u"\\ok.xml", FALSE));
  ClearLog();
  EXPECT_FALSE(doc.LoadXmlFile(u"\\ok.xml", FALSE));
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"error:   ::LoadXmlFile, can not load \\ok.xml, call clean first"});
  doc.Clean();
  EXPECT_TRUE(doc.LoadXmlFile(u"\\ok.xml", FALSE));
  // A path too long for the document's path field is refused, never cut.
  std::u16string longPath = u"\\" + std::u16string(MAX_PATH, u'p') + u".xml";
  CWceUiXmlDoc other;
  ClearLog();
  EXPECT_FALSE(other.LoadXmlFile(longPath.c_str(), FALSE));
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"error:   ::LoadXmlFile, a path of 265 characters is too long"});
}

TEST_F(CWceUiXmlDocTest, IncludesSplicedFromTheDocumentsFolder) {
  WceUiPutTextFile(u"\\wnd\\part.xml", u"<p n=\"1\">\n#include_xml \"other.xml\"\n</p>");
  WceUiPutTextFile(u"\\wnd\\sub\\deep.xml", u"<d/>");
  WceUiPutFile(u"\\wnd\\empty.xml", "");
  WceUiPutTextFile(u"\\wnd\\main.xml",
                   u"<a>\r\n"
                   u"\t#include_xml \"part.xml\"\r\n"
                   u"  #include_xml\t\"sub\\deep.xml\"  \n"
                   u"<b> #include_xml \"part.xml\"\n"
                   u"#include_xml \"empty.xml\"\n"
                   u"</b></a>");
  CWceUiXmlDoc doc;
  ASSERT_TRUE(doc.LoadXmlFile(u"\\wnd\\main.xml", FALSE)) << AllMessages();
  std::vector<std::string> tags;
  for (CWceUiXmlElem* c = doc.GetRootElem()->GetFirstChild(); c != nullptr;
       c = doc.GetRootElem()->GetNextChild(c)) {
    tags.push_back(Utf8(c->GetTagName()));
  }
  // The include in the middle of a line stays as (skipped) text; the included file's own
  // directive is not followed; the empty file's line stays, as text skipped inside <b>.
  EXPECT_EQ(tags, (std::vector<std::string>{"p", "d", "b"}));
}

TEST_F(CWceUiXmlDocTest, IncludeNamesAndFailures) {
  // Absolute names, so that the resolved path is the name itself and fits a path.
  const std::u16string name258 =
      u"\\" + std::u16string(120, u'n') + u"\\" + std::u16string(132, u'n') + u".xml";
  const std::u16string name259 =
      u"\\" + std::u16string(120, u'n') + u"\\" + std::u16string(133, u'n') + u".xml";
  ASSERT_EQ(name258.size(), 258u);
  WceUiPutTextFile(name258, u"<i/>");
  WceUiPutTextFile(name259, u"<i/>");
  WceUiPutTextFile(u"\\w\\be.xml", u"<i/>", WceUiTextForm::kUtf16Be);
  WceUiPutTextFile(u"\\w\\odd.xml", u"<i/>", WceUiTextForm::kUtf16LeOddByte);
  const struct {
    std::u16string m_strInclude;
    bool m_bLoads;
    int m_nChildren;
    std::string m_strMessage;
  } cases[] = {
      {name258, true, 1, ""},
      {name259, true, 0, ""},  // not a directive: it stays as text behind <a>
      {u"missing.xml", false, 0, "error:   ::ReadIncludeFile, WceUiReadFile \\w\\missing.xml fail"},
      {u"be.xml", false, 0, "error:   ::ReadIncludeFile,\\w\\be.xml is not a UNICODE file 2"},
      {u"odd.xml", false, 0, "error:   ::ReadIncludeFile, \\w\\odd.xml is not a UNICODE file 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WceWideToUtf8(c.m_strInclude).substr(0, 20));
    WceUiPutTextFile(u"\\w\\main.xml", u"<a>\n#include_xml \"" + c.m_strInclude + u"\"\n</a>");
    ClearLog();
    CWceUiXmlDoc doc;
    ASSERT_EQ(doc.LoadXmlFile(u"\\w\\main.xml", FALSE), c.m_bLoads) << AllMessages();
    if (c.m_bLoads) {
      EXPECT_EQ(doc.GetRootElem()->GetChildCount(), c.m_nChildren);
    } else {
      ASSERT_FALSE(Messages().empty());
      EXPECT_EQ(Messages().back(), c.m_strMessage);
    }
  }
}

TEST_F(CWceUiXmlDocTest, IncludeFromADocumentWithoutAFolderUsesTheProgramsDirectory) {
  // The program lives in \SDMMC\CECorvane; a document named "a.xml" reads its includes there.
  WceUiPutTextFile(u"\\SDMMC\\CECorvane\\inc.xml", u"<i/>");
  WceUiPutTextFile(u"a.xml", u"<a>\n#include_xml \"inc.xml\"\n</a>");
  CWceUiXmlDoc doc;
  ASSERT_TRUE(doc.LoadXmlFile(u"a.xml", FALSE)) << AllMessages();
  ASSERT_EQ(doc.GetRootElem()->GetChildCount(), 1);
  EXPECT_EQ(Utf8(doc.GetRootElem()->GetFirstChild()->GetTagName()), "i");
}
