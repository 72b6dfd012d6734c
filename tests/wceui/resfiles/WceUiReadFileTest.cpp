// Reading plain files and pack items through WceUiReadFile: the packs are made by the pack writer
// at run time under the test's device root; corrupt packs are made from good ones by changing one
// field of the header or of the unscrambled index.
#include "platform/kernel/wcestr.h"
#include "platform/kernel/KernelHooks.h"
#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/support/WceUiTestFiles.h"
#include "tools/mkpack/CPackWriter.h"
#include "wceui/resfiles/CWceUiPackFile.h"
#include "wceui/resfiles/WceUiPackFormat.h"
#include "wceui/resfiles/WceUiReadFile.h"

#include <functional>
#include <memory>

namespace {

const char16_t kPassword[] = u"Lotus-7";

struct Item {
  std::u16string m_strName;
  std::string m_strBytes;
};

std::string MakePack(const std::vector<Item>& items, LPCWSTR password = kPassword) {
  CPackWriter writer;
  std::string error, pack;
  for (const Item& item : items)
    EXPECT_TRUE(writer.AddItem(item.m_strName, item.m_strBytes, &error)) << error;
  EXPECT_TRUE(writer.Build(password, &pack, &error)) << error;
  return pack;
}

std::string Read(LPCWSTR path, LPCWSTR password = kPassword) {
  DWORD size = 12345;
  std::unique_ptr<BYTE[]> buffer(WceUiReadFile(path, &size, password));
  if (buffer == nullptr) {
    EXPECT_EQ(size, 0u);
    return "<none>";
  }
  return std::string(reinterpret_cast<const char*>(buffer.get()), size);
}

DWORD Word(const std::string& s, size_t at) {
  return FhReadPackDword(reinterpret_cast<const BYTE*>(s.data() + at));
}
void SetWord(std::string& s, size_t at, DWORD value) {
  FhWritePackDword(reinterpret_cast<BYTE*>(&s[at]), value);
}

// Changes the unscrambled index of a pack; the function gets the block and the offset of the
// first record.
std::string WithIndex(std::string pack, const std::function<void(std::string&, size_t)>& change) {
  DWORD indexEnd = Word(pack, kPackHeaderIndexEndOffset);
  std::string block = pack.substr(kPackHeaderSize, indexEnd - kPackHeaderSize);
  DWORD key = FhPackKey(kPassword);
  FhScramblePackIndex(reinterpret_cast<BYTE*>(&block[0]), DWORD(block.size()), key);
  change(block, kPackIndexStringOffset + 2 * Word(block, kPackIndexStringLenOffset));
  FhScramblePackIndex(reinterpret_cast<BYTE*>(&block[0]), DWORD(block.size()), key);
  return pack.replace(kPackHeaderSize, block.size(), block);
}

const std::vector<Item> kItems = {
    {u"wnd/main.xml", "<main/>"},
    {u"res/bitmap/ok.conf", std::string(3000, 'k')},
    {u"res/font/f1", "face"},
    {u"language/ChineseGB.ini", ""},
};

class WceUiReadFileTest : public WceUiTestRoot {
 protected:
  bool Logged(const std::string& message) {
    for (const std::string& m : Messages()) {
      if (m == "error: " + message) return true;
    }
    return false;
  }
  std::string AllMessages() {
    std::string all;
    for (const std::string& m : Messages()) all += m + "\n";
    return all;
  }
};

}  // namespace

TEST_F(WceUiReadFileTest, PlainFilesAndDirectories) {
  WceUiPutFile(u"\\Res\\plain.bin", std::string("a\0b", 3));
  WceUiPutFile(u"\\Res\\empty.bin", "");
  EXPECT_EQ(Read(u"\\Res\\plain.bin"), std::string("a\0b", 3));
  EXPECT_EQ(Read(u"\\Res/plain.bin"), std::string("a\0b", 3));
  EXPECT_EQ(Read(u"\\Res\\empty.bin"), "");
  EXPECT_EQ(Read(u"\\Res"), "<none>");
  EXPECT_TRUE(Logged("WceUiReadFile failed, \\Res is a directory")) << AllMessages();
  ClearLog();
  EXPECT_EQ(Read(u"\\Res\\missing.bin"), "<none>");
  EXPECT_TRUE(Logged("\\Res\\missing.bin is not a valid packed file path")) << AllMessages();
}

