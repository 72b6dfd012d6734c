// CECorvane's connection-state screen against phonesim: which state container and which buttons
// each message and each phone condition shows, read from the program's `layers`.
#include "tests/app/program/ProgramE2E.h"
#include "tests/support/PhonePicture.h"
#include "tests/app/program/ProgramSimE2E.h"

#include "phonesim/app/CPictureSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
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
  for (const SLayer& l : screen.m_Layers) {
    if (l.m_strClassName == "CWceUiButton") out.insert(l.m_strName);
  }
  return out;
}

// The largest difference of one colour channel between the screen's rectangle and the picture
// laid over it, at the screen's depth: a 16-bit screen keeps 5, 6 and 5 bits of the colours.
int LargestDifference(const e2e::SScreen& screen, const SLayer& frame, const std::vector<uint8_t>& rgb) {
  const int width = frame.m_nRight - frame.m_nLeft;
  const uint32_t keep = screen.bpp == 16 ? 0xF8FCF8 : 0xFFFFFF;
  int largest = 0;
  for (int y = 0; y < frame.m_nBottom - frame.m_nTop; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      const uint32_t want =
          (static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2]) & keep;
      const uint32_t got = screen.Pixel(frame.m_nLeft + x, frame.m_nTop + y) & keep;
      for (int shift : {0, 8, 16}) {
        largest = std::max(largest, std::abs(static_cast<int>((want >> shift) & 0xFF) -
                                             static_cast<int>((got >> shift) & 0xFF)));
      }
    }
  }
  return largest;
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
    const char* m_pszLine;
    bool m_bOk;
    size_t m_nDepth;
    int m_nId;
    const char* m_pszName;
    int m_nLeft, m_nTop, m_nRight, m_nBottom;
    bool m_bHasText;
    const char* m_pszText;
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
    SCOPED_TRACE(c.m_pszLine);
    SLayer layer;
    ASSERT_EQ(e2e::ParseLayer(c.m_pszLine, &layer), c.m_bOk);
    if (!c.m_bOk) continue;
    EXPECT_EQ(layer.m_nDepth, c.m_nDepth);
    EXPECT_EQ(layer.m_nId, c.m_nId);
    EXPECT_EQ(layer.m_strName, c.m_pszName);
    EXPECT_EQ(layer.m_nLeft, c.m_nLeft);
    EXPECT_EQ(layer.m_nTop, c.m_nTop);
    EXPECT_EQ(layer.m_nRight, c.m_nRight);
    EXPECT_EQ(layer.m_nBottom, c.m_nBottom);
    EXPECT_EQ(layer.m_bHasText, c.m_bHasText);
    EXPECT_EQ(layer.m_strText, c.m_pszText);
  }
}

// The screen checks over either fixture: the phone as a program, or in the test's own process.
template <class Fixture>
class ScreenChecks : public Fixture {
 protected:
  // Waits until `state` is the one shown, then checks it whole.
  void WaitForState(const std::string& state, const std::set<std::string>& buttons, SLayers* last = nullptr) {
    SLayers screen;
    ASSERT_TRUE(this->WaitForLayers([&](const SLayers& l) { return l.Shown(state); }, kReplyMs, &screen))
        << "no " << state;
    ExpectState(screen, state, buttons);
    if (last) *last = screen;
  }
  // Waits until the dialog over the screen has ended and the screen alone runs.
  void WaitForOnlyTheScreen(SLayers* screen) {
    ASSERT_TRUE(
        this->WaitForLayers([](const SLayers& l) { return l.Dialogs().size() == 1; }, kReplyMs, screen));
    EXPECT_EQ(screen->Dialogs(), std::vector<std::string>{"CMainDlg"});
  }
  // Reads until the program printed `line` once more than it had when `before` was taken.
  bool ReadOneMore(const std::string& line, size_t before, int ms = kReplyMs) {
    return this->ReadUntilCount(line, before + 1, ms);
  }
};

