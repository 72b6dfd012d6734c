// wceui-view against CECorvane itself: the help and the phone pop-up, drawn by the tool from the
// pack the program reads, are pixel for pixel what the program's `screen` writes while it shows
// them, at both depths. Both dialogs cover the whole screen, so nothing of the screen below shows.
#include "tests/app/program/ProgramE2E.h"
#include "tests/support/Child.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e2e::kReplyMs;
using e2e::SLayer;
using e2e::SLayers;

class WceUiViewProgram : public e2e::ProgramE2E {
 protected:
  // The tool's picture of a dialog of the pack, named as the program names its folders.
  bool View(const std::string& pack, int nBits, const std::string& dialog, e2e::SScreen* out) {
    const std::string at = (m_Dir / pack).string() + "\\";
    const std::filesystem::path file = m_Root / ("view-" + dialog + "-" + std::to_string(nBits) + ".bmp");
    e2e::Child tool;
    if (!tool.Start({WCEUI_VIEW_PATH, "--wnd", at + "wnd", "--res", at + "res", "--lang",
                     at + "language\\ChineseGB.ini", "--password", CORVANE_PACK_PASSWORD, "--screen",
                     "800x480", "--bpp", std::to_string(nBits), dialog, "--out", file.string()},
                    {})) {
      return false;
    }
    const int nExit = tool.Wait(kReplyMs);
    EXPECT_EQ(nExit, 0) << dialog;
    return nExit == 0 && ReadBmpFile(file, out);
  }
};

// The count of pixels whose stored values differ, the first few reported.
int CountDifferent(const e2e::SScreen& program, const e2e::SScreen& tool) {
  EXPECT_EQ(program.width, tool.width);
  EXPECT_EQ(program.height, tool.height);
  EXPECT_EQ(program.bpp, tool.bpp);
  if (program.width != tool.width || program.height != tool.height || program.bpp != tool.bpp) return -1;
  int nDifferent = 0;
  for (int y = 0; y < program.height; ++y) {
    for (int x = 0; x < program.width; ++x) {
      if (program.Stored(x, y) != tool.Stored(x, y) && ++nDifferent <= 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": the program shows " << std::hex
                      << program.Stored(x, y) << ", the tool " << tool.Stored(x, y);
      }
    }
  }
  return nDifferent;
}

TEST_F(WceUiViewProgram, DrawsTheHelpAndThePhoneDialogAsTheProgramShowsThem) {
  const struct {
    int nBits;
    const char* pPack;  // the one the program chooses for an 800x480 screen at this depth
  } cases[] = {{32, "corvane_res.pack"}, {16, "cecorvane_16_res.pack"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nBits);
    m_Lines.clear();
    ASSERT_NO_FATAL_FAILURE(StartProgram({"--screen", "800x480", "--bpp", std::to_string(c.nBits)}));
    ASSERT_TRUE(TapHelpButton());
    SLayers screen;
    ASSERT_TRUE(
        WaitForLayers([](const SLayers& l) { return l.FindIn("CHelpDlg", "container_help_sel") != nullptr; },
                      kReplyMs, &screen));
    e2e::SScreen program, tool;
    ASSERT_TRUE(Screen("help-" + std::to_string(c.nBits) + ".bmp", &program));
    ASSERT_TRUE(View(c.pPack, c.nBits, "CHelpDlg", &tool));
    EXPECT_EQ(CountDifferent(program, tool), 0) << "CHelpDlg";

    // Out of the help from its selection, then the pop-up other programs open.
    const SLayer* back = screen.FindIn("CHelpDlg", "btnExithelp");
    ASSERT_NE(back, nullptr);
    ASSERT_TRUE(Tap(*back));
    ASSERT_TRUE(WaitForLayers([](const SLayers& l) { return l.Dialogs().size() == 1; }, kReplyMs, &screen));
    ASSERT_TRUE(Send("msg NMSG_CORVANE_VIDEO_DLG_SHOW 0 0"));
    ASSERT_TRUE(WaitForLayers(
        [](const SLayers& l) { return l.FindIn("CPhoneDlg", "phone_panel") != nullptr; }, kReplyMs, &screen));
    ASSERT_TRUE(Screen("phone-" + std::to_string(c.nBits) + ".bmp", &program));
    ASSERT_TRUE(View(c.pPack, c.nBits, "CPhoneDlg", &tool));
    EXPECT_EQ(CountDifferent(program, tool), 0) << "CPhoneDlg";
    EXPECT_EQ(Quit(), 0);
  }
}

}  // namespace
