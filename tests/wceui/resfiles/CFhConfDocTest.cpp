// Conf files: the line grammar with escapes on and off, the files refused and their messages, and
// the string map under the document.
#include "platform/kernel/wcestr.h"
#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/support/WceUiTestFiles.h"
#include "wceui/resfiles/CFhConfDoc.h"
#include "wceui/base/CWceUiStrMap.h"

#include <map>

namespace {

class CFhConfDocTest : public WceUiTestRoot {
 protected:
  std::string AllMessages() {
    std::string all;
    for (const std::string& m : Messages()) all += m + "\n";
    return all;
  }
};

std::string Value(const CFhConfDoc& doc, const char16_t* key) {
  LPCWSTR value = doc.GetString(key);
  return value == nullptr ? "<none>" : WceWideToUtf8(value);
}

}  // namespace

TEST_F(CFhConfDocTest, LineGrammar) {
  WceUiPutTextFile(u"\\c.conf",
                   u"  key = value  \r\n"
                   u"; comment = no\n"
                   u"\t[section]\n"
                   u"\n"
                   u"   \r\n"
                   u"\tTabbed\t=\tv2\r\n"
                   u"empty=\n"
                   u"crkey\r=x\n"
                   u"eq==x=y\n"
                   u"Key=case\n"
                   u"dup=first\n"
                   u"dup=second\n"
                   u"cr=a\rb\r\r\n"
                   u"blanks=   \n"
                   u"last=no line end\r");
  CFhConfDoc doc;
  ASSERT_TRUE(doc.LoadFile(u"\\c.conf", FALSE)) << AllMessages();
  EXPECT_TRUE(doc.IsLoaded());
  const struct {
    const char16_t* m_pszKey;
    const char* m_pszValue;
  } cases[] = {
      {u"key", "value  "},      {u"Key", "case"},
      {u"Tabbed", "v2"},        {u"empty", ""},
      {u"crkey", "x"},          {u"eq", "=x=y"},
      {u"dup", "second"},       {u"cr", "a\rb\r"},
      {u"blanks", ""},          {u"last", "no line end\r"},
      {u"comment", "<none>"},   {u"; comment", "<none>"},
      {u"[section]", "<none>"}, {u"KEY", "<none>"},
      {u"", "<none>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Value(doc, c.m_pszKey), c.m_pszValue) << WceWideToUtf8(c.m_pszKey);
  EXPECT_TRUE(Messages().empty()) << AllMessages();
}

TEST_F(CFhConfDocTest, EscapesOnAndOff) {
  WceUiPutTextFile(u"\\e.conf",
                   u"tab=a\\tb\n"
                   u"all=\\\\ \\n \\r \\t\n"
                   u"before\\key=x\n"
                   u"path=C:\\\\dir\n");
  WceUiPutTextFile(u"\\bad.conf", u"ok=1\nd=a\\db\n");
  WceUiPutTextFile(u"\\end.conf", u"end=a\\\n");
  const struct {
    const char16_t* m_pszFile;
    BOOL m_bEscape;
    BOOL m_bOk;
    std::map<std::u16string, std::string> m_Values;
  } cases[] = {
      {u"\\e.conf",
       TRUE,
       TRUE,
       {{u"tab", "a\tb"}, {u"all", "\\ \n \r \t"}, {u"before\\key", "x"}, {u"path", "C:\\dir"}}},
      {u"\\e.conf",
       FALSE,
       TRUE,
       {{u"tab", "a\\tb"}, {u"all", "\\\\ \\n \\r \\t"}, {u"before\\key", "x"}, {u"path", "C:\\\\dir"}}},
      {u"\\bad.conf", FALSE, TRUE, {{u"d", "a\\db"}, {u"ok", "1"}}},
      {u"\\bad.conf", TRUE, FALSE, {{u"d", "<none>"}, {u"ok", "<none>"}}},
      {u"\\end.conf", FALSE, TRUE, {{u"end", "a\\"}}},
      {u"\\end.conf", TRUE, FALSE, {{u"end", "<none>"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WceWideToUtf8(c.m_pszFile) + (c.m_bEscape ? " escapes on" : " escapes off"));
    CFhConfDoc doc;
    EXPECT_EQ(doc.LoadFile(c.m_pszFile, c.m_bEscape), c.m_bOk);
    EXPECT_EQ(doc.IsLoaded(), c.m_bOk);
    for (const auto& kv : c.m_Values) EXPECT_EQ(Value(doc, kv.first.c_str()), kv.second);
  }
  ClearLog();
  CFhConfDoc doc;
  EXPECT_FALSE(doc.LoadFile(u"\\bad.conf", TRUE));
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "error:   ::ParseLineWithSlash, Parse \\bad.conf fail, \\d is not valid",
                            "error:   ::ParseStr, ParseLineWithSlash(\\bad.conf) fail",
                            "error:   ::LoadFile, Parse \\bad.conf fail",
                        }));
}

TEST_F(CFhConfDocTest, FilesRefused) {
  const std::u16string good = u"a=1\n";
  WceUiPutTextFile(u"\\utf8.conf", good, WceUiTextForm::kUtf8);
  WceUiPutTextFile(u"\\be.conf", good, WceUiTextForm::kUtf16Be);
  WceUiPutTextFile(u"\\nomark.conf", good, WceUiTextForm::kUtf16LeNoMark);
  WceUiPutTextFile(u"\\odd.conf", good, WceUiTextForm::kUtf16LeOddByte);
  WceUiPutFile(u"\\one.conf", "\xFF");
  WceUiPutFile(u"\\zero.conf", "");
  WceUiPutTextFile(u"\\noeq.conf", u"a=1\njust text\n");
  WceUiPutTextFile(u"\\eqfirst.conf", u"a=1\n = 2\n");
  WceUiPutTextFile(u"\\blankkey.conf", u"a b=1\n");
  const struct {
    const char16_t* m_pszFile;
    std::vector<std::string> m_Messages;
  } cases[] = {
      {u"\\utf8.conf", {"error:   ::LoadFile, \\utf8.conf is not a valid UNICODE file, the length is 7"}},
      {u"\\be.conf", {"error:   ::LoadFile \\be.conf is not a valid UNICODE format file"}},
      {u"\\nomark.conf", {"error:   ::LoadFile \\nomark.conf is not a valid UNICODE format file"}},
      {u"\\odd.conf", {"error:   ::LoadFile, \\odd.conf is not a valid UNICODE file, the length is 11"}},
      {u"\\one.conf", {"error:   ::LoadFile, \\one.conf is not a valid UNICODE file, the length is 1"}},
      {u"\\zero.conf", {"error:   ::LoadFile, \\zero.conf is not a valid UNICODE file, the length is 0"}},
      {u"\\missing.conf",
       {"error: \\missing.conf is not a valid packed file path",
        "error:   ::LoadFile, Call WceUiReadFile \\missing.conf fail"}},
      {u"\\noeq.conf",
       {"error:   ::ParseStr, PrePareLine(\\noeq.conf) fail", "error:   ::LoadFile, Parse \\noeq.conf fail"}},
      {u"\\eqfirst.conf",
       {"error:   ::ParseLineNoSlash, Parse \\eqfirst.conf fail 3",
        "error:   ::ParseStr, ParseLineNoSlash(\\eqfirst.conf) fail",
        "error:   ::LoadFile, Parse \\eqfirst.conf fail"}},
      {u"\\blankkey.conf",
       {"error:   ::ParseLineNoSlash, Parse \\blankkey.conf fail 2",
        "error:   ::ParseStr, ParseLineNoSlash(\\blankkey.conf) fail",
        "error:   ::LoadFile, Parse \\blankkey.conf fail"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WceWideToUtf8(c.m_pszFile));
    ClearLog();
    CFhConfDoc doc;
    EXPECT_FALSE(doc.LoadFile(c.m_pszFile, FALSE));
    EXPECT_FALSE(doc.IsLoaded());
    EXPECT_EQ(Value(doc, u"a"), "<none>");
    EXPECT_EQ(Messages(), c.m_Messages);
  }
}

TEST_F(CFhConfDocTest, LoneMarkLoadsEmptyAndALoadedDocumentNeedsClean) {
  WceUiPutTextFile(u"\\mark.conf", u"");
  WceUiPutTextFile(u"\\a.conf", u"a=1\n");
  CFhConfDoc doc;
  ASSERT_TRUE(doc.LoadFile(u"\\mark.conf", TRUE));
  EXPECT_EQ(Value(doc, u"a"), "<none>");
  EXPECT_FALSE(doc.LoadFile(u"\\a.conf", TRUE));
  EXPECT_EQ(Messages(), std::vector<std::string>{"error:   ::LoadFile(\\a.conf), already loaded"});
  doc.Clean();
  EXPECT_FALSE(doc.IsLoaded());
  ASSERT_TRUE(doc.LoadFile(u"\\a.conf", TRUE));
  EXPECT_EQ(Value(doc, u"a"), "1");
  ClearLog();
  EXPECT_FALSE(doc.LoadFile(nullptr, TRUE));
  EXPECT_EQ(Messages(), std::vector<std::string>{"error: CFhConfDoc::LoadFile,check(NULL != pFilePath)fail"});
}

TEST_F(CFhConfDocTest, ManyKeysAllFound) {
  std::u16string text;
  for (int i = 0; i < 3000; ++i)
    text += u"k" + WceUtf8ToWide(std::to_string(i)) + u"=v" + WceUtf8ToWide(std::to_string(i * 7)) + u"\r\n";
  WceUiPutTextFile(u"\\many.conf", text);
  CFhConfDoc doc;
  ASSERT_TRUE(doc.LoadFile(u"\\many.conf", FALSE));
  for (int i = 0; i < 3000; ++i) {
    std::u16string key = u"k" + WceUtf8ToWide(std::to_string(i));
    ASSERT_EQ(Value(doc, key.c_str()), "v" + std::to_string(i * 7)) << i;
  }
}

TEST(CWceUiStrMap, SetLookupRemoveAndWalk) {
  CWceUiStrMap map(3);
  EXPECT_EQ(map.GetHashTableSize(), 17u);
  std::u16string borrowed = u"borrowed";
  const struct {
    const char16_t* m_pszKey;
    intptr_t m_nValue;
  } entries[] = {{u"a", 1}, {u"A", 2}, {u"ab", 3}, {u"ba", 4}, {u"", 5}, {u"\u4E2D", 6}, {u"a", 7}};
  for (const auto& e : entries) {
    std::u16string copy = e.m_pszKey;
    EXPECT_TRUE(map.SetAt(copy.c_str(), reinterpret_cast<void*>(e.m_nValue), TRUE));
    copy.assign(copy.size(), u'#');  // the map holds its own copy
  }
  EXPECT_TRUE(map.SetAt(borrowed.c_str(), reinterpret_cast<void*>(8), FALSE));
  EXPECT_EQ(map.GetCount(), 7);
  const std::map<std::u16string, intptr_t> expected = {{u"a", 7}, {u"A", 2},      {u"ab", 3},      {u"ba", 4},
                                                       {u"", 5},  {u"\u4E2D", 6}, {u"borrowed", 8}};
  for (const auto& kv : expected) {
    void* value = nullptr;
    ASSERT_TRUE(map.Lookup(kv.first.c_str(), value)) << WceWideToUtf8(kv.first);
    EXPECT_EQ(reinterpret_cast<intptr_t>(value), kv.second);
  }
  void* value = nullptr;
  EXPECT_FALSE(map.Lookup(u"b", value));
  // The walk yields every element once, bucket by bucket.
  std::map<std::u16string, intptr_t> walked;
  UINT lastBucket = 0;
  WCEUI_POSITION pos = kWceUiStrMapStart;
  while (pos != nullptr) {
    LPCWSTR key = nullptr;
    map.GetNextAssoc(pos, key, value);
    UINT bucket = CWceUiStrMap::HashKey(key) % 17;
    EXPECT_GE(bucket, lastBucket);
    lastBucket = bucket;
    EXPECT_TRUE(walked.emplace(key, reinterpret_cast<intptr_t>(value)).second);
  }
  EXPECT_EQ(walked, expected);
  EXPECT_TRUE(map.RemoveKey(u"ab"));
  EXPECT_FALSE(map.RemoveKey(u"ab"));
  EXPECT_FALSE(map.Lookup(u"ab", value));
  EXPECT_EQ(map.GetCount(), 6);
  for (const char16_t* key : {u"a", u"A", u"ba", u"", u"\u4E2D", u"borrowed"})
    EXPECT_TRUE(map.RemoveKey(key));
  EXPECT_TRUE(map.IsEmpty());
  EXPECT_TRUE(map.SetAt(u"again", nullptr, TRUE));
  EXPECT_EQ(map.GetCount(), 1);
}

TEST(CWceUiStrMap, HashIsTimesThirtyThreePlusUnit) {
  EXPECT_EQ(CWceUiStrMap::HashKey(u""), 0u);
  EXPECT_EQ(CWceUiStrMap::HashKey(u"a"), 97u);
  EXPECT_EQ(CWceUiStrMap::HashKey(u"ab"), 97u * 33 + 98);
  DWORD h = 0;
  for (int i = 0; i < 20; ++i) h = h * 33 + 0xFFFF;  // wraps in 32 bits
  EXPECT_EQ(CWceUiStrMap::HashKey(std::u16string(20, u'\xFFFF').c_str()), h);
  CWceUiStrMap map;
  map.InitHashTable(0, FALSE);
  EXPECT_EQ(map.GetHashTableSize(), 17u);
  map.InitHashTable(97, TRUE);
  EXPECT_EQ(map.GetHashTableSize(), 97u);
}
