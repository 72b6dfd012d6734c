// A device root with the framework started on it: window directory "Wnd", resource directory "Res"
// and the language file "Res\language\lang.ini" of the program's directory, written by each test.
#pragma once

#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/support/WceUiTestFiles.h"
#include "wceui/drawing/WceUiDib.h"
#include "wceui/resfiles/WceUiResource.h"

#include <functional>
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

 public:
  // A 32-bit bitmap "bitmap\<stem>.bmp" of nWidth x nHeight whose pixel at (x, y), y counted from
  // the top, is pixel(x, y), and its conf "bitmap\<stem>.conf", which asks for per-pixel alpha when
  // bAlpha.
  static void PutResBitmapConf(const std::u16string& stem, int nWidth, int nHeight,
                               const std::function<DWORD(int x, int y)>& pixel, bool bAlpha) {
    std::vector<DWORD> pixels(static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight));
    // The file's rows run bottom-up.
    for (int y = 0; y < nHeight; ++y) {
      for (int x = 0; x < nWidth; ++x)
        pixels[static_cast<size_t>((nHeight - 1 - y) * nWidth + x)] = pixel(x, y);
    }
    const std::u16string bmp = std::u16string(kResDir) + u"bitmap\\" + stem + u".bmp";
    WceUiPutFile(bmp, "");
    ASSERT_TRUE(Save32BmpFile(bmp.c_str(), pixels.data(), nWidth, nHeight));
    PutResText(u"bitmap\\" + stem + u".conf", u"src=" + stem + u".bmp\r\n" + (bAlpha ? u"pa=true\r\n" : u""));
  }

 protected:
  // The messages that contain the text.
  int CountMessages(const std::string& text) {
    int n = 0;
    for (const std::string& m : Messages()) n += m.find(text) != std::string::npos ? 1 : 0;
    return n;
  }
};
