#include "platform/kernel/hal.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class HalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "hal-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_root = tmpl;
    wce::SetRootDir(m_root);
  }
  void TearDown() override { std::filesystem::remove_all(m_root); }

  void WritePlatformFile(const std::string& text) {
    const std::filesystem::path path = wce::HostPath(wce::PlatformRecordCePath());
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

  std::string m_root;
};

// UTF-16LE text at a byte offset of an expected record.
void Put(std::vector<BYTE>& record, size_t offset, const std::u16string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    record[offset + 2 * i] = static_cast<BYTE>(text[i] & 0xFF);
    record[offset + 2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
  }
}

TEST_F(HalTest, RecordHoldsTheStringsAtTheirOffsets) {
  WritePlatformFile(
      "board=MSB2531\ncpu_abi=armeabi\r\ncatalog = T3 \ndevice=\xE6\xB5\x8B\xE8\xAF\x95\nother=x\n");
  std::vector<BYTE> record(PLATFORM_RECORD_SIZE, 0xAA);
  DWORD returned = 0;
  ASSERT_TRUE(KernelIoControl(0x01010064, nullptr, 0, record.data(), 576, &returned));
  EXPECT_EQ(returned, 576u);

  std::vector<BYTE> expected(576, 0);
  Put(expected, 2, u"armeabi");
  Put(expected, 84, u"MSB2531");
  Put(expected, 166, u"T3");
  expected[366] = 0x4B;  // 测 U+6D4B
  expected[367] = 0x6D;
  expected[368] = 0xD5;  // 试 U+8BD5
  expected[369] = 0x8B;
  EXPECT_EQ(record, expected);
}

TEST_F(HalTest, LongStringsAreCutInsideTheirRoom) {
  const std::string board(60, 'b');
  const std::string device(200, 'd');
  WritePlatformFile("board=" + board + "\ncatalog=" + std::string(150, 'c') + "\ndevice=" + device + "\n");
  std::vector<BYTE> record(576, 0xAA);
  ASSERT_TRUE(KernelIoControl(0x01010064, nullptr, 0, record.data(), 576, nullptr));

  std::vector<BYTE> expected(576, 0);
  Put(expected, 84, std::u16string(40, u'b'));    // 82 bytes: 40 characters and the NUL
  Put(expected, 166, std::u16string(99, u'c'));   // 200 bytes
  Put(expected, 366, std::u16string(104, u'd'));  // 210 bytes
  EXPECT_EQ(record, expected);
}

TEST_F(HalTest, QueryFailures) {
  std::vector<BYTE> record(576);
  DWORD returned = 0;
  SetLastError(0);
  EXPECT_FALSE(KernelIoControl(0x01010064, nullptr, 0, record.data(), 576, &returned));  // no platform file
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));

  WritePlatformFile("board=MSB\n");
  SetLastError(0);
  EXPECT_FALSE(KernelIoControl(0x01010064, nullptr, 0, record.data(), 575, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(returned, 576u);
  SetLastError(0);
  EXPECT_FALSE(KernelIoControl(0x01010068, nullptr, 0, record.data(), 576, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(KernelIoControl(0x01010064, nullptr, 0, record.data(), 576, &returned));
}

}  // namespace
