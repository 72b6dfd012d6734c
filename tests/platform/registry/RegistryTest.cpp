#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;

// Every character that the file has to escape, a NUL inside and a character beyond the BMP.
const std::u16string kOdd = u"a\"b\\c\r\n\0d\x01\U0001F600"s;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "registry-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_root = tmpl;
    wce::SetRootDir(m_root);
    wce::ResetRegistry();
  }
  void TearDown() override {
    wce::ResetRegistry();
    std::filesystem::remove_all(m_root);
  }

  std::string FilePath() const { return wce::HostPath(wce::RegistryCePath()); }
  std::string ReadFile() const {
    std::ifstream in(FilePath(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void WriteFile(const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(FilePath()).parent_path());
    std::ofstream(FilePath(), std::ios::binary) << text;
  }

  std::string m_root;
};

HKEY Create(HKEY root, const char16_t* path, DWORD* disposition = nullptr) {
  HKEY k = nullptr;
  EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, disposition),
            ERROR_SUCCESS);
  return k;
}

std::vector<BYTE> Sz(const std::u16string& s, bool terminated = true) {
  std::vector<BYTE> out;
  for (char16_t c : s) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  if (terminated) out.insert(out.end(), {0, 0});
  return out;
}

LONG Set(HKEY k, const char16_t* name, DWORD type, const std::vector<BYTE>& data) {
  return RegSetValueExW(k, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

// Reads a whole value; type and bytes, or the error.
LONG Get(HKEY k, const char16_t* name, DWORD& type, std::vector<BYTE>& data) {
  DWORD size = 0;
  LONG rc = RegQueryValueExW(k, name, nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS) return rc;
  data.assign(size, 0xEE);
  rc = RegQueryValueExW(k, name, nullptr, &type, data.data(), &size);
  data.resize(size);
  return rc;
}

TEST_F(RegistryTest, CreateOpensExistingKeysWithoutRegardToCase) {
  DWORD disp = 0;
  HKEY a = Create(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\ClientDrivers\\ADB_Class", &disp);
  EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
  HKEY b = Create(HKEY_LOCAL_MACHINE, u"DRIVERS\\usb\\clientdrivers\\adb_class", &disp);
  EXPECT_EQ(disp, REG_OPENED_EXISTING_KEY);
  HKEY c = Create(HKEY_LOCAL_MACHINE, u"drivers\\USB\\LoadClients", &disp);
  EXPECT_EQ(disp, REG_CREATED_NEW_KEY);

  HKEY o = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\Usb", 0, KEY_READ, &o), ERROR_SUCCESS);
  WCHAR name[64];
  std::vector<std::u16string> names;
  for (DWORD i = 0;; ++i) {
    DWORD cch = 64;
    const LONG rc = RegEnumKeyExW(o, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    names.emplace_back(name, cch);
  }
  // One key per name, spelt as first created.
  EXPECT_EQ(names, (std::vector<std::u16string>{u"ClientDrivers", u"LoadClients"}));

  HKEY missing = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\Active", 0, 0, &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Drivers", 0, 0, &missing), ERROR_FILE_NOT_FOUND);
  for (HKEY k : {a, b, c, o}) EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ValueNamesIgnoreCaseAndKeepTheirFirstSpelling) {
  HKEY k = Create(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\ClientDrivers\\ADB_Class");
  ASSERT_EQ(Set(k, u"DLL", REG_SZ, Sz(u"\\SDMMC\\CECorvane\\kavlink.dll")), ERROR_SUCCESS);
  ASSERT_EQ(Set(k, u"dll", REG_SZ, Sz(u"\\Windows\\kavlink.dll")), ERROR_SUCCESS);

  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_EQ(Get(k, u"Dll", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(data, Sz(u"\\Windows\\kavlink.dll"));

  WCHAR name[16];
  DWORD cch = 16;
  ASSERT_EQ(RegEnumValueW(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, cch), u"DLL");
  cch = 16;
  EXPECT_EQ(RegEnumValueW(k, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  EXPECT_EQ(RegDeleteValueW(k, u"dLL"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(k, u"DLL"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Get(k, u"DLL", type, data), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
}

TEST_F(RegistryTest, QueryValueSizeSemantics) {
  HKEY k = Create(HKEY_LOCAL_MACHINE, u"OEM");
  const DWORD hundred = 100;
  ASSERT_EQ(RegSetValueExW(k, u"VTCorvane", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&hundred), 4),
            ERROR_SUCCESS);
  ASSERT_EQ(Set(k, u"App", REG_SZ, Sz(u"QX_VT", false)), ERROR_SUCCESS);  // 10 bytes, as written at start-up

  struct Case {
    const char16_t* name;
    bool withData;
    DWORD room;
    LONG rc;
    DWORD sizeAfter;
  };
  const Case cases[] = {
      {u"App", false, 0, ERROR_SUCCESS, 10},   // size query
      {u"App", true, 9, ERROR_MORE_DATA, 10},  // one byte short
      {u"App", true, 0, ERROR_MORE_DATA, 10},    {u"App", true, 10, ERROR_SUCCESS, 10},
      {u"App", true, 64, ERROR_SUCCESS, 10},     {u"VTCorvane", true, 3, ERROR_MORE_DATA, 4},
      {u"VTCorvane", true, 4, ERROR_SUCCESS, 4}, {u"Missing", true, 64, ERROR_FILE_NOT_FOUND, 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)) + " room " +
                 std::to_string(c.room));
    BYTE buf[64];
    DWORD type = 0xFFFF;
    DWORD size = c.room;
    EXPECT_EQ(RegQueryValueExW(k, c.name, nullptr, &type, c.withData ? buf : nullptr, &size), c.rc);
    EXPECT_EQ(size, c.sizeAfter);
    if (c.rc != ERROR_FILE_NOT_FOUND) {
      EXPECT_EQ(type, static_cast<DWORD>(c.name[0] == u'A' ? REG_SZ : REG_DWORD));
    }
  }
  BYTE buf[4];
  EXPECT_EQ(RegQueryValueExW(k, u"VTCorvane", nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
  DWORD size = 4;
  ASSERT_EQ(RegQueryValueExW(k, u"VTCorvane", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::vector<BYTE>(buf, buf + 4), (std::vector<BYTE>{0x64, 0, 0, 0}));
  RegCloseKey(k);
}

TEST_F(RegistryTest, DeleteKeyRemovesEverythingBelowAndStaleHandlesFail) {
  HKEY vendor =
      Create(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\LoadClients\\6353\\0\\Default\\Mass_Storage_Class");
  ASSERT_EQ(Set(vendor, u"Dll", REG_SZ, Sz(u"USBMSC.DLL")), ERROR_SUCCESS);
  HKEY zero = Create(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\LoadClients\\6353\\0");
  ASSERT_EQ(Set(zero, u"Keep", REG_DWORD, {1, 0, 0, 0}), ERROR_SUCCESS);

  HKEY loadClients = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\LoadClients", 0, 0, &loadClients),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(loadClients, u"6353\\0"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(loadClients, u"6353\\0"), ERROR_FILE_NOT_FOUND);

  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\LoadClients\\6353\\0\\Default", 0, 0, &k),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\LoadClients\\6353", 0, 0, &k), ERROR_SUCCESS);
  DWORD subKeys = 99, values = 99;
  EXPECT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 0u);

  // Handles opened on the deleted keys no longer reach anything, not even a key of the same
  // name created again.
  Create(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\LoadClients\\6353\\0\\Default\\Mass_Storage_Class");
  DWORD type;
  std::vector<BYTE> data;
  EXPECT_EQ(Get(vendor, u"Dll", type, data), ERROR_KEY_DELETED);
  EXPECT_EQ(Set(zero, u"Keep", REG_DWORD, {2, 0, 0, 0}), ERROR_KEY_DELETED);
  HKEY sub = nullptr;
  EXPECT_EQ(RegCreateKeyExW(zero, u"x", 0, nullptr, 0, 0, nullptr, &sub, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(vendor), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(zero), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(zero), ERROR_INVALID_HANDLE);

  wce::ReloadRegistry();
  EXPECT_EQ(ReadFile().find("Keep"), std::string::npos);
  EXPECT_EQ(ReadFile().find("USBMSC"), std::string::npos);
}

TEST_F(RegistryTest, EnumerationInNameOrderWithMoreData) {
  HKEY k = Create(HKEY_CURRENT_USER, u"Corvane");
  for (const char16_t* n : {u"guid", u"Board", u"device", u"Catalog"})
    ASSERT_EQ(Set(k, n, REG_SZ, Sz(n)), ERROR_SUCCESS);
  for (const char16_t* n : {u"zeta", u"Alpha", u"beta"}) RegCloseKey(Create(k, n));

  const std::vector<std::u16string> valueOrder = {u"Board", u"Catalog", u"device", u"guid"};
  for (DWORD i = 0; i < valueOrder.size(); ++i) {
    WCHAR name[32];
    DWORD cch = 32, type = 0, size = 64;
    BYTE data[64];
    ASSERT_EQ(RegEnumValueW(k, i, name, &cch, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, cch), valueOrder[i]);
    EXPECT_EQ(name[cch], 0);
    EXPECT_EQ(std::vector<BYTE>(data, data + size), Sz(valueOrder[i]));
  }
  const std::vector<std::u16string> keyOrder = {u"Alpha", u"beta", u"zeta"};
  for (DWORD i = 0; i < keyOrder.size(); ++i) {
    WCHAR name[32];
    DWORD cch = 32;
    ASSERT_EQ(RegEnumKeyExW(k, i, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, cch), keyOrder[i]);
  }
  WCHAR name[32];
  DWORD cch = 32;
  EXPECT_EQ(RegEnumKeyExW(k, 3, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  // Too little room for the name ("Alpha" needs 6 with its terminator), then for the data.
  cch = 5;
  EXPECT_EQ(RegEnumKeyExW(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(cch, 6u);
  cch = 5;
  EXPECT_EQ(RegEnumValueW(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(cch, 6u);
  cch = 32;
  DWORD size = 4, type = 0;
  BYTE small[4];
  EXPECT_EQ(RegEnumValueW(k, 0, name, &cch, nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 12u);  // "Board" and its terminator
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  DWORD subKeys, maxSubKeyLen, values, maxNameLen, maxValueLen;
  ASSERT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr, &values,
                             &maxNameLen, &maxValueLen, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(maxSubKeyLen, 5u);
  EXPECT_EQ(values, 4u);
  EXPECT_EQ(maxNameLen, 7u);
  EXPECT_EQ(maxValueLen, 16u);
  RegCloseKey(k);
}

TEST_F(RegistryTest, EveryValueSurvivesAReloadAndTheFileIsReadable) {
  HKEY oem = Create(HKEY_LOCAL_MACHINE, u"OEM");
  ASSERT_EQ(Set(oem, u"App", REG_SZ, Sz(u"QX_VT", false)), ERROR_SUCCESS);
  ASSERT_EQ(Set(oem, u"VTCorvane", REG_DWORD, {0x64, 0, 0, 0}), ERROR_SUCCESS);
  HKEY corvane = Create(HKEY_CURRENT_USER, u"Corvane");
  ASSERT_EQ(Set(corvane, u"board", REG_SZ, Sz(u"授权失败")), ERROR_SUCCESS);
  ASSERT_EQ(Set(corvane, u"Odd \"name\\", REG_SZ, Sz(kOdd)), ERROR_SUCCESS);
  ASSERT_EQ(Set(corvane, u"blob", REG_BINARY, {0x00, 0xFF, 0x10}), ERROR_SUCCESS);
  ASSERT_EQ(Set(corvane, u"empty", REG_BINARY, {}), ERROR_SUCCESS);
  ASSERT_EQ(Set(corvane, u"half", REG_SZ, {0x41, 0x00, 0x42}), ERROR_SUCCESS);
  ASSERT_EQ(Set(corvane, u"lone", REG_SZ, Sz(std::u16string(1, char16_t(0xD800)))), ERROR_SUCCESS);
  ASSERT_EQ(Set(corvane, u"multi", 7, {0x41, 0, 0, 0, 0, 0}), ERROR_SUCCESS);
  ASSERT_EQ(Set(corvane, u"short", REG_DWORD, {1, 2}), ERROR_SUCCESS);
  ASSERT_EQ(Set(corvane, nullptr, REG_SZ, Sz(u"default")), ERROR_SUCCESS);
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn"));  // empty keys persist too
  RegCloseKey(oem);
  RegCloseKey(corvane);

  const std::string file = ReadFile();
  for (const char* line :
       {"[HKEY_LOCAL_MACHINE\\OEM]\n", "\"App\"=sz-noterm:\"QX_VT\"\n", "\"VTCorvane\"=dword:00000064\n",
        "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn]\n", "[HKEY_CURRENT_USER\\Corvane]\n",
        "\"board\"=sz:\"授权失败\"\n", "\"Odd \\\"name\\\\\"=sz:\"a\\\"b\\\\c\\r\\n\\0d\\u0001😀\"\n",
        "\"blob\"=hex:00,ff,10\n", "\"empty\"=hex:\n", "\"half\"=hex(1):41,00,42\n",
        "\"lone\"=sz:\"\\uD800\"\n", "\"multi\"=hex(7):41,00,00,00,00,00\n", "\"short\"=hex(4):01,02\n",
        "@=sz:\"default\"\n"}) {
    EXPECT_NE(file.find(line), std::string::npos) << line;
  }
  EXPECT_FALSE(std::filesystem::exists(FilePath() + ".tmp"));

  const std::string before = wce::DumpRegistry();
  wce::ReloadRegistry();
  EXPECT_EQ(wce::DumpRegistry(), before);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"CORVANE", 0, 0, &k), ERROR_SUCCESS);
  DWORD type;
  std::vector<BYTE> data;
  ASSERT_EQ(Get(k, u"odd \"NAME\\", type, data), ERROR_SUCCESS);
  EXPECT_EQ(data, Sz(kOdd));
  ASSERT_EQ(Get(k, u"half", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(data, (std::vector<BYTE>{0x41, 0x00, 0x42}));
  ASSERT_EQ(Get(k, u"", type, data), ERROR_SUCCESS);
  EXPECT_EQ(data, Sz(u"default"));
  RegCloseKey(k);
}

// A reload is a boot: the drivers listed as loaded by an earlier run are not loaded now.
TEST_F(RegistryTest, AReloadForgetsTheDriversLoadedBeforeAndKeepsTheRest) {
  HKEY active = Create(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01");
  ASSERT_EQ(Set(active, u"Name", REG_SZ, Sz(u"ADB1:")), ERROR_SUCCESS);
  RegCloseKey(active);
  HKEY client = Create(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\ClientDrivers\\ADB_Class");
  ASSERT_EQ(Set(client, u"Prefix", REG_SZ, Sz(u"ADB")), ERROR_SUCCESS);
  RegCloseKey(client);

  wce::ReloadRegistry();
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\Active", 0, 0, &k), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\ClientDrivers\\ADB_Class", 0, 0, &k),
            ERROR_SUCCESS);
  RegCloseKey(k);
}

TEST_F(RegistryTest, LoadsAHandWrittenFileAndSkipsWhatItCannotRead) {
  WriteFile(
      "; written by hand\r\n"
      "[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\Mass_Storage_Class]\r\n"
      "\"Dll\"=sz:\"--USBMSC.DLL\"\r\n"
      "\"Broken\"=dword:xyz\r\n"
      "[HKEY_NOWHERE\\Key]\r\n"
      "\"Lost\"=sz:\"x\"\r\n"
      "[HKEY_CURRENT_USER\\Corvane]\r\n"
      "\"guid\"=sz:\"8C3F2A10-5B7D-4e21-9A44-0F1E2D3C4B5A\"\r\n");
  wce::ReloadRegistry();
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\ClientDrivers\\Mass_Storage_Class", 0, 0, &k),
            ERROR_SUCCESS);
  DWORD type;
  std::vector<BYTE> data;
  ASSERT_EQ(Get(k, u"DLL", type, data), ERROR_SUCCESS);
  EXPECT_EQ(data, Sz(u"--USBMSC.DLL"));
  EXPECT_EQ(Get(k, u"Broken", type, data), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Corvane", 0, 0, &k), ERROR_SUCCESS);
  ASSERT_EQ(Get(k, u"guid", type, data), ERROR_SUCCESS);
  EXPECT_EQ(data.size(), 74u);
  RegCloseKey(k);
  EXPECT_EQ(wce::DumpRegistry().find("Lost"), std::string::npos);
}

TEST_F(RegistryTest, ResetAndReloadCloseHandlesAndResetForgetsTheFile) {
  HKEY k = Create(HKEY_LOCAL_MACHINE, u"OEM");
  ASSERT_EQ(Set(k, u"VTCorvane", REG_DWORD, {0x64, 0, 0, 0}), ERROR_SUCCESS);
  wce::ReloadRegistry();
  DWORD type;
  std::vector<BYTE> data;
  EXPECT_EQ(Get(k, u"VTCorvane", type, data), ERROR_INVALID_HANDLE);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"OEM", 0, 0, &k), ERROR_SUCCESS);
  EXPECT_EQ(Get(k, u"VTCorvane", type, data), ERROR_SUCCESS);

  wce::ResetRegistry();
  EXPECT_FALSE(std::filesystem::exists(FilePath()));
  EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"OEM", 0, 0, &k), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, RefusesMalformedPathsAndHandles) {
  HKEY k = nullptr;
  for (const char16_t* bad : {u"\\OEM", u"OEM\\\\Sub", u"Tab\there", u"\\"}) {
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, bad, 0, nullptr, 0, 0, nullptr, &k, nullptr),
              ERROR_INVALID_PARAMETER);
  }
  const std::u16string longName(256, u'k');
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, longName.c_str(), 0, nullptr, 0, 0, nullptr, &k, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExW(reinterpret_cast<HKEY>(uintptr_t(0x1234)), u"OEM", 0, 0, &k), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(HKEY_LOCAL_MACHINE, u"x", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(wce::DumpRegistry().find('['), std::string::npos);  // nothing was created

  // A trailing backslash names the same key.
  DWORD disp = 0;
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"OEM\\", &disp));
  EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"OEM", &disp));
  EXPECT_EQ(disp, REG_OPENED_EXISTING_KEY);
}

TEST_F(RegistryTest, ConcurrentWritersAllLand) {
  constexpr int kThreads = 8;
  constexpr int kValues = 20;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::u16string path = u"Drivers\\BuiltIn\\" + std::u16string(1, char16_t(u'A' + t));
      HKEY k = nullptr;
      if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, 0, nullptr, &k, nullptr) !=
          ERROR_SUCCESS)
        return;
      for (int i = 0; i < kValues; ++i) {
        const std::u16string name = u"v" + std::u16string(1, char16_t(u'a' + i));
        const DWORD v = static_cast<DWORD>(t * 100 + i);
        RegSetValueExW(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
      }
      RegCloseKey(k);
    });
  }
  for (std::thread& th : threads) th.join();

  wce::ReloadRegistry();
  for (int t = 0; t < kThreads; ++t) {
    const std::u16string path = u"Drivers\\BuiltIn\\" + std::u16string(1, char16_t(u'A' + t));
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, &k), ERROR_SUCCESS);
    DWORD values = 0;
    RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    EXPECT_EQ(values, static_cast<DWORD>(kValues));
    DWORD v = 0, size = 4;
    ASSERT_EQ(RegQueryValueExW(k, u"vt", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(v, static_cast<DWORD>(t * 100 + 19));
    RegCloseKey(k);
  }
}

}  // namespace
