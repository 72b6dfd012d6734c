#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace {

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteHostFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class FileSys : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/wce-kernel-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    wce::SetRootDir(root);
  }
  void TearDown() override {
    wce::ResetFileSystemView();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::string root;
};

TEST_F(FileSys, CePathsMapUnderTheRoot) {
  struct Case {
    const WCHAR* ce;
    std::string host;
  };
  const Case cases[] = {
      {u"\\SDMMC\\CECorvane\\Error.log", "/SDMMC/CECorvane/Error.log"},
      {u"Connect.log", "/Connect.log"},
      {u"\\Windows/kavlink.dll", "/Windows/kavlink.dll"},
      {u"\\SDMMC\\.\\a\\..\\b.ini", "/SDMMC/b.ini"},
      {u"\\..\\..\\etc\\passwd", "/etc/passwd"},  // never above the root
      {u"\\", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(wce::HostPath(c.ce), root + c.host) << WceWideToUtf8(c.ce);
  EXPECT_EQ(wce::HostPath(std::u16string(u"\\SDMMC")), root + "/SDMMC");
}

TEST_F(FileSys, WriteThenReadThroughHandles) {
  ASSERT_TRUE(CreateDirectoryW(u"\\SDMMC", nullptr));
  EXPECT_FALSE(CreateDirectoryW(u"\\SDMMC", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  HANDLE w = CreateFileW(u"\\SDMMC\\Connect.log", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(w, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  EXPECT_TRUE(WriteFile(w, "hello", 5, &done, nullptr));
  EXPECT_EQ(done, 5u);
  EXPECT_TRUE(CloseHandle(w));
  EXPECT_EQ(ReadHostFile(root + "/SDMMC/Connect.log"), "hello");

  HANDLE r =
      CreateFileW(u"\\SDMMC\\Connect.log", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(r, INVALID_HANDLE_VALUE);
  DWORD high = 1;
  EXPECT_EQ(GetFileSize(r, &high), 5u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(r, 2, nullptr, FILE_BEGIN), 2u);
  char buf[16] = {};
  EXPECT_TRUE(ReadFile(r, buf, sizeof buf, &done, nullptr));
  EXPECT_EQ(std::string(buf, done), "llo");
  EXPECT_TRUE(ReadFile(r, buf, sizeof buf, &done, nullptr));  // end of file: success, nothing read
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(SetFilePointer(r, -1, nullptr, FILE_END), 4u);
  EXPECT_EQ(SetFilePointer(r, -10, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_FALSE(WriteFile(r, "x", 1, &done, nullptr));  // opened for reading only
  EXPECT_TRUE(CloseHandle(r));
  EXPECT_FALSE(ReadFile(r, buf, 1, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForSingleObject(w, 0), WAIT_FAILED);
}

// A file past 4 GiB (sparse: it takes no room), such as a recording or a map on the card: a 32-bit
// program built without 64-bit file offsets cannot even open it (EOVERFLOW).
TEST_F(FileSys, AFileOverFourGibibytesOpensAndSeeksInBothHalves) {
  const uint64_t kSize = (uint64_t{5} << 30) + 3;
  {
    std::ofstream(root + "/big.dat", std::ios::binary);
    std::filesystem::resize_file(root + "/big.dat", kSize);
  }
  HANDLE h = CreateFileW(u"\\big.dat", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD high = 0;
  EXPECT_EQ(GetFileSize(h, &high), (1u << 30) + 3);
  EXPECT_EQ(high, 1u);
  LONG moveHigh = 1;
  EXPECT_EQ(SetFilePointer(h, 1 << 30, &moveHigh, FILE_BEGIN), 1u << 30);
  EXPECT_EQ(moveHigh, 1);
  DWORD done = 0;
  EXPECT_TRUE(WriteFile(h, "end", 3, &done, nullptr));
  EXPECT_EQ(done, 3u);
  moveHigh = -1;
  EXPECT_EQ(SetFilePointer(h, -3, &moveHigh, FILE_END), 1u << 30);
  char buf[4] = {};
  EXPECT_TRUE(ReadFile(h, buf, 3, &done, nullptr));
  EXPECT_EQ(std::string(buf, done), "end");
  EXPECT_TRUE(CloseHandle(h));
}

TEST_F(FileSys, DispositionsAndTheirErrors) {
  WriteHostFile(root + "/a.txt", "abcdef");
  struct Case {
    const WCHAR* name;
    DWORD access;
    DWORD disposition;
    bool opens;
    DWORD error;
  };
  const Case cases[] = {
      {u"\\missing.txt", GENERIC_READ, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND},
      {u"\\nodir\\x.txt", GENERIC_READ, OPEN_EXISTING, false, ERROR_PATH_NOT_FOUND},
      {u"\\a.txt", GENERIC_WRITE, CREATE_NEW, false, ERROR_FILE_EXISTS},
      {u"\\a.txt", GENERIC_READ, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS},
      {u"\\new.txt", GENERIC_WRITE, OPEN_ALWAYS, true, ERROR_SUCCESS},
      {u"\\", GENERIC_READ, OPEN_EXISTING, false, ERROR_ACCESS_DENIED},
      {u"\\a.txt", GENERIC_READ, 99, false, ERROR_INVALID_PARAMETER},
      {u"ADB1:", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SetLastError(0xABCD);
    HANDLE h = CreateFileW(c.name, c.access, 0, nullptr, c.disposition, 0, nullptr);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << WceWideToUtf8(c.name);
    EXPECT_EQ(GetLastError(), c.error) << WceWideToUtf8(c.name);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  // TRUNCATE_EXISTING empties, SetEndOfFile cuts at the file pointer.
  HANDLE h = CreateFileW(u"\\a.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SetFilePointer(h, 3, nullptr, FILE_BEGIN);
  EXPECT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  EXPECT_EQ(ReadHostFile(root + "/a.txt"), "abc");
  h = CreateFileW(u"\\a.txt", GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
  CloseHandle(h);
  EXPECT_EQ(ReadHostFile(root + "/a.txt"), "");
}

TEST_F(FileSys, CopyMoveDeleteAndAttributes) {
  std::filesystem::create_directory(root + "/Windows");
  WriteHostFile(root + "/Windows/driver.dll", "DLL!");
  EXPECT_TRUE(CopyFileW(u"\\Windows\\driver.dll", u"\\Windows\\kavlink.dll", FALSE));
  EXPECT_EQ(ReadHostFile(root + "/Windows/kavlink.dll"), "DLL!");
  EXPECT_FALSE(CopyFileW(u"\\Windows\\driver.dll", u"\\Windows\\kavlink.dll", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_TRUE(CopyFileW(u"\\Windows\\driver.dll", u"\\Windows\\kavlink.dll", FALSE));  // overwrites
  // A copy onto itself must not truncate the source.
  EXPECT_FALSE(CopyFileW(u"\\Windows\\driver.dll", u"\\Windows\\driver.dll", FALSE));
  EXPECT_EQ(ReadHostFile(root + "/Windows/driver.dll"), "DLL!");
  EXPECT_FALSE(CopyFileW(u"\\Windows\\none.dll", u"\\Windows\\x.dll", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  EXPECT_TRUE(MoveFileW(u"\\Windows\\kavlink.dll", u"\\moved.dll"));
  EXPECT_FALSE(std::filesystem::exists(root + "/Windows/kavlink.dll"));
  EXPECT_EQ(ReadHostFile(root + "/moved.dll"), "DLL!");
  EXPECT_FALSE(MoveFileW(u"\\moved.dll", u"\\Windows\\driver.dll"));  // never replaces
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  EXPECT_EQ(GetFileAttributesW(u"\\Windows"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesW(u"\\moved.dll"), FILE_ATTRIBUTE_NORMAL);
  chmod((root + "/moved.dll").c_str(), 0444);
  EXPECT_EQ(GetFileAttributesW(u"\\moved.dll"), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesW(u"\\gone.dll"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  EXPECT_TRUE(DeleteFileW(u"\\moved.dll"));
  EXPECT_FALSE(DeleteFileW(u"\\moved.dll"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileW(u"\\Windows"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(FileSys, WfopenOpensUnderTheRoot) {
  WriteHostFile(root + "/NaviOne.ini", "\\Navi\\Navi.exe");
  FILE* f = _wfopen(u"\\NaviOne.ini", u"rb");
  ASSERT_NE(f, nullptr);
  char buf[32] = {};
  size_t n = fread(buf, 1, sizeof buf, f);
  fclose(f);
  EXPECT_EQ(std::string(buf, n), "\\Navi\\Navi.exe");
  EXPECT_EQ(_wfopen(u"\\none.ini", u"rb"), nullptr);
}

TEST_F(FileSys, ModuleFileName) {
  WCHAR buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  EXPECT_EQ(std::u16string(buf), u"\\SDMMC\\CECorvane\\CECorvane.exe");
  EXPECT_EQ(n, 30u);
  WCHAR small[5];
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 5), 5u);
  EXPECT_EQ(std::u16string(small), u"\\SDM");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  wce::SetModuleFileName(u"\\USB Disk\\Corvane\\CECorvane.exe");
  GetModuleFileNameW(nullptr, buf, MAX_PATH);
  EXPECT_EQ(std::u16string(buf), u"\\USB Disk\\Corvane\\CECorvane.exe");
}

TEST_F(FileSys, ProgramDirectoryIsTheModuleNameUpToItsLastBackslash) {
  const struct {
    std::u16string module;
    std::u16string dir;
  } cases[] = {
      {u"\\SDMMC\\CECorvane\\CECorvane.exe", u"\\SDMMC\\CECorvane\\"},
      {u"\\CECorvane.exe", u"\\"},
      {u"CECorvane.exe", u""},
      // A name that does not fit MAX_PATH gives no directory rather than a cut one.
      {u"\\" + std::u16string(MAX_PATH, u'd') + u"\\CECorvane.exe", u""},
  };
  for (const auto& c : cases) {
    wce::SetModuleFileName(c.module);
    EXPECT_EQ(wce::ProgramDirectory(), c.dir) << c.module.size();
  }
}

TEST_F(FileSys, RootComesFromTheEnvironmentAfterReset) {
  setenv("CORVANE_ROOT", "/tmp/corvane-env-root", 1);
  wce::ResetFileSystemView();
  EXPECT_EQ(wce::GetRootDir(), "/tmp/corvane-env-root");
  unsetenv("CORVANE_ROOT");
  wce::ResetFileSystemView();
  EXPECT_EQ(wce::GetRootDir(), std::filesystem::current_path().string() + "/corvane-root");
}

TEST_F(FileSys, OwnerOnlyFileIsNewAndPrivateWhateverTheUmask) {
  const std::string path = root + "/key";
  // A umask that takes the owner's write bit too: the file must still come out 0600.
  mode_t old = umask(0277);
  EXPECT_TRUE(wce::CreateOwnerOnlyFile(path, "first", 5));
  // An existing file is never replaced.
  EXPECT_FALSE(wce::CreateOwnerOnlyFile(path, "second", 6));
  umask(old);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadHostFile(path), "first");
  EXPECT_FALSE(wce::CreateOwnerOnlyFile(root + "/missing/key", "x", 1));
}

TEST_F(FileSys, EnvironmentValueIsSetAndReplaced) {
  EXPECT_TRUE(wce::SetEnvironmentValue("CORVANE_ROOT", "/tmp/corvane-first"));
  EXPECT_TRUE(wce::SetEnvironmentValue("CORVANE_ROOT", "/tmp/corvane-second"));
  wce::ResetFileSystemView();
  EXPECT_EQ(wce::GetRootDir(), "/tmp/corvane-second");
  EXPECT_FALSE(wce::SetEnvironmentValue("", "x"));
  unsetenv("CORVANE_ROOT");
}

// A stand-in device manager with one device, "ADB1:".
HANDLE const kDeviceHandle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7A0000001));
std::string g_deviceWritten;
bool g_deviceOpen = false;

HANDLE DeviceOpen(LPCWSTR name, DWORD, DWORD) {
  if (wcscmp(name, u"ADB1:") != 0) return nullptr;
  g_deviceOpen = true;
  return kDeviceHandle;
}
BOOL DeviceRead(HANDLE h, LPVOID buf, DWORD len, LPDWORD read) {
  if (h != kDeviceHandle || len < 4) return FALSE;
  memcpy(buf, "CNXN", 4);
  *read = 4;
  return TRUE;
}
BOOL DeviceWrite(HANDLE h, LPCVOID buf, DWORD len, LPDWORD written) {
  if (h != kDeviceHandle) return FALSE;
  g_deviceWritten.append(static_cast<const char*>(buf), len);
  *written = len;
  return TRUE;
}
BOOL DeviceClose(HANDLE h) {
  if (h != kDeviceHandle) return FALSE;
  g_deviceOpen = false;
  return TRUE;
}

TEST_F(FileSys, StreamDevicesGoThroughTheHooks) {
  wce::StreamDeviceHooks hooks;
  hooks.m_pfnOpen = DeviceOpen;
  hooks.m_pfnRead = DeviceRead;
  hooks.m_pfnWrite = DeviceWrite;
  hooks.m_pfnClose = DeviceClose;
  wce::SetStreamDeviceHooks(hooks);
  g_deviceWritten.clear();

  HANDLE dev = CreateFileW(u"ADB1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_EQ(dev, kDeviceHandle);
  char buf[8];
  DWORD done = 0;
  EXPECT_TRUE(ReadFile(dev, buf, sizeof buf, &done, nullptr));
  EXPECT_EQ(std::string(buf, done), "CNXN");
  EXPECT_TRUE(WriteFile(dev, "OKAY", 4, &done, nullptr));
  EXPECT_EQ(g_deviceWritten, "OKAY");

  // Files keep working beside the device.
  HANDLE file = CreateFileW(u"\\f.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(WriteFile(file, "file", 4, &done, nullptr));
  EXPECT_EQ(g_deviceWritten, "OKAY");
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(ReadHostFile(root + "/f.bin"), "file");

  EXPECT_TRUE(CloseHandle(dev));
  EXPECT_FALSE(g_deviceOpen);
  wce::ResetFileSystemView();
  wce::SetRootDir(root);
  EXPECT_EQ(CreateFileW(u"ADB1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
}

}  // namespace
