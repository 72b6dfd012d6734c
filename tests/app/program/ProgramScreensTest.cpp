// CECorvane's connection-state screen against phonesim: which state container and which buttons
// each message and each phone condition shows, read from the program's `layers`.
#include "ProgramE2E.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using e2e::kReplyMs;
using e2e::ProgramE2E;
using e2e::SLayer;
using e2e::SLayers;

// The connection screen's state containers, one shown at a time.
const char* const kStates[] = {"USB_OUT",           "container_NotExist", "container_hidecorvane",
                               "container_Linking", "container_Starting", "corvane_video",
                               "container_calling"};

// The linking text as the screen writes it, from the language file's LINKING.
std::string LinkingText(int percent) {
  return "正在连接... " + std::to_string(percent) + " %";
}

std::set<std::string> ShownButtons(const SLayers& screen) {
  std::set<std::string> out;
  for (const SLayer& l : screen.layers) {
    if (l.className == "CWceUiButton") out.insert(l.name);
  }
  return out;
}

// The buttons each state offers: leaving and help only while no phone is linked.
const std::set<std::string> kWaitingButtons = {"btnForbidUsb", "btnResetUsb", "btnhelp", "btnclose"};
const std::set<std::string> kAppMissingButtons = {"btnReConnect", "btnhelp", "btnclose"};
const std::set<std::string> kNoButtons = {};
const std::set<std::string> kBackgroundButtons = {"btnReShow"};
const std::set<std::string> kCallingButtons = {"btn_calling_hide"};

// Only `state` of the state containers is shown, with exactly `buttons`, and the version label
// while the screen waits.
void ExpectState(const SLayers& screen, const std::string& state, const std::set<std::string>& buttons) {
  for (const char* s : kStates) EXPECT_EQ(screen.Shown(s), state == s) << s;
  EXPECT_EQ(ShownButtons(screen), buttons);
  EXPECT_EQ(screen.Shown("corvane_version"), buttons.count("btnclose") == 1);
}

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

class ProgramScreens : public ProgramE2E {
 protected:
  // Waits until `state` is the one shown, then checks it whole.
  void WaitForState(const std::string& state, const std::set<std::string>& buttons, SLayers* last = nullptr) {
    SLayers screen;
    ASSERT_TRUE(WaitForLayers([&](const SLayers& l) { return l.Shown(state); }, kReplyMs, &screen))
        << "no " << state;
    ExpectState(screen, state, buttons);
    if (last) *last = screen;
  }
};

TEST_F(ProgramScreens, WithoutAPhoneTheScreenWaitsWithItsHelpAndCloseButtons) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  SLayers screen;
  ASSERT_TRUE(Layers(&screen));
  EXPECT_EQ(screen.Dialogs(), std::vector<std::string>{"CMainDlg"});
  ExpectState(screen, "USB_OUT", kWaitingButtons);
  EXPECT_EQ(Quit(), 0);
}

// The messages of the phone link and the sequencer, as the engine posts them, each showing its
// state; the phone cannot be held at most of these steps, so the console posts them.
TEST_F(ProgramScreens, EachMessageShowsItsStateWithItsButtons) {
  const struct {
    const char* message;
    const char* state;
    const std::set<std::string>* buttons;
    int percent;  // the linking text's, or -1
  } cases[] = {
      {"WMMSG_CORVANE_USB_OUT 0 1", "USB_OUT", &kWaitingButtons, -1},
      {"CORVAN_WM_CONNECT_STEP 0 10", "container_Linking", &kNoButtons, 10},
      {"CORVAN_WM_CONNECT_STEP 0 50", "container_Linking", &kNoButtons, 50},
      {"CORVAN_WM_CONNECT_STEP 0 90", "container_Linking", &kNoButtons, 90},
      {"CORVAN_WM_MSG 0 2", "container_NotExist", &kAppMissingButtons, -1},
      {"CORVAN_WM_CONNECT_STEP 0 30", "container_Linking", &kNoButtons, 30},
      {"CORVAN_WM_CONNECT_STEP 0 100", "container_Starting", &kNoButtons, -1},
      {"NMSG_CORVANE_GET_VIDEO_DATA 0 0", "corvane_video", &kNoButtons, -1},
      {"INNER_MSG_CORVANE_CALLING_STATE 0 1", "container_calling", &kCallingButtons, -1},
      {"INNER_MSG_CORVANE_CALLING_STATE 0 0", "container_hidecorvane", &kBackgroundButtons, -1},
      {"WMMSG_CORVANE_USB_OUT 0 0", "USB_OUT", &kWaitingButtons, -1},
  };
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    ASSERT_TRUE(Send(std::string("msg ") + c.message));
    SLayers screen;
    ASSERT_NO_FATAL_FAILURE(WaitForState(c.state, *c.buttons, &screen));
    if (c.percent >= 0) {
      const SLayer* text = screen.FindIn("container_Linking", "USB_LINKING");
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(text->text, LinkingText(c.percent));
    }
  }
  EXPECT_EQ(Quit(), 0);
}

// What the phone itself makes of the screen: held at its prompt to allow the head unit, without
// the app, with an app that never opens its picture, and a whole connection.
TEST_F(ProgramScreens, ThePhonesConditionShowsItsState) {
  const struct {
    std::vector<std::string> phone;
    const char* line;  // the program's message line after which the state holds
    const char* state;
    const std::set<std::string>* buttons;
    int percent;
  } cases[] = {
      {{"--auth", "on", "--accept-keys", "no"},
       "msg CORVAN_WM_CONNECT_STEP 0 10",
       "container_Linking",
       &kNoButtons,
       10},
      {{"--app-missing", "com.velto.corvane"},
       "msg CORVAN_WM_MSG 0 2",
       "container_NotExist",
       &kAppMissingButtons,
       -1},
      {{"--app-fault", "ignore=settings"},
       "msg CORVAN_WM_CONNECT_STEP 0 100",
       "container_Starting",
       &kNoButtons,
       -1},
      {{}, "msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", "corvane_video", &kNoButtons, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    m_lines.clear();
    ASSERT_NO_FATAL_FAILURE(StartPhone(c.phone));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(ReadUntil(c.line, 30000));
    SLayers screen;
    ASSERT_NO_FATAL_FAILURE(WaitForState(c.state, *c.buttons, &screen));
    if (c.percent >= 0) {
      const SLayer* text = screen.FindIn("container_Linking", "USB_LINKING");
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(text->text, LinkingText(c.percent));
    }
    EXPECT_EQ(Quit(), 0);
    StopPhone();
  }
}

}  // namespace
