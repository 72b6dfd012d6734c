// The program's own screens from its resource pack: each is built by its class name, each state
// shows its container and buttons with the language file's texts, and the buttons reach their
// dialog through the window.
#include "tests/app/screens/ScreenFixture.h"

#include "app/AppWindowMessages.h"
#include "app/CHelpDlg.h"
#include "app/CMainDlg.h"
#include "app/CPhoneDlg.h"
#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvaneWindowMessages.h"
#include "tests/engine/FakeAdb.h"

#include "phonelink/CorvaneAdb.h"

#include "platform/kernel/wcestr.h"
#include "platform/kernel/KernelHooks.h"
#include "wceui/resfiles/WceUiResource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr char16_t kPack[] = u"corvane_res.pack";

// The 800 x 480, 32-bit pack beside the program, as the program opens it.
class RealScreenFilesTest : public ScreenFixture {
 protected:
  void SetUp() override {
    SetUpScreen(800, 480);
    const std::u16string programDir = u"\\SDMMC\\CECorvane\\";
    std::filesystem::copy_file(std::filesystem::path(CORVANE_BIN_DIR) / WceWideToUtf8(kPack),
                               wce::HostPath(programDir + kPack));
    WceUiSetPackPassword(CORVANE_PACK_PASSWORD);
    const std::u16string pack = kPack;
    ASSERT_TRUE(WceUiInit(Instance(), (pack + u"\\wnd").c_str(), (pack + u"\\res").c_str(),
                          (pack + u"\\language\\ChineseGB.ini").c_str(), FALSE));
  }
};

// Which layers each pack holds is the packs' own test; here: the root window and the screen's
// help button find each screen by its class name.
TEST_F(RealScreenFilesTest, EachScreenIsBuiltByItsClassName) {
  for (LPCWSTR pDlgName : {u"CMainDlg", u"CHelpDlg", u"CPhoneDlg"}) {
    CWceUiDlg* pDlg = Ctrl()->CreateDlg(pDlgName);
    ASSERT_NE(pDlg, nullptr) << WceWideToUtf8(pDlgName);
    EXPECT_EQ(WceWideToUtf8(pDlg->GetClassName()), WceWideToUtf8(pDlgName));
    Ctrl()->DeleteLayer(pDlg);
  }
}

TEST_F(RealScreenFilesTest, EachStateShowsItsContainerAndButtons) {
  const LPCWSTR kContainers[CORVANE_STATE_COUNT] = {
      u"USB_OUT",           u"container_NotExist", u"container_hidecorvane",
      u"container_Linking", u"container_Starting", u"corvane_video",
      u"container_calling"};
  // Messages that lead to each state, from a phone attached.
  struct {
    int m_nState;
    std::vector<std::pair<const UINT*, LPARAM>> m_Msgs;
  } const kRoads[] = {
      {STATE_CORVANE_LINKING, {{&CORVAN_WM_CONNECT_STEP, 40}}},
      {STATE_CORVANE_STARTING, {{&CORVAN_WM_CONNECT_STEP, 100}}},
      {STATE_CORVANE_VIDEO, {{&CORVAN_WM_CONNECT_STEP, 100}, {&NMSG_CORVANE_GET_VIDEO_DATA, 0}}},
      {STATE_CORVANE_HIDE, {{&CORVAN_WM_CONNECT_STEP, 100}, {&MESSAGE_CMD_REV, MSG_CMD_PHONE_BACKGROUND}}},
      {STATE_CORVANE_CALLING, {{&INNER_MSG_CORVANE_CALLING_STATE, 1}}},
      {STATE_CORVANE_NOT_EXIST, {{&CORVAN_WM_MSG, CORVAN_MSG_APP_MISSING}}},
      {STATE_CORVANE_USB_OUT, {{&CORVAN_WM_CONNECT_STEP, 40}, {&WMMSG_CORVANE_USB_OUT, 0}}},
  };
  for (const auto& road : kRoads) {
    SCOPED_TRACE(road.m_nState);
    g_CorvaneAppFlags.Reset();
    CMainDlg* pDlg = Create<CMainDlg>(u"CMainDlg");
    ASSERT_NE(pDlg, nullptr);
    RunModal(pDlg, [&] {
      Send(WMMSG_CORVANE_USB_OUT, 1);
      for (const auto& m : road.m_Msgs) Send(*m.first, m.second);
      EXPECT_EQ(pDlg->GetState(), road.m_nState);
      for (int i = 0; i < CORVANE_STATE_COUNT; ++i)
        EXPECT_EQ(Shown(pDlg, kContainers[i]), i == road.m_nState) << i;
      const bool bIdle = road.m_nState == STATE_CORVANE_USB_OUT || road.m_nState == STATE_CORVANE_NOT_EXIST;
      EXPECT_EQ(Shown(pDlg, u"btnclose"), bIdle);
      EXPECT_EQ(Shown(pDlg, u"btnhelp"), bIdle);
      EXPECT_EQ(Shown(pDlg, u"corvane_version"), bIdle);
      if (road.m_nState == STATE_CORVANE_LINKING) {
        EXPECT_EQ(Text(Layer(pDlg, u"USB_LINKING", u"container_Linking")),
                  "\xE6\xAD\xA3\xE5\x9C\xA8\xE8\xBF\x9E\xE6\x8E\xA5... 40 %");
      }
    });
  }
}

// A plain layer keeps its children's clicks; only a CWceUiContainer passes them on to the dialog,
// so every group of buttons in the authored files must be one.
TEST_F(RealScreenFilesTest, ButtonsInGroupsReachTheirDialog) {
  fakeadb::SetConnected(true);
  fakeadb::SetAllConnected(false);
  CMainDlg* pMain = Create<CMainDlg>(u"CMainDlg");
  ASSERT_NE(pMain, nullptr);
  RunModal(pMain, [&] {
    Send(WMMSG_CORVANE_USB_OUT, 1);
    Send(CORVAN_WM_MSG, CORVAN_MSG_APP_MISSING);
    // The start-up logo lies over everything for the screen's first second.
    Advance(1000);
    EXPECT_FALSE(Shown(pMain, u"container_vtlogo"));
    Click(Layer(pMain, u"btnReConnect", u"container_NotExist"));
    EXPECT_EQ(::WaitForSingleObject(g_hEventReconnect, 0), WAIT_OBJECT_0);
    Send(INNER_MSG_CORVANE_CALLING_STATE, 1);
    Advance(1000);
    Click(Layer(pMain, u"btn_calling_hide", u"container_calling"));
    EXPECT_EQ(fakeadb::CountCalls(std::string("Shell ") + kAdbAppStartService), 1);
  });
  CHelpDlg* pHelp = Create<CHelpDlg>(u"CHelpDlg");
  ASSERT_NE(pHelp, nullptr);
  EXPECT_EQ(RunModal(pHelp,
                     [&] {
                       Click(Layer(pHelp, u"btn_android", u"container_help_sel"));
                       EXPECT_EQ(pHelp->GetPlatform(), HELP_PLATFORM_ANDROID);
                       Click(Layer(pHelp, u"btn_ad_step1", u"android_help_1"));
                       EXPECT_EQ(pHelp->GetStep(), 1);
                       for (int i = 0; i < 3; ++i) Click(Layer(pHelp, u"btnExithelp"));
                     }),
            0);
  CPhoneDlg* pPhone = Create<CPhoneDlg>(u"CPhoneDlg");
  ASSERT_NE(pPhone, nullptr);
  EXPECT_EQ(RunModal(pPhone, [&] { Click(Layer(pPhone, u"btnclose", u"phone_panel")); }), 0);
}

}  // namespace
