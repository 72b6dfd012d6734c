// The pack item expander: zlib streams made here by zlib itself come back byte for byte, and every
// way a stream or a destination can be wrong is refused with a result other than 0.
#include "platform/uiruntime/uiruntime.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

std::vector<BYTE> Compress(const std::string& text) {
  uLongf len = compressBound(text.size());
  std::vector<BYTE> out(len);
  EXPECT_EQ(compress2(out.data(), &len, reinterpret_cast<const Bytef*>(text.data()), text.size(), 9), Z_OK);
  out.resize(len);
  return out;
}

std::string Sample() {
  std::string s;
  for (int i = 0; i < 5000; ++i) s.push_back(static_cast<char>((i * 7919) % 251));
  return s;
}

}  // namespace

TEST(UiZuncompress, ExpandsIntoDestinationOfExactOrLargerSize) {
  const std::string text = Sample();
  const std::vector<BYTE> z = Compress(text);
  for (size_t extra : {size_t(0), size_t(1), size_t(100)}) {
    std::vector<BYTE> dst(text.size() + extra, 0xAA);
    DWORD len = static_cast<DWORD>(dst.size());
    ASSERT_EQ(WceUiZuncompress(dst.data(), &len, z.data(), static_cast<DWORD>(z.size())), kUiZOk) << extra;
    EXPECT_EQ(len, text.size());
    EXPECT_EQ(std::string(dst.begin(), dst.begin() + len), text);
  }
}

TEST(UiZuncompress, EmptyItemExpandsToNothing) {
  const std::vector<BYTE> z = Compress("");
  DWORD len = 0;
  EXPECT_EQ(WceUiZuncompress(nullptr, &len, z.data(), static_cast<DWORD>(z.size())), kUiZOk);
  EXPECT_EQ(len, 0u);
}

TEST(UiZuncompress, RefusesBadStreamsAndArguments) {
  const std::string text = Sample();
  const std::vector<BYTE> z = Compress(text);
  std::vector<BYTE> flipped = z;
  flipped[flipped.size() / 2] ^= 0x5A;
  std::vector<BYTE> badTrailer = z;
  badTrailer.back() ^= 1;  // the Adler-32 check of the stream
  const std::vector<BYTE> garbage = {'n', 'o', 't', ' ', 'z', 'l', 'i', 'b'};
  struct Case {
    const char* name;
    std::vector<BYTE> src;
    DWORD srcLen;
    DWORD capacity;
    int expected;
  } cases[] = {
      {"destination one byte short", z, DWORD(z.size()), DWORD(text.size() - 1), kUiZBufferTooSmall},
      {"stream cut in the middle", z, DWORD(z.size() / 2), DWORD(text.size()), kUiZBadData},
      {"stream without its last byte", z, DWORD(z.size() - 1), DWORD(text.size()), kUiZBadData},
      {"no stream at all", z, 0, DWORD(text.size()), kUiZBadData},
      {"a byte changed", flipped, DWORD(flipped.size()), DWORD(text.size() + 16), kUiZBadData},
      {"checksum changed", badTrailer, DWORD(badTrailer.size()), DWORD(text.size()), kUiZBadData},
      {"not zlib", garbage, DWORD(garbage.size()), 64, kUiZBadData},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> dst(c.capacity + 1);
    DWORD len = c.capacity;
    EXPECT_EQ(WceUiZuncompress(dst.data(), &len, c.src.data(), c.srcLen), c.expected) << c.name;
    EXPECT_EQ(len, 0u) << c.name;
  }
  DWORD len = 10;
  BYTE dst[10];
  EXPECT_EQ(WceUiZuncompress(dst, nullptr, z.data(), DWORD(z.size())), kUiZBadArgument);
  EXPECT_EQ(WceUiZuncompress(nullptr, &len, z.data(), DWORD(z.size())), kUiZBadArgument);
  EXPECT_EQ(WceUiZuncompress(dst, &len, nullptr, 4), kUiZBadArgument);
}
