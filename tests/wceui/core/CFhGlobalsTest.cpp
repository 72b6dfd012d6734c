#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/FhPath.h"
#include "platform/kernel/wcestr.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"

namespace {

class CFhGlobalsTest : public WceUiTestRoot {
 protected:
  void SetUp() override {
    WceUiTestRoot::SetUp();
    m_Screen = wce::GetScreen();
  }
  void TearDown() override {
    wce::SetScreen(m_Screen.m_nWidth, m_Screen.m_nHeight, m_Screen.m_nBitsPerPixel);
    WceUiTestRoot::TearDown();
  }
  wce::ScreenConfig m_Screen = {};
};

struct DirCase {
  const char16_t* m_pszGiven;
  const char16_t* m_pszStored;
};

TEST_F(CFhGlobalsTest, DirectoriesAreMadeAbsoluteWithOneTrailingSeparator) {
  const DirCase cases[] = {
      {u"wnd", u"\\SDMMC\\CECorvane\\wnd\\"},
      {u"res\\", u"\\SDMMC\\CECorvane\\res\\"},
      {u".\\a\\.\\b", u"\\SDMMC\\CECorvane\\a\\b\\"},
      {u"..\\skin", u"\\SDMMC\\skin\\"},
      {u"..\\..\\..\\top", u"\\top\\"},
      {u"\\Storage\\ui", u"\\Storage\\ui\\"},
      {u"\\Storage\\ui/", u"\\Storage\\ui/"},
      {u"/host/ui", u"/host/ui\\"},
      {u"D:\\ui\\", u"D:\\ui\\"},
  };
  CFhGlobalData* data = WceUiGetGlobals()->GetGlobalData();
  for (const DirCase& c : cases) {
    data->SetWndDir(c.m_pszGiven);
    data->SetResDir(c.m_pszGiven);
    EXPECT_EQ(std::u16string(data->GetWndDir()), c.m_pszStored) << WceWideToUtf8(c.m_pszGiven);
    EXPECT_EQ(std::u16string(data->GetResDir()), c.m_pszStored) << WceWideToUtf8(c.m_pszGiven);
  }
  data->SetWndDir(nullptr);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error: CFhGlobalData::SetWndDir,check(NULL != pWndDir)fail");
}

TEST_F(CFhGlobalsTest, ScreenIsReadOnceOnFirstRequest) {
  ASSERT_TRUE(wce::SetScreen(1024, 600, 16));
  CFhGlobalData* data = WceUiGetGlobals()->GetGlobalData();
  EXPECT_EQ(data->GetScreenHeight(), 600);
  ASSERT_TRUE(wce::SetScreen(800, 480, 32));
  EXPECT_EQ(data->GetBitsPixel(), 16);
  EXPECT_EQ(data->GetScreenWidth(), 1024);
  WceUiGetGlobals()->Reset();
  EXPECT_EQ(data->GetBitsPixel(), 32);
}

TEST_F(CFhGlobalsTest, PasswordIsAnOwnCopyThatCanBeReplacedByItself) {
  CFhGlobalData* data = WceUiGetGlobals()->GetGlobalData();
  EXPECT_EQ(data->GetPassword(), nullptr);
  std::u16string given = u"secret";
  data->SetPassword(given.c_str());
  given[0] = u'X';
  EXPECT_EQ(std::u16string(data->GetPassword()), u"secret");
  data->SetPassword(data->GetPassword());
  EXPECT_EQ(std::u16string(data->GetPassword()), u"secret");
  data->SetPassword(nullptr);
  EXPECT_EQ(data->GetPassword(), nullptr);
}

TEST_F(CFhGlobalsTest, LogFileIsNamedAfterTheProgramAndStartsWithTheByteOrderMark) {
  const DirCase cases[] = {
      {u"\\SDMMC\\logs", u"\\SDMMC\\logs\\CECorvane.exe.log"},
      {u"\\SDMMC\\logs\\", u"\\SDMMC\\logs\\CECorvane.exe.log"},
      {u"\\SDMMC\\deep\\er/", u"\\SDMMC\\deep\\er/CECorvane.exe.log"},
  };
  for (const DirCase& c : cases) {
    CFhLogFile file;
    ASSERT_TRUE(file.Open(c.m_pszGiven)) << WceWideToUtf8(c.m_pszGiven);
    EXPECT_EQ(std::u16string(file.GetPath()), c.m_pszStored);
    EXPECT_TRUE(file.IsOpen());
    file.Close();
    EXPECT_EQ(Bytes(c.m_pszStored), std::string("\xFF\xFE"));
  }
}

TEST_F(CFhGlobalsTest, LogFileThatHasTextIsKeptAndAppendedTo) {
  CFhLogFile file;
  ASSERT_TRUE(file.Open(u"\\SDMMC\\logs"));
  file.Close();
  DWORD written = 0;
  HANDLE h =
      CreateFileW(u"\\SDMMC\\logs\\CECorvane.exe.log", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetFilePointer(h, 0, nullptr, FILE_END);
  WriteFile(h, "A\0", 2, &written, nullptr);
  CloseHandle(h);
  ASSERT_TRUE(file.Open(u"\\SDMMC\\logs"));
  file.Close();
  EXPECT_EQ(Bytes(u"\\SDMMC\\logs\\CECorvane.exe.log"), std::string("\xFF\xFE"
                                                                    "A\0",
                                                                    4));
}

TEST_F(CFhGlobalsTest, HolderOpensItsLogFileInTheProgramDirectory) {
  CFhLogFile* file = WceUiGetGlobals()->GetLogFile();
  EXPECT_EQ(file, WceUiGetGlobals()->GetLogFile());
  EXPECT_EQ(std::u16string(file->GetPath()), u"\\SDMMC\\CECorvane\\CECorvane.exe.log");
}

struct CutCase {
  const char16_t* m_pszPath;
  BOOL m_bOk;
  const char16_t* m_pszCut;
};

TEST_F(CFhGlobalsTest, DirectoryOfAFilePathKeepsItsSeparator) {
  const CutCase cases[] = {
      {u"\\a\\b\\c.bmp", TRUE, u"\\a\\b\\"},
      {u"\\a/b\\c/d.xml", TRUE, u"\\a/b\\c/"},
      {u"\\a\\b\\", TRUE, u"\\a\\b\\"},
      {u"name.bmp", FALSE, u"name.bmp"},
  };
  for (const CutCase& c : cases) {
    std::u16string path = c.m_pszPath;
    EXPECT_EQ(FhGetDirPathFromFilePath(path.data()), c.m_bOk) << WceWideToUtf8(c.m_pszPath);
    EXPECT_EQ(std::u16string(path.c_str()), c.m_pszCut);
  }
}

TEST_F(CFhGlobalsTest, DirectoryCreationMakesEveryParent) {
  EXPECT_TRUE(FhCreateDirectory(u"\\SDMMC\\CECorvane"));
  EXPECT_TRUE(FhCreateDirectory(u"\\SDMMC\\x\\y/z"));
  EXPECT_TRUE(IsDir(u"\\SDMMC\\x\\y\\z"));
  EXPECT_TRUE(FhCreateDirectory(u"\\SDMMC\\x\\y/z\\"));
  // A file stands where the directory should be.
  HANDLE h = CreateFileW(u"\\SDMMC\\file", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(h);
  EXPECT_FALSE(FhCreateDirectory(u"\\SDMMC\\file"));
  EXPECT_FALSE(FhCreateDirectory(u"\\SDMMC\\file\\sub"));
}

TEST_F(CFhGlobalsTest, AbsolutePathThatDoesNotFitIsRefused) {
  WCHAR out[16];
  EXPECT_TRUE(FhGetAbsolutePath(out, 16, u"b\\c", u"\\a"));
  EXPECT_EQ(std::u16string(out), u"\\a\\b\\c");
  EXPECT_FALSE(FhGetAbsolutePath(out, 6, u"b\\c", u"\\a"));
}

}  // namespace