class ProgramScreens : public ScreenChecks<ProgramE2E> {};
class ProgramSimScreens : public ScreenChecks<e2e::ProgramSimE2E> {};

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
    const char* m_pszMessage;
    const char* m_pszState;
    const std::set<std::string>* m_pButtons;
    int m_nPercent;  // the linking text's, or -1
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
    SCOPED_TRACE(c.m_pszMessage);
    ASSERT_TRUE(Send(std::string("msg ") + c.m_pszMessage));
    SLayers screen;
    ASSERT_NO_FATAL_FAILURE(WaitForState(c.m_pszState, *c.m_pButtons, &screen));
    if (c.m_nPercent >= 0) {
      const SLayer* text = screen.FindIn("container_Linking", "USB_LINKING");
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(text->m_strText, LinkingText(c.m_nPercent));
    }
  }
  EXPECT_EQ(Quit(), 0);
}

// What the phone itself makes of the screen: held at its prompt to allow the head unit, without
// the app, with an app whose command port never answers (linked, but no picture ever comes), and a
// whole connection.
TEST_F(ProgramScreens, ThePhonesConditionShowsItsState) {
  const struct {
    std::vector<std::string> m_Phone;
    const char* m_pszLine;  // the program's message line after which the state holds
    const char* m_pszState;
    const std::set<std::string>* m_pButtons;
    int m_nPercent;
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
      {{"--fault", "silent=tcp:7240"},
       "msg CORVAN_WM_CONNECT_STEP 0 100",
       "container_Starting",
       &kNoButtons,
       -1},
      {{}, "msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", "corvane_video", &kNoButtons, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszLine);
    m_Lines.clear();
    ASSERT_NO_FATAL_FAILURE(StartPhone(c.m_Phone));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(ReadUntil(c.m_pszLine, 30000));
    SLayers screen;
    ASSERT_NO_FATAL_FAILURE(WaitForState(c.m_pszState, *c.m_pButtons, &screen));
    if (c.m_nPercent >= 0) {
      const SLayer* text = screen.FindIn("container_Linking", "USB_LINKING");
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(text->m_strText, LinkingText(c.m_nPercent));
    }
    EXPECT_EQ(Quit(), 0);
    StopPhone();
  }
}

// The phone's own reports and its cable, at the moments the test chooses.
TEST_F(ProgramSimScreens, ThePhonesReportsMoveTheScreenBetweenVideoBackgroundAndCalling) {
  ASSERT_NO_FATAL_FAILURE(StartSim());
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_TRUE(ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 30000));
  ASSERT_NO_FATAL_FAILURE(WaitForState("corvane_video", kNoButtons));
  // A phone app in the background or in a call sends no pictures until its foreground report:
  // the pictures that come again with it bring the video state back.
  const struct {
    const char* m_pszInjection;
    const char* m_pszLine;
    const char* m_pszState;
    const std::set<std::string>* m_pButtons;
  } cases[] = {
      {"background", "msg MESSAGE_CMD_REV 0 65564", "container_hidecorvane", &kBackgroundButtons},
      {"call-begin", "msg INNER_MSG_CORVANE_CALLING_STATE 0 1", "container_calling", &kCallingButtons},
      {"call-end", "msg INNER_MSG_CORVANE_CALLING_STATE 0 0", "container_hidecorvane", &kBackgroundButtons},
      {"foreground", "msg MESSAGE_CMD_REV 0 65563", "corvane_video", &kNoButtons},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszInjection);
    const size_t before = Count(c.m_pszLine);
    std::string error;
    ASSERT_TRUE(m_Sim.App().Inject(c.m_pszInjection, &error)) << error;
    ASSERT_TRUE(ReadOneMore(c.m_pszLine, before));
    ASSERT_NO_FATAL_FAILURE(WaitForState(c.m_pszState, *c.m_pButtons));
  }
  m_Sim.Unplug();
  ASSERT_TRUE(ReadUntil("msg WMMSG_CORVANE_USB_OUT 0 0", kReplyMs));
  ASSERT_NO_FATAL_FAILURE(WaitForState("USB_OUT", kWaitingButtons));
  EXPECT_EQ(Quit(), 0);
}

