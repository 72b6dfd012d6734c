#include "phonelink/SyncImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Le(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}
void Add(std::vector<uint8_t>& v, const std::string& s) {
  v.insert(v.end(), s.begin(), s.end());
}
void Add(std::vector<uint8_t>& v, const std::vector<uint8_t>& b) {
  v.insert(v.end(), b.begin(), b.end());
}
std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> f(n);
  for (size_t i = 0; i < n; ++i) f[i] = static_cast<uint8_t>(i * 7 + 3);
  return f;
}
std::vector<uint32_t> Slices(uint32_t imageLength) {
  std::vector<uint32_t> sizes;
  uint32_t off, len;
  bool last = false;
  for (uint32_t i = 0; !last && SyncImage::Slice(imageLength, i, &off, &len, &last); ++i) {
    EXPECT_EQ(off, 4096u * i);
    sizes.push_back(len);
  }
  return sizes;
}

TEST(SyncImage, VtimImageBytesAndSlices) {
  std::vector<uint8_t> file = Pattern(10000);
  std::vector<uint8_t> image =
      SyncImage::Build("SEND    /data/local/tmp/vtim,33206DATA", file.data(), 10000, 0x55AE13B4, 12);
  std::vector<uint8_t> expected;
  Add(expected, "SEND");
  Add(expected, Le(26));
  Add(expected, "/data/local/tmp/vtim,33206");
  Add(expected, "DATA");
  Add(expected, Le(10000));
  Add(expected, file);
  Add(expected, "DONE");
  Add(expected, std::vector<uint8_t>{0xB4, 0x13, 0xAE, 0x55});
  expected.insert(expected.end(), 12, 0);
  ASSERT_EQ(image.size(), 10062u);
  EXPECT_EQ(image, expected);
  EXPECT_EQ(Slices(10062), (std::vector<uint32_t>{4096, 4096, 1870}));
}

TEST(SyncImage, JarAndHelperLengths) {
  std::vector<uint8_t> file = Pattern(300);
  EXPECT_EQ(
      SyncImage::Build("SEND    /data/local/tmp/vtim.jar,33206DATA", file.data(), 300, 0x55AE13B8, 8).size(),
      300u + 62u);
  EXPECT_EQ(SyncImage::Build("SEND    /data/local/tmp/vtsc,33206DATA", file.data(), 300, 0, 8).size(),
            300u + 58u);
  char header[300];
  SyncImage::MakeHeader(header, sizeof(header), "/data/local/tmp/vtim.jar");
  EXPECT_STREQ(header, "SEND    /data/local/tmp/vtim.jar,33206DATA");
}

TEST(SyncImage, ImageOfWholeSlicesEndsWithAnEmptySlice) {
  std::vector<uint8_t> file = Pattern(8192 - 58);
  std::vector<uint8_t> image = SyncImage::Build("SEND    /data/local/tmp/vtsc,33206DATA", file.data(),
                                                static_cast<uint32_t>(file.size()), 0, 8);
  ASSERT_EQ(image.size(), 8192u);
  EXPECT_EQ(Slices(8192), (std::vector<uint32_t>{4096, 4096, 0}));
}

TEST(SyncImage, FilesAbove64KiBGetSeveralDataRecords) {
  const uint32_t size = 65536 + 34464;
  std::vector<uint8_t> file = Pattern(size);
  std::vector<uint8_t> image =
      SyncImage::Build("SEND    /data/local/tmp/vtsc,33206DATA", file.data(), size, 0, 8);
  std::vector<uint8_t> expected;
  Add(expected, "SEND");
  Add(expected, Le(26));
  Add(expected, "/data/local/tmp/vtsc,33206");
  Add(expected, "DATA");
  Add(expected, Le(65536));
  expected.insert(expected.end(), file.begin(), file.begin() + 65536);
  Add(expected, "DATA");
  Add(expected, Le(34464));
  expected.insert(expected.end(), file.begin() + 65536, file.end());
  Add(expected, "DONE");
  Add(expected, Le(0));
  expected.insert(expected.end(), 8, 0);
  EXPECT_EQ(image, expected);
  // Exactly 64 KiB is still one record.
  std::vector<uint8_t> one =
      SyncImage::Build("SEND    /data/local/tmp/vtsc,33206DATA", file.data(), 65536, 0, 8);
  EXPECT_EQ(one.size(), 65536u + 58u);
}

TEST(SyncImage, EmptyFileHasOneEmptyDataRecord) {
  std::vector<uint8_t> image = SyncImage::Build("SEND    /data/local/tmp/vtsc,33206DATA", nullptr, 0, 0, 8);
  ASSERT_EQ(image.size(), 58u);
  EXPECT_EQ(0, std::memcmp(image.data() + 34, "DATA\0\0\0\0DONE", 12));
}

}  // namespace
