#include "services/DeviceGuid.h"

#include "services/CIniFile.h"
#include "services/CorvaneConfig.h"
#include "tests/services/ServicesTestRoot.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char16_t kIni[] = u"\\SDMMC\\CECorvane\\corvane_public.ini";
const char16_t kPlatform[] = u"\\Windows\\platform.ini";

// Where the identifier is kept: 1 the registry, 2 the INI file.
class DeviceGuidTest : public ServicesTestRoot, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    ServicesTestRoot::SetUp();
    g_CorvaneConfig.m_nCustomer = GetParam();
    SetBoard("B1");
  }
  static void SetBoard(const std::string& board) {
    Put(kPlatform, "board=" + board + "\ndevice=D1\ncatalog=C1\n");
  }
  static void SetRandom(BYTE fill) {
    wce::SetRandomSource([fill](BYTE* buf, DWORD len) {
      for (DWORD i = 0; i < len; ++i) buf[i] = static_cast<BYTE>(fill + i);
      return true;
    });
  }
  static std::string Get(int* result = nullptr) {
    char buf[64];
    std::memset(buf, '#', sizeof(buf));
    int r = GetDeviceGuid(buf, sizeof(buf));
    if (result) *result = r;
    return buf;
  }
  std::u16string Stored(const char16_t* name) {
    if (GetParam() == 1) {
      HKEY key = nullptr;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Corvane", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return u"<no key>";
      WCHAR buf[260] = {};
      DWORD type = 0;
      DWORD cb = sizeof(buf) - 2;
      LONG r = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb);
      RegCloseKey(key);
      if (r != ERROR_SUCCESS || type != REG_SZ) return u"<none>";
      return std::u16string(buf);
    }
    WCHAR buf[260] = {};
    ReadIniString(u"corvane", name, u"<none>", buf, 260, kIni);
    return buf;
  }
  void Store(const char16_t* name, const std::u16string& value) {
    if (GetParam() == 1) {
      HKEY key = nullptr;
      ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Corvane", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
                ERROR_SUCCESS);
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * 2));
      RegCloseKey(key);
    } else {
      WriteIniString(u"corvane", name, value.c_str(), kIni);
    }
  }
};

TEST_P(DeviceGuidTest, FirstRunMakesAndStoresAVersion4Guid) {
  SetRandom(0x00);
  int result = 0;
  // Bytes 00..0F: byte 7 becomes 0x47 (version 4), byte 8 becomes 0x88 (variant).
  EXPECT_EQ(Get(&result), "03020100-0504-4706-8809-0A0B0C0D0E0F");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Stored(u"guid"), u"03020100-0504-4706-8809-0A0B0C0D0E0F");
  EXPECT_EQ(Stored(u"board"), u"B1");
  EXPECT_EQ(Stored(u"device"), u"D1");
  EXPECT_EQ(Stored(u"catalog"), u"C1");
  EXPECT_EQ(Exists(kIni), GetParam() != 1);
}

TEST_P(DeviceGuidTest, ThirdGroupIsLowerCase) {
  wce::SetRandomSource([](BYTE* buf, DWORD len) {
    std::memset(buf, 0xAB, len);
    return true;
  });
  EXPECT_EQ(Get(), "ABABABAB-ABAB-4bab-ABAB-ABABABABABAB");
}

TEST_P(DeviceGuidTest, KeptAcrossRunsOnTheSameBoard) {
  SetRandom(0x00);
  std::string first = Get();
  SetRandom(0x40);
  EXPECT_EQ(Get(), first);
  EXPECT_EQ(Get(), first);
}

TEST_P(DeviceGuidTest, RenewedWhenTheBoardChanges) {
  SetRandom(0x00);
  std::string first = Get();
  SetRandom(0x40);
  SetBoard("B2");
  std::string second = Get();
  EXPECT_EQ(second, "43424140-4544-4746-8849-4A4B4C4D4E4F");
  EXPECT_EQ(Stored(u"guid"), std::u16string(second.begin(), second.end()));
  EXPECT_EQ(Stored(u"board"), u"B2");
}

TEST_P(DeviceGuidTest, MalformedStoredGuidIsReplaced) {
  SetRandom(0x00);
  Get();
  const std::u16string bad[] = {u"03020100-0504-4706-8809-0A0B0C0D0E0",
                                u"03020100-0504-4706-8809-0A0B0C0D0E0Z",
                                u"030201000504-4706-8809-0A0B0C0D0E0F-"};
  for (const std::u16string& b : bad) {
    Store(u"guid", b);
    SetRandom(0x40);
    EXPECT_EQ(Get(), "43424140-4544-4746-8849-4A4B4C4D4E4F");
    SetRandom(0x00);
  }
}

TEST_P(DeviceGuidTest, StoredGuidIsKeptWhenThePlatformQueryFails) {
  SetRandom(0x00);
  std::string first = Get();
  std::filesystem::remove(wce::HostPath(kPlatform));
  SetRandom(0x40);
  int result = 0;
  EXPECT_EQ(Get(&result), first);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Stored(u"board"), u"B1");
}

TEST_P(DeviceGuidTest, NothingStoredAndNoPlatformRecord) {
  std::filesystem::remove(wce::HostPath(kPlatform));
  int result = 1;
  EXPECT_EQ(Get(&result), "00-00");
  EXPECT_EQ(result, 0);
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "######## w_guid is empty ");
}

TEST_P(DeviceGuidTest, RandomSourceFailsWithNothingStored) {
  wce::SetRandomSource([](BYTE*, DWORD) { return false; });
  int result = 1;
  EXPECT_EQ(Get(&result), "00-00");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Stored(u"guid"), GetParam() == 1 ? u"<none>" : u"<none>");
  std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("######## CreateGuid error:: -2147", 0), 0u) << log[0];
}

TEST_P(DeviceGuidTest, SmallBufferIsCut) {
  SetRandom(0x00);
  char buf[9];
  EXPECT_EQ(GetDeviceGuid(buf, sizeof(buf)), 1);
  EXPECT_STREQ(buf, "03020100");
}

INSTANTIATE_TEST_SUITE_P(Stores, DeviceGuidTest, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& i) {
                           return i.param == 1 ? "Registry" : "IniFile";
                         });

TEST(CreateGuidTest, SetsVersionAndVariantBits) {
  wce::SetRandomSource([](BYTE* buf, DWORD len) {
    std::memset(buf, 0xFF, len);
    return true;
  });
  BYTE b[16] = {};
  EXPECT_EQ(CreateGuid(b), 0);
  EXPECT_EQ(b[7], 0x4F);
  EXPECT_EQ(b[8], 0xBF);
  EXPECT_EQ(b[0], 0xFF);
  wce::SetRandomSource(nullptr);
}

}  // namespace