// The buttons of the background and calling screens bring the phone app to the front: the phone
// is asked to start its activity once more. One tap a run: the screen takes one tap a second.
TEST_F(ProgramSimScreens, TheBackgroundAndCallingButtonsBringThePhoneAppToTheFront) {
  const char kAppStart[] = "am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity";
  const struct {
    std::vector<const char*> m_Injections;
    const char* m_pszState;
    const char* m_pszButton;
  } cases[] = {
      {{"background"}, "container_hidecorvane", "btnReShow"},
      {{"background", "call-begin"}, "container_calling", "btn_calling_hide"},
  };
  auto appStarts = [&](const e2e::SPhoneLog& log) {
    size_t n = 0;
    for (const e2e::SShell& s : log.m_Shell) n += s.m_strCommand.find(kAppStart) != std::string::npos;
    return n;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszButton);
    m_Lines.clear();
    ASSERT_NO_FATAL_FAILURE(StartSim());
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 30000));
    ASSERT_NO_FATAL_FAILURE(WaitForState("corvane_video", kNoButtons));
    // The phone app in the background sends no pictures after its reports.
    for (const char* injection : c.m_Injections) {
      std::string error;
      ASSERT_TRUE(m_Sim.App().Inject(injection, &error)) << error;
    }
    SLayers screen;
    ASSERT_TRUE(WaitForLayers([&](const SLayers& l) { return l.Shown(c.m_pszState); }, kReplyMs, &screen));
    const SLayer* button = screen.Find(c.m_pszButton);
    ASSERT_NE(button, nullptr);
    const size_t before = appStarts(Log());
    ASSERT_TRUE(Tap(*button));
    EXPECT_TRUE(WaitForLog([&](const e2e::SPhoneLog& l) { return appStarts(l) == before + 1; }, kReplyMs));
    EXPECT_EQ(Quit(), 0);
    m_Sim.Stop();
  }
}

// A touch on the window goes to the phone scaled from the window to the phone's picture, the
// phone's nearest point for one beyond the window, and none while the phone shows its own screen.
TEST_F(ProgramSimScreens, TouchesReachThePhoneScaledToItsPictureOnlyWhileItIsInTheForeground) {
  phonesim::SPhoneSimOptions options;
  options.m_App.m_nVideoWidth = 1280;
  options.m_App.m_nVideoHeight = 720;
  ASSERT_NO_FATAL_FAILURE(StartSim(options));
  ASSERT_NO_FATAL_FAILURE(StartProgram({"--screen", "1024x600"}));
  const std::string foreground = "msg MESSAGE_CMD_REV 0 65563";
  ASSERT_TRUE(ReadUntil(foreground, 30000));
  struct Touch {
    const char* m_pszVerb;
    int m_nX, m_nY;
    const char* m_pszPhone;  // what the phone records
  };
  // The phone's actions: 0 down, 1 up, 2 move.
  const Touch inForeground[] = {
      {"down", 0, 0, "action: 0 x: 0 y: 0"},           {"move", 512, 300, "action: 2 x: 640 y: 360"},
      {"move", 1023, 599, "action: 2 x: 1278 y: 718"}, {"move", 1100, 650, "action: 2 x: 1279 y: 719"},
      {"up", 256, 150, "action: 1 x: 320 y: 180"},
  };
  // In corners, away from every button of the background screen.
  const Touch inBackground[] = {{"down", 8, 8, ""}, {"up", 8, 8, ""}};
  const Touch inForegroundAgain[] = {
      {"down", 1016, 592, "action: 0 x: 1270 y: 710"},
      {"up", 1016, 592, "action: 1 x: 1270 y: 710"},
  };
  auto send = [this](const Touch& t) {
    return Send(std::string("touch ") + t.m_pszVerb + " " + std::to_string(t.m_nX) + " " +
                std::to_string(t.m_nY));
  };
  // Each group is handled before the phone's next report is made: the ping follows the touches
  // through the window's queue.
  for (const Touch& t : inForeground) ASSERT_TRUE(send(t));
  ASSERT_TRUE(Ping());

  std::string error;
  ASSERT_TRUE(m_Sim.App().Inject("background", &error)) << error;
  ASSERT_TRUE(ReadUntil("msg MESSAGE_CMD_REV 0 65564", kReplyMs));
  for (const Touch& t : inBackground) ASSERT_TRUE(send(t));
  ASSERT_TRUE(Ping());
  // The touches posted after the report was printed are handled after it.
  const size_t before = Count(foreground);
  ASSERT_TRUE(m_Sim.App().Inject("foreground", &error)) << error;
  ASSERT_TRUE(ReadOneMore(foreground, before));
  for (const Touch& t : inForegroundAgain) ASSERT_TRUE(send(t));

  // The touches travel in order on one channel: once the last is recorded, every one sent before
  // it is too.
  const size_t expected = std::size(inForeground) + std::size(inForegroundAgain);
  e2e::SPhoneLog log;
  ASSERT_TRUE(WaitForLog(
      [&](const e2e::SPhoneLog& l) {
        const auto touches = l.Rx(0x00068001);
        return !touches.empty() && touches.back().m_strFields == inForegroundAgain[1].m_pszPhone;
      },
      kReplyMs, &log));
  std::vector<std::string> recorded;
  for (const e2e::SAppRx& rx : log.Rx(0x00068001)) recorded.push_back(rx.m_strFields);
  std::vector<std::string> wanted;
  for (const Touch& t : inForeground) wanted.push_back(t.m_pszPhone);
  for (const Touch& t : inForegroundAgain) wanted.push_back(t.m_pszPhone);
  EXPECT_EQ(recorded.size(), expected);
  EXPECT_EQ(recorded, wanted);
  EXPECT_EQ(Quit(), 0);
}