TEST_F(WceUiReadFileTest, SplitsAtTheFirstPackMark) {
  const struct {
    const char16_t* m_pszPath;
    BOOL m_bOk;
    const char16_t* m_pszPack;
    const char16_t* m_pszItem;
  } cases[] = {
      {u"\\Res\\ui.pack\\wnd\\main.xml", 1, u"\\Res\\ui.pack", u"wnd\\main.xml"},
      {u"Res.pack\\Wnd/Main.XML", 1, u"Res.pack", u"Wnd/Main.XML"},
      {u"a.pack\\b.pack\\c", 1, u"a.pack", u"b.pack\\c"},
      {u"\\Res\\ui.pack\\", 0, nullptr, nullptr},
      {u".pack\\wnd\\main.xml", 0, nullptr, nullptr},
      {u"\\Res\\ui.PACK\\main.xml", 0, nullptr, nullptr},
      {u"\\Res\\ui.pack", 0, nullptr, nullptr},
      {u"\\Res\\ui.pack/main.xml", 0, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    WCHAR pack[MAX_PATH] = u"x";
    WCHAR item[MAX_PATH] = u"x";
    ASSERT_EQ(WceUiSplitPackPath(c.m_pszPath, pack, item), c.m_bOk) << WceWideToUtf8(c.m_pszPath);
    if (c.m_bOk) {
      EXPECT_EQ(std::u16string(pack), c.m_pszPack);
      EXPECT_EQ(std::u16string(item), c.m_pszItem);
    }
  }
  // Parts that do not fit a path buffer do not split either.
  std::u16string longItem = u"a.pack\\" + std::u16string(MAX_PATH, u'x');
  std::u16string longPack = std::u16string(MAX_PATH, u'x') + u".pack\\a";
  WCHAR pack[MAX_PATH], item[MAX_PATH];
  EXPECT_EQ(WceUiSplitPackPath(longItem.c_str(), pack, item), 0);
  EXPECT_EQ(WceUiSplitPackPath(longPack.c_str(), pack, item), 0);
}

TEST_F(WceUiReadFileTest, ReadsItemsByAnyCaseAndSeparator) {
  WceUiPutFile(u"\\Res\\Res.pack", MakePack(kItems));
  EXPECT_EQ(Read(u"\\Res\\Res.pack\\Wnd/Main.XML"), "<main/>");
  EXPECT_EQ(Read(u"\\Res\\Res.pack\\res\\bitmap\\OK.conf"), std::string(3000, 'k'));
  EXPECT_EQ(Read(u"\\Res\\Res.pack\\language\\chinesegb.ini"), "");
  EXPECT_EQ(Read(u"\\Res\\Res.pack\\res\\font\\f1"), "face");
  // The cache key is folded; the pack is one object whatever the case of its path.
  EXPECT_EQ(Read(u"\\RES\\RES.pack\\res/font/F1"), "<none>") << "the host's file system tells case apart";
  EXPECT_EQ(WceUiGetGlobals()->GetPackCache()->GetCount(), 1);
  EXPECT_TRUE(Messages().size() == 1 && Logged("\\RES\\RES.pack is not a valid packed file"))
      << AllMessages();
}

TEST_F(WceUiReadFileTest, PlainFileWinsOverThePack) {
  // The same path names a pack item once the pack is there, and a plain file once a folder of the
  // pack's name holds it; the plain file is read and the pack cache is not asked.
  WceUiPutFile(u"\\Res\\ui.pack", MakePack(kItems));
  EXPECT_EQ(Read(u"\\Res\\ui.pack\\wnd\\main.xml"), "<main/>");
  std::filesystem::remove(wce::HostPath(u"\\Res\\ui.pack"));
  WceUiPutFile(u"\\Res\\ui.pack\\wnd\\main.xml", "<plain/>");
  EXPECT_EQ(Read(u"\\Res\\ui.pack\\wnd\\main.xml"), "<plain/>");
  EXPECT_TRUE(Messages().empty()) << AllMessages();
  EXPECT_EQ(Read(u"\\Res\\ui.pack\\res\\font\\f1"), "<none>") << "ui.pack is now a folder";
  EXPECT_TRUE(Logged("\\Res\\ui.pack is not a valid packed file")) << AllMessages();
}

TEST_F(WceUiReadFileTest, WrongPasswordThenTheRightOne) {
  WceUiPutFile(u"\\ui.pack", MakePack(kItems));
  const char16_t* wrong[] = {u"lotus-7", u"", nullptr, u"Lotus-7 "};
  for (const char16_t* password : wrong) {
    ClearLog();
    EXPECT_EQ(Read(u"\\ui.pack\\res\\font\\f1", password), "<none>");
    EXPECT_TRUE(Logged("load \\ui.pack failed, wrong password?") ||
                Logged("load \\ui.pack failed2, wrong password?"))
        << AllMessages();
  }
  EXPECT_EQ(Read(u"\\ui.pack\\res\\font\\f1"), "face");
  EXPECT_EQ(Read(u"\\ui.pack\\res\\font\\f1", u"wrong"), "<none>") << "a new password reloads the index";
  EXPECT_EQ(Read(u"\\ui.pack\\res\\font\\f1"), "face");
}

TEST_F(WceUiReadFileTest, MissingItemsAndPacks) {
  WceUiPutFile(u"\\ui.pack", MakePack(kItems));
  WceUiPutFile(u"\\none.pack", MakePack({}));
  const struct {
    const char16_t* m_pszPath;
    const char* m_pszMessage;
  } cases[] = {
      {u"\\ui.pack\\res\\bitmap\\ok", "Can not find the item res\\bitmap\\ok in \\ui.pack"},
      {u"\\ui.pack\\res\\bitmap\\ok.confx", "Can not find the item res\\bitmap\\ok.confx in \\ui.pack"},
      {u"\\ui.pack\\res\\c", "Can not find the item res\\c in \\ui.pack"},  // between two records
      {u"\\ui.pack\\a", "Can not find the item a in \\ui.pack"},            // before the first
      {u"\\ui.pack\\zz", "Can not find the item zz in \\ui.pack"},          // after the last
      {u"\\ui.pack\\\\wnd\\main.xml", "Can not find the item \\wnd\\main.xml in \\ui.pack"},
      {u"\\none.pack\\wnd\\main.xml", "Can not find the item wnd\\main.xml in \\none.pack"},
      {u"\\gone.pack\\wnd\\main.xml", "\\gone.pack is not a valid packed file"},
      {u"\\gone.pack\\", "\\gone.pack\\ is not a valid packed file path"},
  };
  for (const auto& c : cases) {
    ClearLog();
    EXPECT_EQ(Read(c.m_pszPath), "<none>") << c.m_pszMessage;
    EXPECT_TRUE(Logged(c.m_pszMessage)) << AllMessages();
  }
}

TEST_F(WceUiReadFileTest, UnchangedPackKeepsItsIndexAndAChangedStampReloadsIt) {
  const std::string pack = MakePack(kItems);
  WceUiPutFile(u"\\ui.pack", pack);
  EXPECT_EQ(Read(u"\\ui.pack\\wnd\\main.xml"), "<main/>");
  // The index on disk is spoilt behind an unchanged header: the kept index still serves.
  std::string spoilt = pack;
  for (size_t i = kPackHeaderSize; i < Word(pack, kPackHeaderIndexEndOffset); ++i) spoilt[i] = char(0xEE);
  WceUiPutFile(u"\\ui.pack", spoilt);
  EXPECT_EQ(Read(u"\\ui.pack\\wnd\\main.xml"), "<main/>");
  // A new stamp makes the reader read the index again, and now it is refused.
  SetWord(spoilt, kPackHeaderStampOffset, Word(pack, kPackHeaderStampOffset) + 1);
  WceUiPutFile(u"\\ui.pack", spoilt);
  EXPECT_EQ(Read(u"\\ui.pack\\wnd\\main.xml"), "<none>");
  // A pack rewritten with other contents is read anew.
  WceUiPutFile(u"\\ui.pack", MakePack({{u"wnd/main.xml", "<new/>"}}));
  EXPECT_EQ(Read(u"\\ui.pack\\wnd\\main.xml"), "<new/>");
  // A pack cut to less than its header, once loaded, fails and is cleared.
  WceUiPutFile(u"\\ui.pack", "short");
  EXPECT_EQ(Read(u"\\ui.pack\\wnd\\main.xml"), "<none>");
  EXPECT_TRUE(Logged("ReadFile \\ui.pack failed")) << AllMessages();
}

TEST_F(WceUiReadFileTest, CorruptPacksAreRefused) {
  const std::string good = MakePack(kItems);
  const DWORD indexEnd = Word(good, kPackHeaderIndexEndOffset);
  const auto header = [&](size_t at, DWORD value) {
    std::string p = good;
    SetWord(p, at, value);
    return p;
  };
  const auto index = [&](const std::function<void(std::string&, size_t)>& change) {
    return WithIndex(good, change);
  };
  // Records in name order: language\chinesegb.ini, res\bitmap\ok.conf, res\font\f1, wnd\main.xml.
  const auto record = [](std::string& b, size_t first, int n) {
    size_t at = first;
    for (int i = 0; i < n; ++i) at += Word(b, at + kPackRecordSizeOffset);
    return at;
  };
  const struct {
    const char* m_pszName;
    std::string m_strPack;
  } cases[] = {
      {"empty file", ""},
      {"header cut", good.substr(0, 11)},
      {"header only", good.substr(0, 12)},
      {"index cut", good.substr(0, indexEnd - 1)},
      {"last item cut", good.substr(0, good.size() - 1)},
      {"index size 0", header(kPackHeaderIndexEndOffset, 0)},
      {"index size below its fixed part", header(kPackHeaderIndexEndOffset, kPackHeaderSize + 15)},
      {"index size past the file", header(kPackHeaderIndexEndOffset, DWORD(good.size() + 1))},
      {"index size 4 GiB", header(kPackHeaderIndexEndOffset, 0xFFFFFFFFu)},
      {"string length 0", index([](std::string& b, size_t) { SetWord(b, kPackIndexStringLenOffset, 0); })},
      {"string length 260",
       index([](std::string& b, size_t) { SetWord(b, kPackIndexStringLenOffset, 260); })},
      {"string not terminated", index([](std::string& b, size_t first) { b[first - 2] = 'x'; })},
      {"count -1", index([](std::string& b, size_t) { SetWord(b, kPackIndexCountOffset, 0xFFFFFFFFu); })},
      {"count 2^31 - 1",
       index([](std::string& b, size_t) { SetWord(b, kPackIndexCountOffset, 0x7FFFFFFFu); })},
      {"count one more", index([](std::string& b, size_t) { SetWord(b, kPackIndexCountOffset, 5); })},
      {"record size 0", index([&](std::string& b, size_t f) { SetWord(b, record(b, f, 1), 0); })},
      {"record size 29", index([&](std::string& b, size_t f) { SetWord(b, record(b, f, 1), 29); })},
      {"record size odd", index([&](std::string& b, size_t f) {
         size_t at = record(b, f, 1);
         SetWord(b, at, Word(b, at) + 1);
       })},
      {"record past the block", index([&](std::string& b, size_t f) {
         size_t at = record(b, f, 3);
         SetWord(b, at, Word(b, at) + 4);
       })},
      {"name not terminated", index([&](std::string& b, size_t f) {
         size_t at = record(b, f, 3);
         for (size_t i = at + kPackRecordNameOffset; i < b.size(); ++i) b[i] = 'x';
       })},
      {"data before the end of the index", index([&](std::string& b, size_t f) {
         SetWord(b, record(b, f, 2) + kPackRecordDataOffset, indexEnd - 1);
       })},
      {"data past the file", index([&](std::string& b, size_t f) {
         SetWord(b, record(b, f, 0) + kPackRecordDataOffset, DWORD(good.size()));
       })},
      {"stored size wraps 32 bits", index([&](std::string& b, size_t f) {
         SetWord(b, record(b, f, 1) + kPackRecordStoredOffset, 0xFFFFFFF0u);
       })},
      {"names out of order", index([&](std::string& b, size_t f) {
         b[record(b, f, 2) + kPackRecordNameOffset] = 'z';  // res\font\f1 -> zes\font\f1
       })},
      {"names repeated", index([&](std::string& b, size_t f) {
         // wnd\main.xml becomes res\font\f1, the name of the record before it.
         size_t name = record(b, f, 3) + kPackRecordNameOffset;
         b.replace(name, 24, WceUiUtf16LeBytes(u"res\\font\\f1") + std::string(2, '\0'));
       })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    WceUiGetGlobals()->Reset();
    ClearLog();
    WceUiPutFile(u"\\bad.pack", c.m_strPack);
    for (const char16_t* item : {u"\\bad.pack\\res\\font\\f1", u"\\bad.pack\\wnd\\main.xml"}) {
      EXPECT_EQ(Read(item), "<none>");
    }
    const std::vector<std::string> messages = Messages();
    ASSERT_FALSE(messages.empty());
    const char* expected = std::string(c.m_pszName).find("string") == 0
                               ? "error: load \\bad.pack failed2, wrong password?"
                           : std::string(c.m_pszName).find("header cut") == 0 || c.m_strPack.empty()
                               ? "error: ReadFile failed \\bad.pack"
                               : "error: load \\bad.pack failed, the pack is corrupt";
    EXPECT_EQ(messages[0].rfind(expected, 0), 0u) << messages[0];
    CWceUiPackFile pack(u"\\bad.pack");
    EXPECT_FALSE(pack.LoadIndex(kPassword));
    EXPECT_FALSE(pack.IsLoaded());
    EXPECT_EQ(pack.GetCount(), 0);
  }
}

TEST_F(WceUiReadFileTest, ItemsThatDoNotExpandToTheirSize) {
  const std::string good = MakePack(kItems);
  const auto sized = [&](int n, DWORD delta) {
    return WithIndex(good, [&](std::string& b, size_t at) {
      for (int i = 0; i < n; ++i) at += Word(b, at);
      SetWord(b, at + kPackRecordExpandedOffset, Word(b, at + kPackRecordExpandedOffset) + delta);
    });
  };
  std::string damaged = good;
  DWORD dataAt = 0;
  WithIndex(good, [&](std::string& b, size_t at) {
    at += Word(b, at);  // res\bitmap\ok.conf
    dataAt = Word(b, at + kPackRecordDataOffset);
  });
  damaged[dataAt + 4] ^= 0x55;
  const struct {
    const char* m_pszName;
    std::string m_strPack;
  } cases[] = {
      {"index says one byte more", sized(1, 1)},
      {"index says one byte less", sized(1, DWORD(-1))},
      {"data changed", damaged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    WceUiGetGlobals()->Reset();
    ClearLog();
    WceUiPutFile(u"\\bad.pack", c.m_strPack);
    EXPECT_EQ(Read(u"\\bad.pack\\res\\bitmap\\ok.conf"), "<none>");
    EXPECT_TRUE(Logged("uncompress failed for res\\bitmap\\ok.conf in \\bad.pack")) << AllMessages();
    EXPECT_EQ(Read(u"\\bad.pack\\wnd\\main.xml"), "<main/>") << "the other items still read";
  }
}
