// The driver installation against the registry and the device manager.
#include "phonelink/DriverInstall.h"
#include "platform/devmgr/devmgr.h"
#include "platform/devmgr/DevMgrHooks.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char16_t kProgram[] = u"\\SDMMC\\CECorvane\\CECorvane.exe";
const char16_t kDriverPath[] = u"\\SDMMC\\CECorvane\\kavlink.dll";

// A REG_SZ as stored: UTF-16LE with its terminating zero.
std::vector<BYTE> Sz(const std::u16string& s) {
  std::vector<BYTE> out;
  for (char16_t c : s) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

bool KeyExists(const std::u16string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The raw bytes of a value, with its type; empty when missing.
std::vector<BYTE> Value(const std::u16string& path, const char16_t* name, DWORD* type = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  std::vector<BYTE> data(1024);
  DWORD cb = static_cast<DWORD>(data.size()), t = 0;
  if (RegQueryValueExW(key, name, nullptr, &t, data.data(), &cb) != ERROR_SUCCESS) cb = 0;
  RegCloseKey(key);
  data.resize(cb);
  if (type) *type = t;
  return data;
}

void SetSz(const std::u16string& path, const char16_t* name, const std::u16string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  const std::vector<BYTE> data = Sz(text);
  ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, data.data(), static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::vector<std::u16string> SubKeys(const std::u16string& path) {
  std::vector<std::u16string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    WCHAR name[MAX_PATH];
    DWORD cch = MAX_PATH;
    if (RegEnumKeyExW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(name);
  }
  RegCloseKey(key);
  return names;
}

class DriverInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = std::filesystem::temp_directory_path().string() + "/driverinstall-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_strRoot = tmpl;
    wce::SetRootDir(m_strRoot);
    wce::ResetRegistry();
    wce::SetModuleFileName(kProgram);
    corvane::ResetDriverInstall();
    std::filesystem::create_directories(m_strRoot + "/SDMMC/CECorvane");
    std::filesystem::copy_file(KAVLINK_PATH, m_strRoot + "/SDMMC/CECorvane/kavlink.dll");
  }
  void TearDown() override {
    wce::ResetDeviceManager();
    wce::ResetRegistry();
    std::filesystem::remove_all(m_strRoot);
  }
  std::string m_strRoot;
};

TEST_F(DriverInstallTest, ProgramDirectoryKeepsItsBackslash) {
  WCHAR dir[MAX_PATH];
  GetModuleDirectory(dir);
  EXPECT_EQ(std::u16string(dir), u"\\SDMMC\\CECorvane\\");
  EXPECT_STREQ(GetModuleDirectoryA(), "\\SDMMC\\CECorvane\\");
}

TEST_F(DriverInstallTest, LoadCopiesRegistersAndActivates) {
  const std::u16string stale[] = {
      u"Drivers\\USB\\ClientDrivers\\PL_Class",
      u"Drivers\\USB\\ClientDrivers\\PLA_Class",
      u"Drivers\\USB\\ClientDrivers\\Adb",
      u"Drivers\\USB\\ClientDrivers\\Kavlink",
      u"Drivers\\USB\\LoadClients\\Default\\Default\\255_66_1\\Kavlink",
      u"Drivers\\USB\\LoadClients\\Default\\Default\\Default\\PL_Class",
  };
  for (const auto& k : stale) SetSz(k, u"Dll", u"old.dll");

  ASSERT_EQ(LoadAdbDriver(), 0);

  for (const auto& k : stale) EXPECT_FALSE(KeyExists(k)) << WceWideToUtf8(k);
  const std::u16string adbClass = u"Drivers\\USB\\ClientDrivers\\ADB_Class";
  const std::u16string loadClient = u"Drivers\\USB\\LoadClients\\Default\\Default\\255_66_1";
  DWORD type = 0;
  EXPECT_EQ(Value(adbClass, u"Prefix", &type), Sz(u"ADB"));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Value(adbClass, u"DLL"), Sz(kDriverPath));
  EXPECT_EQ(SubKeys(loadClient), std::vector<std::u16string>{u"ADB_Class"});
  EXPECT_EQ(Value(loadClient + u"\\ADB_Class", u"Dll"), Sz(kDriverPath));
  EXPECT_TRUE(std::filesystem::exists(m_strRoot + "/Windows/kavlink.dll"));
  EXPECT_EQ(IsDeviceActive(u"ADB1:"), 1);
  EXPECT_EQ(IsDeviceActive(u"adb1:"), 1);

  // Already listed: nothing is activated a second time.
  ASSERT_EQ(LoadAdbDriver(), 0);
  EXPECT_EQ(SubKeys(u"Drivers\\Active").size(), 1u);
}

