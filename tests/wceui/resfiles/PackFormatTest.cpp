// The pack writer's bytes read field by field at the offsets of the layout, the items expanded by
// zlib itself, and the key and scramble rules the reader and writer share.
#include "tools/mkpack/CPackWriter.h"
#include "wceui/resfiles/WceUiPackFormat.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

DWORD Word(const std::string& s, size_t at) {
  return DWORD(BYTE(s[at])) | DWORD(BYTE(s[at + 1])) << 8 | DWORD(BYTE(s[at + 2])) << 16 |
         DWORD(BYTE(s[at + 3])) << 24;
}

std::u16string Name(const std::string& s, size_t at) {
  std::u16string out;
  for (;; at += 2) {
    char16_t c = char16_t(BYTE(s[at]) | BYTE(s[at + 1]) << 8);
    if (c == 0) return out;
    out.push_back(c);
  }
}

std::string Unscrambled(const std::string& pack, LPCWSTR password) {
  std::string block = pack.substr(12, Word(pack, 4) - 12);
  FhScramblePackIndex(reinterpret_cast<BYTE*>(&block[0]), DWORD(block.size()), FhPackKey(password));
  return block;
}

std::string Expand(const std::string& pack, DWORD offset, DWORD stored, DWORD expanded) {
  std::string out(expanded, '\0');
  uLongf len = expanded;
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(&out[0]), &len,
                       reinterpret_cast<const Bytef*>(pack.data() + offset), stored),
            Z_OK);
  EXPECT_EQ(len, expanded);
  return out;
}

}  // namespace

TEST(PackFormat, WriterLaysOutHeaderIndexAndItems) {
  CPackWriter writer;
  std::string error;
  // Added out of order and in mixed case: the index holds lower-case names in code-unit order
  // ("_" 0x5F sorts between upper and lower case letters, so folding must come before sorting).
  ASSERT_TRUE(writer.AddItem(u"Wnd/Main.XML", "<a/>", &error));
  ASSERT_TRUE(writer.AddItem(u"res\\bitmap\\B_1.conf", std::string(700, 'x'), &error));
  ASSERT_TRUE(writer.AddItem(u"RES/Bitmap/a.bmp", "", &error));
  ASSERT_TRUE(writer.AddItem(u"res\\bitmap\\Zeta", std::string("\0\1\2", 3), &error));
  std::string pack;
  ASSERT_TRUE(writer.Build(u"secret", &pack, &error)) << error;

  const DWORD indexEnd = Word(pack, 4);
  ASSERT_GE(pack.size(), indexEnd);
  const std::string block = Unscrambled(pack, u"secret");
  EXPECT_EQ(Word(block, 0), Word(pack, 8)) << "the index starts with the header's stamp";
  ASSERT_EQ(Word(block, 4), 4u);
  const DWORD L = Word(block, 12);
  ASSERT_GT(L, 0u);
  ASSERT_LT(L, 260u);
  EXPECT_EQ(Name(block, 16).size() + 1, L);

  const struct {
    std::u16string m_strName;
    std::string m_strContents;
  } expected[] = {
      {u"res\\bitmap\\a.bmp", ""},
      {u"res\\bitmap\\b_1.conf", std::string(700, 'x')},
      {u"res\\bitmap\\zeta", std::string("\0\1\2", 3)},
      {u"wnd\\main.xml", "<a/>"},
  };
  size_t pos = 16 + 2 * L;
  DWORD dataEnd = indexEnd;
  for (const auto& e : expected) {
    ASSERT_LT(pos + 28, block.size());
    const DWORD size = Word(block, pos);
    EXPECT_GE(size, 28 + 2 * (e.m_strName.size() + 1));
    EXPECT_EQ(Name(block, pos + 28), e.m_strName);
    const DWORD expanded = Word(block, pos + 8), stored = Word(block, pos + 12),
                offset = Word(block, pos + 16);
    EXPECT_EQ(expanded, e.m_strContents.size());
    EXPECT_EQ(offset, dataEnd) << "items follow the index in record order";
    ASSERT_LE(offset + stored, pack.size());
    EXPECT_EQ(Expand(pack, offset, stored, expanded), e.m_strContents);
    dataEnd = offset + stored;
    pos += size;
  }
  EXPECT_EQ(pos, block.size());
  EXPECT_EQ(dataEnd, pack.size());
}

