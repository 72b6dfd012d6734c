// A device root with the framework started on it: window directory "Wnd", resource directory "Res"
// and the language file "Res\language\lang.ini" of the program's directory, written by each test.
#pragma once

#include "WceUiTestFiles.h"
#include "WceUiTestRoot.h"
#include "core/WceUiDib.h"
#include "resources/WceUiResource.h"

#include <string>
#include <vector>

class WceUiResFixture : public WceUiTestRoot {
 protected:
  static constexpr char16_t kResDir[] = u"\\SDMMC\\CECorvane\\Res\\";

  void SetUp() override {
    WceUiTestRoot::SetUp();
    ASSERT_TRUE(WceUiInit(Instance(), u"Wnd", u"Res", u"Res\\language\\lang.ini", FALSE));
    ClearLog();
  }

  static HINSTANCE Instance() { return reinterpret_cast<HINSTANCE>(0x10000); }

  // A conf file of the resource directory ("bitmap\btn.conf"), in the framework's UTF-16 form.
  static void PutResText(const std::u16string& relPath, const std::u16string& text) {
    WceUiPutTextFile(std::u16string(kResDir) + relPath, text);
  }
  // A 32-bit BMP of nWidth x 1 pixels under the resource directory.
  static void PutResBmp(const std::u16string& relPath, int nWidth) {
    std::vector<DWORD> pixels(static_cast<size_t>(nWidth), 0x00336699);
    std::u16string path = std::u16string(kResDir) + relPath;
    WceUiPutFile(path, "");
    ASSERT_TRUE(Save32BmpFile(path.c_str(), pixels.data(), nWidth, 1));
  }
  // The messages that contain the text.
  int CountMessages(const std::string& text) {
    int n = 0;
    for (const std::string& m : Messages()) n += m.find(text) != std::string::npos ? 1 : 0;
    return n;
  }
};