TEST_F(DriverInstallTest, DriverPathMustFitTheCheck) {
  // The path of kavlink.dll: directory + "kavlink.dll" (11 characters).
  struct Case {
    size_t m_nPathChars;
    int m_nResult;
  } cases[] = {{40, 0}, {63, 0}, {64, -3}, {120, -3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_nPathChars);
    const size_t dirChars = c.m_nPathChars - 11;  // "\" + name + "\"
    const std::u16string dir = u"\\" + std::u16string(dirChars - 2, u'd') + u"\\";
    wce::SetModuleFileName(dir + u"CECorvane.exe");
    EXPECT_EQ(SetupDriverRegistry(), c.m_nResult);
  }
}

TEST_F(DriverInstallTest, MissingDriverFileFailsActivation) {
  std::filesystem::remove(m_strRoot + "/SDMMC/CECorvane/kavlink.dll");
  EXPECT_EQ(LoadAdbDriver(), -5);
  EXPECT_EQ(IsDeviceActive(u"ADB1:"), 0);
}

TEST_F(DriverInstallTest, VendorKeysHoldOnlyTheDriver) {
  SetSz(u"Drivers\\USB\\LoadClients\\6353\\0\\Default\\Other_Class", u"Dll", u"other.dll");
  RegisterKavlinkDriver();
  EXPECT_EQ(std::u16string(g_KavlinkVendorKeys[0].m_pszKeyPath),
            u"Drivers\\USB\\LoadClients\\10007\\0\\Default\\ADB_Class");
  EXPECT_EQ(std::u16string(g_KavlinkVendorKeys[79].m_pszKeyPath),
            u"Drivers\\USB\\LoadClients\\11379\\0\\Default\\ADB_Class");
  EXPECT_EQ(SubKeys(u"Drivers\\USB\\LoadClients\\6353\\0\\Default"),
            std::vector<std::u16string>{u"ADB_Class"});
  for (const KavlinkVendorKey& v : g_KavlinkVendorKeys) {
    EXPECT_EQ(std::u16string(v.m_pszValueName), u"Dll");
    EXPECT_EQ(Value(v.m_pszKeyPath, v.m_pszValueName), Sz(kDriverPath)) << WceWideToUtf8(v.m_pszKeyPath);
  }
  EXPECT_EQ(SubKeys(u"Drivers\\USB\\LoadClients").size(), 79u);
}

TEST_F(DriverInstallTest, MassStorageSwitchesBothWays) {
  const std::u16string client = u"Drivers\\USB\\ClientDrivers\\Mass_Storage_Class";
  const std::u16string load = u"Drivers\\USB\\LoadClients\\Default\\Default\\8_6_80\\Mass_Storage_Class";
  SetSz(client, u"Dll", u"usbmsc.dll");
  SetSz(load, u"DLL", u"USBMSC.DLL");
  SetSz(load, u"Other", u"USBMSC.DLL");
  SetSz(u"Drivers\\USB\\ClientDrivers\\Printer", u"Dll", u"usbprn.dll");

  DisableUsbMassStorage();
  EXPECT_EQ(Value(client, u"Dll"), Sz(u"--USBMSC.DLL"));
  EXPECT_EQ(Value(load, u"Dll"), Sz(u"--USBMSC.DLL"));
  EXPECT_EQ(Value(load, u"Other"), Sz(u"USBMSC.DLL"));
  EXPECT_EQ(Value(u"Drivers\\USB\\ClientDrivers\\Printer", u"Dll"), Sz(u"usbprn.dll"));

  EnableUsbMassStorage();
  EXPECT_EQ(Value(client, u"Dll"), Sz(u"USBMSC.DLL"));
  EXPECT_EQ(Value(load, u"Dll"), Sz(u"USBMSC.DLL"));

  // Nothing reads "--USBMSC.DLL" any more: enabling again changes nothing.
  const std::string before = wce::DumpRegistry();
  EnableUsbMassStorage();
  EXPECT_EQ(wce::DumpRegistry(), before);
}

TEST_F(DriverInstallTest, FirstStartMarker) {
  EXPECT_EQ(IsFirstStartDone(), 0);
  EXPECT_EQ(SetFirstStartDone(), 1);
  EXPECT_EQ(IsFirstStartDone(), 1);
  DWORD type = 0;
  EXPECT_EQ(Value(u"OEM", u"VTCorvane", &type), (std::vector<BYTE>{100, 0, 0, 0}));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(DriverInstallTest, UnloadByLegacyAndDeviceName) {
  EXPECT_EQ(UnloadDriver(u""), 0);
  EXPECT_EQ(UnloadDriver(u"ADB1:"), 0);  // nothing active
  ASSERT_EQ(LoadAdbDriver(), 0);
  EXPECT_EQ(UnloadDriver(u"ADB1:"), 1);
  EXPECT_EQ(IsDeviceActive(u"ADB1:"), 0);
  ASSERT_EQ(LoadAdbDriver(), 0);
  EXPECT_EQ(UnloadDriver(u"ADB1"), 1);
  EXPECT_EQ(IsDeviceActive(u"ADB1:"), 0);
}

}  // namespace