TEST(PackFormat, WriterRefusesNamesThatClashOrAreEmpty) {
  CPackWriter writer;
  std::string error;
  EXPECT_TRUE(writer.AddItem(u"Wnd/Main.xml", "1", &error));
  EXPECT_FALSE(writer.AddItem(u"wnd\\MAIN.XML", "2", &error));
  EXPECT_NE(error.find("wnd\\main.xml"), std::string::npos) << error;
  EXPECT_FALSE(writer.AddItem(u"", "3", &error));
  EXPECT_EQ(writer.GetCount(), 1u);
}

TEST(PackFormat, StampFollowsTheContents) {
  std::string packs[3];
  const char* contents[3] = {"one", "one", "two"};
  for (int i = 0; i < 3; ++i) {
    CPackWriter writer;
    std::string error;
    ASSERT_TRUE(writer.AddItem(u"a.txt", contents[i], &error));
    ASSERT_TRUE(writer.Build(u"pw", &packs[i], &error));
  }
  EXPECT_EQ(Word(packs[0], 8), Word(packs[1], 8));
  EXPECT_NE(Word(packs[0], 8), Word(packs[2], 8));
}

TEST(PackFormat, KeyAndScramble) {
  EXPECT_EQ(FhPackKey(nullptr), FhPackKey(u""));
  const char16_t* passwords[] = {u"", u"a", u"b", u"ab", u"ba", u"secret", u"Secret", u"\u4E2D\u6587"};
  for (const char16_t* a : passwords) {
    for (const char16_t* b : passwords) {
      if (a != b) {
        EXPECT_NE(FhPackKey(a), FhPackKey(b));
      }
    }
  }
  // Its own inverse on whole words; a tail of 1 to 3 bytes stays as stored.
  for (DWORD len : {0u, 3u, 4u, 9u, 64u, 66u}) {
    std::vector<BYTE> data(len);
    for (DWORD i = 0; i < len; ++i) data[i] = BYTE(i * 37 + 1);
    std::vector<BYTE> work = data;
    FhScramblePackIndex(work.data(), len, FhPackKey(u"k"));
    for (DWORD i = len & ~3u; i < len; ++i) EXPECT_EQ(work[i], data[i]) << len;
    if (len >= 4) {
      EXPECT_NE(work, data) << len;
    }
    FhScramblePackIndex(work.data(), len, FhPackKey(u"k"));
    EXPECT_EQ(work, data) << len;
  }
  // The key 0 must scramble too (a xorshift generator seeded with 0 would give zeros).
  for (DWORD key : {0u, 0xA5C3E1F7u}) {
    std::vector<BYTE> zeros(8, 0);
    FhScramblePackIndex(zeros.data(), 8, key);
    EXPECT_NE(zeros, std::vector<BYTE>(8, 0)) << key;
  }
}

TEST(PackFormat, ListPrintsTheIndexAndRefusesAWrongPassword) {
  CPackWriter writer;
  std::string error, pack;
  ASSERT_TRUE(writer.AddItem(u"B.txt", "bee", &error));
  ASSERT_TRUE(writer.AddItem(u"a.txt", "", &error));
  ASSERT_TRUE(writer.Build(u"pw", &pack, &error));
  char* text = nullptr;
  size_t len = 0;
  FILE* out = open_memstream(&text, &len);
  EXPECT_FALSE(CPackWriter::List(pack, u"pW", out, &error));
  EXPECT_NE(error.find("wrong password"), std::string::npos) << error;
  ASSERT_TRUE(CPackWriter::List(pack, u"pw", out, &error)) << error;
  std::fclose(out);
  const std::string listing(text, len);
  std::free(text);
  EXPECT_NE(listing.find("2 items"), std::string::npos) << listing;
  const size_t a = listing.find(" a.txt\n"), b = listing.find(" b.txt\n");
  EXPECT_NE(a, std::string::npos) << listing;
  EXPECT_NE(b, std::string::npos) << listing;
  EXPECT_LT(a, b);
}