// Help, reached by a touch on its button: the phone's kind, then its pages, each back button one
// page back, and out from the selection.
TEST_F(ProgramScreens, TheHelpDialogsStepsFollowTouchesOnItsButtons) {
  const char* const pages[] = {"container_help_sel", "android_help_1", "android_help_2", "IOS_help_1",
                               "ios_help_2"};
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_TRUE(TapHelpButton());
  SLayers screen;
  const struct {
    const char* m_pszButton;  // tapped on the page shown; nullptr: none, the page help opens with
    const char* m_pszPage;    // shown after it; nullptr: help has ended
  } steps[] = {
      {nullptr, "container_help_sel"},       {"btn_android", "android_help_1"},
      {"btn_ad_step1", "android_help_2"},    {"btnExithelp", "android_help_1"},
      {"btnExithelp", "container_help_sel"}, {"btn_iphone", "IOS_help_1"},
      {"btn_ios_step1", "ios_help_2"},       {"btnExithelp", "IOS_help_1"},
      {"btnExithelp", "container_help_sel"}, {"btnExithelp", nullptr},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::string(step.m_pszButton ? step.m_pszButton : "help") + " -> " +
                 (step.m_pszPage ? step.m_pszPage : "out"));
    if (step.m_pszButton != nullptr) {
      const SLayer* button = screen.FindIn("CHelpDlg", step.m_pszButton);
      ASSERT_NE(button, nullptr);
      ASSERT_TRUE(Tap(*button));
    }
    if (step.m_pszPage == nullptr) {
      ASSERT_NO_FATAL_FAILURE(WaitForOnlyTheScreen(&screen));
      continue;
    }
    ASSERT_TRUE(
        WaitForLayers([&](const SLayers& l) { return l.FindIn("CHelpDlg", step.m_pszPage) != nullptr; },
                      kReplyMs, &screen));
    EXPECT_EQ(screen.Dialogs(), (std::vector<std::string>{"CMainDlg", "CHelpDlg"}));
    for (const char* page : pages)
      EXPECT_EQ(screen.FindIn("CHelpDlg", page) != nullptr, page == std::string(step.m_pszPage)) << page;
    EXPECT_NE(screen.FindIn("CHelpDlg", "btnExithelp"), nullptr);
  }
  ExpectState(screen, "USB_OUT", kWaitingButtons);
  EXPECT_EQ(Quit(), 0);
}

