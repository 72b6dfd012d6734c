// The device manager with a small stream driver: activation and its Active key, device search,
// and stream I/O through the kernel's file calls.
#include "platform/devmgr/devmgr.h"
#include "platform/devmgr/DevMgrHooks.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>

namespace {

const char16_t kKey[] = u"Drivers\\Test\\TST";

void SetSz(const char16_t* path, const char16_t* name, const std::u16string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * 2)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::u16string ReadSz(const char16_t* path, const char16_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return u"<no key>";
  WCHAR buf[MAX_PATH] = {};
  DWORD cb = sizeof(buf) - 2, type = 0;
  const LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buf), &cb);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? std::u16string(buf) : u"<no value>";
}

class DeviceManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = std::filesystem::temp_directory_path().string() + "/devmgrtest-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_root = tmpl;
    wce::SetRootDir(m_root);
    wce::ResetRegistry();
    std::filesystem::create_directories(m_root + "/Windows");
    std::filesystem::copy_file(TEST_DRIVER_PATH, m_root + "/Windows/tstdrv.dll");
    SetSz(kKey, u"Prefix", u"TST");
    SetSz(kKey, u"Dll", u"tstdrv.dll");
  }
  void TearDown() override {
    wce::ResetDeviceManager();
    wce::ResetRegistry();
    std::filesystem::remove_all(m_root);
  }
  std::string m_root;
};

TEST_F(DeviceManagerTest, ActivationListsTheDeviceUntilDeactivated) {
  HANDLE dev = ActivateDevice(kKey, 0);
  ASSERT_NE(dev, nullptr);
  EXPECT_EQ(ReadSz(u"Drivers\\Active\\01", u"Name"), u"TST1:");
  EXPECT_EQ(ReadSz(u"Drivers\\Active\\01", u"Key"), kKey);

  struct Case {
    DeviceSearchType type;
    const char16_t* param;
    bool found;
  } cases[] = {
      {DeviceSearchByLegacyName, u"TST1:", true},  {DeviceSearchByLegacyName, u"tst1:", true},
      {DeviceSearchByLegacyName, u"TST*", true},   {DeviceSearchByLegacyName, u"ADB1:", false},
      {DeviceSearchByDeviceName, u"TST1", true},   {DeviceSearchByDeviceName, u"$device\\TST1", true},
      {DeviceSearchByDeviceName, u"TST1:", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WceWideToUtf8(c.param));
    DEVMGR_DEVICE_INFORMATION info{};
    info.dwSize = sizeof(info);
    HANDLE search = FindFirstDevice(c.type, c.param, &info);
    EXPECT_EQ(search != INVALID_HANDLE_VALUE, c.found);
    if (search == INVALID_HANDLE_VALUE) continue;
    EXPECT_EQ(info.hDevice, dev);
    EXPECT_EQ(std::u16string(info.szLegacyName), u"TST1:");
    EXPECT_EQ(std::u16string(info.szDeviceName), u"$device\\TST1");
    EXPECT_EQ(std::u16string(info.szDeviceKey), kKey);
    EXPECT_FALSE(FindNextDevice(search, &info));
    EXPECT_TRUE(FindClose(search));
  }

  ASSERT_TRUE(DeactivateDevice(dev));
  EXPECT_EQ(ReadSz(u"Drivers\\Active\\01", u"Name"), u"<no key>");
  EXPECT_EQ(CreateFileW(u"TST1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeactivateDevice(dev));
}

TEST_F(DeviceManagerTest, ADriverThatJoinsAThreadAtItsEndUnloads) {
  HANDLE dev = ActivateDevice(kKey, 0);
  ASSERT_NE(dev, nullptr);
  // The last reference unmaps the library, whose end starts a thread and waits for it.
  auto unloaded = std::async(std::launch::async, [dev] { return DeactivateDevice(dev); });
  if (unloaded.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    // The unmapping thread is stuck and cannot be joined; report and leave.
    std::fprintf(stderr, "DeactivateDevice did not return: the library's thread waits for the loader\n");
    std::_Exit(1);
  }
  EXPECT_TRUE(unloaded.get());
}

TEST_F(DeviceManagerTest, KeysThatCannotActivate) {
  SetSz(u"Drivers\\Test\\NoDll", u"Prefix", u"TST");
  SetSz(u"Drivers\\Test\\Missing", u"Prefix", u"TST");
  SetSz(u"Drivers\\Test\\Missing", u"Dll", u"\\Windows\\missing.dll");
  SetSz(u"Drivers\\Test\\LongPrefix", u"Prefix", u"TEST");
  SetSz(u"Drivers\\Test\\LongPrefix", u"Dll", u"tstdrv.dll");
  for (const char16_t* key : {u"Drivers\\Test\\None", u"Drivers\\Test\\NoDll", u"Drivers\\Test\\Missing",
                              u"Drivers\\Test\\LongPrefix"}) {
    SCOPED_TRACE(WceWideToUtf8(key));
    EXPECT_EQ(ActivateDevice(key, 0), nullptr);
  }
  EXPECT_EQ(ReadSz(u"Drivers\\Active\\01", u"Name"), u"<no key>");
}

TEST_F(DeviceManagerTest, StreamCallsReachTheDriver) {
  ASSERT_NE(ActivateDevice(kKey, 0), nullptr);
  HANDLE h = CreateFileW(u"TST1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "hello", 5, &n, nullptr));
  EXPECT_EQ(n, 5u);
  char buf[8] = {};
  ASSERT_TRUE(ReadFile(h, buf, sizeof(buf), &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "hello");
  DWORD inits = 0, returned = 0;
  EXPECT_TRUE(DeviceIoControl(h, 7, nullptr, 0, &inits, sizeof(inits), &returned, nullptr));
  EXPECT_EQ(inits, 1u);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(DeviceIoControl(h, 7, nullptr, 0, &inits, sizeof(inits), &returned, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(DeviceManagerTest, CloseWakesABlockedRead) {
  ASSERT_NE(ActivateDevice(kKey, 0), nullptr);
  HANDLE h = CreateFileW(u"\\$device\\TST1", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  auto reader = std::async(std::launch::async, [h] {
    char buf[8];
    DWORD n = 99;
    ReadFile(h, buf, sizeof(buf), &n, nullptr);
    return n;
  });
  EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  EXPECT_TRUE(CloseHandle(h));
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(reader.get(), 0u);
}

}  // namespace
