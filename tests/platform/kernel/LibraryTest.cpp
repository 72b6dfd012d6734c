#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/library.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Any library of the system serves as the file to load; the JPEG codec is always installed.
const char kSystemLibraryPath[] = TURBOJPEG_LIBRARY;

class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() / ("kernel-library-" + std::to_string(getpid()));
    fs::create_directories(m_root / "Windows");
    fs::create_directories(m_root / "App");
    wce::SetRootDir(m_root.string());
  }
  void TearDown() override {
    wce::ResetFileSystemView();
    fs::remove_all(m_root);
  }
  fs::path m_root;
};

TEST_F(Library, FindsCePathsThenWindowsThenTheSystem) {
  fs::copy_file(kSystemLibraryPath, m_root / "App" / "codec.dll");
  fs::copy_file(kSystemLibraryPath, m_root / "Windows" / "codec2.dll");
  struct Case {
    const char16_t* name;
    bool loads;
  } cases[] = {
      {u"\\App\\codec.dll", true},   // a CE path under the root
      {u"codec2.dll", true},         // a bare name, found in "\Windows"
      {u"libturbojpeg.so.0", true},  // a bare name the system's loader knows
      {u"\\App\\missing.dll", false},
      {u"codec.dll", false},  // bare names are not looked up beside the program
      {u"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    HMODULE module = LoadLibraryW(c.name);
    if (!c.loads) {
      EXPECT_EQ(module, nullptr);
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
      continue;
    }
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddressW(module, u"tjInitDecompress"), nullptr);
    EXPECT_EQ(GetProcAddressW(module, u"NoSuchExport"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST_F(Library, OneLibraryLoadedTwiceIsOneInstance) {
  HMODULE a = LoadLibraryW(u"libturbojpeg.so.0");
  HMODULE b = LoadLibraryW(u"libturbojpeg.so.0");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_TRUE(FreeLibrary(b));
  EXPECT_TRUE(FreeLibrary(a));
  EXPECT_FALSE(FreeLibrary(nullptr));
  EXPECT_EQ(GetProcAddressW(nullptr, u"tjInitDecompress"), nullptr);
}

}  // namespace