// The pop-up other programs open over the screen, closed by a touch on its button or by their
// message; the screen below runs on.
TEST_F(ProgramScreens, ThePhoneDialogOpensOnItsMessageAndClosesByItsButtonOrItsMessage) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const struct {
    const char* m_pszHow;
    const char* m_pszClosing;  // the console line that closes it; nullptr: a tap on its button
  } cases[] = {{"by its button", nullptr}, {"by its message", "msg NMSG_CORVANE_VIDEO_DLG_HIDE 0 0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszHow);
    ASSERT_TRUE(Send("msg NMSG_CORVANE_VIDEO_DLG_SHOW 0 0"));
    SLayers screen;
    ASSERT_TRUE(WaitForLayers([](const SLayers& l) { return l.Dialogs().size() == 2; }, kReplyMs, &screen));
    EXPECT_EQ(screen.Dialogs(), (std::vector<std::string>{"CMainDlg", "CPhoneDlg"}));
    EXPECT_NE(screen.FindIn("CPhoneDlg", "phone_panel"), nullptr);
    const SLayer* close = screen.FindIn("CPhoneDlg", "btnclose");
    ASSERT_NE(close, nullptr);
    ASSERT_TRUE(c.m_pszClosing ? Send(c.m_pszClosing) : Tap(*close));
    ASSERT_NO_FATAL_FAILURE(WaitForOnlyTheScreen(&screen));
    ExpectState(screen, "USB_OUT", kWaitingButtons);
  }
  EXPECT_EQ(Quit(), 0);
}

// The video state's pixels are the phone's picture: the screen, read back, holds one of the
// pictures the phone sent, made again here from its frame number, over the whole video frame.
TEST_F(ProgramScreens, TheVideoStateShowsThePhonesPictureOnTheScreen) {
  const struct {
    const char* m_pszScreen;
    const char* m_pszBpp;
  } cases[] = {{"800x480", "32"}, {"1024x600", "16"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.m_pszScreen) + " at " + c.m_pszBpp + " bits");
    m_Lines.clear();
    // The record holds this case's pictures only.
    fs::remove(m_State / "phonesim.log");
    ASSERT_NO_FATAL_FAILURE(StartPhone());
    ASSERT_NO_FATAL_FAILURE(StartProgram({"--screen", c.m_pszScreen, "--bpp", c.m_pszBpp}));
    ASSERT_TRUE(ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 30000));
    SLayers screen;
    ASSERT_NO_FATAL_FAILURE(WaitForState("corvane_video", kNoButtons, &screen));
    const SLayer* frame = screen.Find("video_frame");
    ASSERT_NE(frame, nullptr);
    const SLayer* dialog = screen.Find("CMainDlg");
    ASSERT_NE(dialog, nullptr);
    // The frame fills the screen.
    EXPECT_EQ(frame->m_nRight - frame->m_nLeft, dialog->m_nRight - dialog->m_nLeft);
    EXPECT_EQ(frame->m_nBottom - frame->m_nTop, dialog->m_nBottom - dialog->m_nTop);

    // The screen is read while pictures go on arriving: it shows one the phone sent before.
    phonesim::CPictureSource source;
    const int width = frame->m_nRight - frame->m_nLeft;
    const int height = frame->m_nBottom - frame->m_nTop;
    int closest = 256;
    uint32_t shown = 0;
    const auto end = e2e::Clock::now() + std::chrono::milliseconds(kReplyMs);
    for (int n = 0; closest != 0 && e2e::MsLeft(end) > 0; ++n) {
      e2e::SScreen shot;
      ASSERT_TRUE(Screen("video-" + std::string(c.m_pszBpp) + "-" + std::to_string(n) + ".bmp", &shot));
      ASSERT_EQ(shot.bpp, std::atoi(c.m_pszBpp));
      const e2e::SPhoneLog log = Log();
      ASSERT_FALSE(log.m_Pictures.empty());
      for (auto p = log.m_Pictures.rbegin(); p != log.m_Pictures.rend() && closest != 0; ++p) {
        std::vector<uint8_t> jpeg, rgb;
        ASSERT_TRUE(source.Picture(p->m_nFrame, width, height, &jpeg));
        ASSERT_EQ(jpeg.size(), p->m_nSize) << "frame " << p->m_nFrame << " could not be made again";
        ASSERT_TRUE(DecodeLikeTheSurface(jpeg, width, height, &rgb));
        const int difference = LargestDifference(shot, *frame, rgb);
        if (difference < closest) {
          closest = difference;
          shown = p->m_nFrame;
        }
      }
    }
    EXPECT_EQ(closest, 0) << "closest to frame " << shown;
    EXPECT_EQ(Quit(), 0);
    StopPhone();
  }
}

}  // namespace
