// CECorvane's connection-state screen against phonesim: which state container and which buttons
// each message and each phone condition shows, read from the program's `layers`.
#include "ProgramE2E.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e2e::kReplyMs;
using e2e::ProgramE2E;
using e2e::SLayer;
using e2e::SLayers;

TEST(ProgramLayerLine, IsParsedWithItsDepthRectangleAndText) {
  const struct {
    const char* line;
    bool ok;
    size_t depth;
    int id;
    const char* name;
    int left, top, right, bottom;
    bool hasText;
    const char* text;
  } cases[] = {
      {"1 CMainDlg CMainDlg 0,0,800,480", true, 0, 1, "CMainDlg", 0, 0, 800, 480, false, ""},
      {"    17 USB_LINKING CWceUiLayer -4,10,300,60 \"LINK... 40 %\"", true, 2, 17, "USB_LINKING", -4, 10,
       300, 60, true, "LINK... 40 %"},
      {"  3 - CWceUiLayer 1,2,3,4 \"\"", true, 1, 3, "-", 1, 2, 3, 4, true, ""},
      {"msg CORVAN_WM_CONNECT_STEP 0 100", false, 0, 0, "", 0, 0, 0, 0, false, ""},
      {"end", false, 0, 0, "", 0, 0, 0, 0, false, ""},
      {" 3 odd CWceUiLayer 1,2,3,4", false, 0, 0, "", 0, 0, 0, 0, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    SLayer layer;
    ASSERT_EQ(e2e::ParseLayer(c.line, &layer), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(layer.depth, c.depth);
    EXPECT_EQ(layer.id, c.id);
    EXPECT_EQ(layer.name, c.name);
    EXPECT_EQ(layer.left, c.left);
    EXPECT_EQ(layer.top, c.top);
    EXPECT_EQ(layer.right, c.right);
    EXPECT_EQ(layer.bottom, c.bottom);
    EXPECT_EQ(layer.hasText, c.hasText);
    EXPECT_EQ(layer.text, c.text);
  }
}

class ProgramScreens : public ProgramE2E {};

TEST_F(ProgramScreens, WithoutAPhoneTheScreenWaitsWithItsHelpAndCloseButtons) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  SLayers screen;
  ASSERT_TRUE(Layers(&screen));
  ASSERT_FALSE(screen.layers.empty());
  EXPECT_EQ(screen.Dialogs(), std::vector<std::string>{"CMainDlg"});
  EXPECT_TRUE(screen.Shown("USB_OUT"));
  EXPECT_TRUE(screen.Shown("btnhelp"));
  EXPECT_TRUE(screen.Shown("btnclose"));
  EXPECT_EQ(Quit(), 0);
}

}  // namespace
