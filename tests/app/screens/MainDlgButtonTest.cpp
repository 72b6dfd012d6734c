// The connection-state screen's buttons, pressed and released through the real window: leaving,
// reconnecting, bringing the phone app back, the help, and the USB mass-storage switch; a double
// tap acts once.
#include "tests/app/screens/ScreenFixture.h"

#include "app/AppWindowMessages.h"
#include "app/CHelpDlg.h"
#include "app/CMainDlg.h"
#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvaneWindowMessages.h"
#include "tests/engine/FakeAdb.h"

#include "phonelink/CorvaneAdb.h"
#include "platform/registry/registry.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kAppStartCall = std::string("Shell ") + kAdbAppStartService;

class MainDlgButtonTest : public ScreenFixture {
 protected:
  void SetUp() override {
    ScreenFixture::SetUp();
    // The phone answered CNXN and no channel is open: reconnecting is allowed.
    fakeadb::SetConnected(true);
    fakeadb::SetAllConnected(false);
  }
  int RunMain(std::function<void(CMainDlg*)> script) {
    CMainDlg* pDlg = Create<CMainDlg>(u"CMainDlg");
    EXPECT_NE(pDlg, nullptr);
    return RunModal(pDlg, [pDlg, script] { script(pDlg); });
  }
  bool ReconnectSet() { return ::WaitForSingleObject(g_hEventReconnect, 0) == WAIT_OBJECT_0; }
  void ToNotInstalled() {
    Send(WMMSG_CORVANE_USB_OUT, 1);
    Send(CORVAN_WM_MSG, CORVAN_MSG_APP_MISSING);
  }
  void ToBackground() {
    Send(WMMSG_CORVANE_USB_OUT, 1);
    Send(CORVAN_WM_CONNECT_STEP, 100);
    Send(NMSG_CORVANE_GET_VIDEO_DATA, 0);
    Send(MESSAGE_CMD_REV, MSG_CMD_PHONE_BACKGROUND);
  }
  static std::u16string RegDll(const std::u16string& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return u"(no key)";
    WCHAR text[64] = {};
    DWORD cb = sizeof(text);
    DWORD type = 0;
    const LONG r = RegQueryValueExW(h, u"Dll", nullptr, &type, reinterpret_cast<LPBYTE>(text), &cb);
    RegCloseKey(h);
    return r == ERROR_SUCCESS ? std::u16string(text) : u"(no value)";
  }
  static void SetRegDll(const std::u16string& key, const std::u16string& value) {
    HKEY h = nullptr;
    DWORD disp = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, 0, nullptr, &h, &disp),
              ERROR_SUCCESS);
    RegSetValueExW(h, u"Dll", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(h);
  }
};

TEST_F(MainDlgButtonTest, CloseEndsTheScreenAndTheSequencer) {
  EXPECT_EQ(RunMain([&](CMainDlg* pDlg) { Click(Layer(pDlg, u"btnclose")); }), 0);
  EXPECT_EQ(g_CorvaneChannelContext.m_bSysInitQuit, 1);
  EXPECT_EQ(CountLogLines("MainDlg::EndDialog"), 1);
}

TEST_F(MainDlgButtonTest, CloseIsRefusedWhileAProjectionRunsInTheForeground) {
  // Each condition alone leaves the close button working; all three refuse it.
  struct {
    bool m_bVideoChannel, m_bCnxn, m_bForeground;
    int m_nResult;
  } const kCases[] = {
      {true, true, true, kLeftRunning},
      {false, true, true, 0},
      {true, false, true, 0},
      {true, true, false, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.m_bVideoChannel) + std::to_string(c.m_bCnxn) +
                 std::to_string(c.m_bForeground));
    fakeadb::SetChannelConnected(1, c.m_bVideoChannel);
    fakeadb::SetConnected(c.m_bCnxn);
    g_CorvaneAppFlags.m_bPhoneForeground = c.m_bForeground;
    g_CorvaneChannelContext.m_bSysInitQuit = 0;
    EXPECT_EQ(RunMain([&](CMainDlg* pDlg) { Click(Layer(pDlg, u"btnclose")); }), c.m_nResult);
    EXPECT_EQ(g_CorvaneChannelContext.m_bSysInitQuit, c.m_nResult == 0 ? 1 : 0);
    wce::AdvanceTick(1000);
  }
}

TEST_F(MainDlgButtonTest, ReconnectWakesTheSequencerOnlyWhenNothingIsOpen) {
  RunMain([&](CMainDlg* pDlg) {
    ToNotInstalled();
    CWceUiLayer* pButton = Layer(pDlg, u"btnReConnect", u"container_NotExist");
    ASSERT_TRUE(pButton != nullptr && pButton->IsLayerShow());
    Click(pButton);
    EXPECT_TRUE(ReconnectSet());
    // A channel of the last attempt is still open.
    wce::AdvanceTick(1000);
    fakeadb::SetChannelConnected(5, true);
    Click(pButton);
    EXPECT_FALSE(ReconnectSet());
    // No CNXN from the phone yet.
    wce::AdvanceTick(1000);
    fakeadb::SetAllConnected(false);
    fakeadb::SetConnected(false);
    Click(pButton);
    EXPECT_FALSE(ReconnectSet());
  });
  EXPECT_EQ(CountLogLines("btnReConnect hEvtStart"), 1);
}

TEST_F(MainDlgButtonTest, ADoubleTapActsOnce) {
  RunMain([&](CMainDlg* pDlg) {
    ToNotInstalled();
    CWceUiLayer* pButton = Layer(pDlg, u"btnReConnect", u"container_NotExist");
    Click(pButton);
    wce::AdvanceTick(999);
    Click(pButton);
    EXPECT_EQ(CountLogLines("btnReConnect hEvtStart"), 1);
    wce::AdvanceTick(1);
    Click(pButton);
    EXPECT_EQ(CountLogLines("btnReConnect hEvtStart"), 2);
    // The guard is the screen's, not the button's: another button within the second is ignored.
    Send(WMMSG_CORVANE_USB_OUT, 0);
    Click(Layer(pDlg, u"btnclose"));
    EXPECT_EQ(pDlg->GetRunWay(), DLG_RUN_IN_MODAL);
  });
}

TEST_F(MainDlgButtonTest, ReShowReconnectsOrBringsTheAppBack) {
  RunMain([&](CMainDlg* pDlg) {
    ToBackground();
    ASSERT_EQ(pDlg->GetState(), STATE_CORVANE_HIDE);
    CWceUiLayer* pButton = Layer(pDlg, u"btnReShow", u"container_hidecorvane");
    Click(pButton);
    EXPECT_TRUE(ReconnectSet());
    EXPECT_EQ(fakeadb::CountCalls(kAppStartCall), 0);
    EXPECT_EQ(CountLogLines("btnReShow hEvtStart"), 1);
    // With the channels up the phone app is asked to come to the front.
    wce::AdvanceTick(1000);
    fakeadb::SetAllConnected(true);
    Click(pButton);
    EXPECT_FALSE(ReconnectSet());
    EXPECT_EQ(fakeadb::CountCalls(kAppStartCall), 1);
  });
}

TEST_F(MainDlgButtonTest, ReShowStopsTheSettleTimer) {
  RunMain([&](CMainDlg* pDlg) {
    ToBackground();
    // The settle timer of the background report would show the not-installed state.
    g_CorvaneAppFlags.m_bAppInstalled = 0;
    Click(Layer(pDlg, u"btnReShow", u"container_hidecorvane"));
    Advance(2000);
    EXPECT_EQ(pDlg->GetState(), STATE_CORVANE_HIDE);
  });
}

TEST_F(MainDlgButtonTest, CallingHideBringsTheAppToTheFront) {
  RunMain([&](CMainDlg* pDlg) {
    Send(WMMSG_CORVANE_USB_OUT, 1);
    Send(INNER_MSG_CORVANE_CALLING_STATE, 1);
    Click(Layer(pDlg, u"btn_calling_hide", u"container_calling"));
    EXPECT_EQ(fakeadb::CountCalls(kAppStartCall), 1);
  });
}

TEST_F(MainDlgButtonTest, ExitHelpShowsTheWaitingState) {
  RunMain([&](CMainDlg* pDlg) {
    Send(WMMSG_CORVANE_USB_OUT, 1);
    Send(CORVAN_WM_CONNECT_STEP, 50);
    Click(Layer(pDlg, u"btnExithelp"));
    EXPECT_EQ(pDlg->GetState(), STATE_CORVANE_USB_OUT);
    EXPECT_TRUE(Shown(pDlg, u"USB_OUT"));
    EXPECT_FALSE(Shown(pDlg, u"container_Linking"));
  });
}

TEST_F(MainDlgButtonTest, MassStorageSwitchesBothWays) {
  const std::u16string key = u"Drivers\\USB\\ClientDrivers\\Mass_Storage_Class";
  SetRegDll(key, u"USBMSC.DLL");
  RunMain([&](CMainDlg* pDlg) {
    Click(Layer(pDlg, u"btnForbidUsb", u"USB_OUT"));
    EXPECT_EQ(RegDll(key), u"--USBMSC.DLL");
    wce::AdvanceTick(1000);
    Click(Layer(pDlg, u"btnResetUsb", u"USB_OUT"));
    EXPECT_EQ(RegDll(key), u"USBMSC.DLL");
    // RADIO does nothing.
    wce::AdvanceTick(1000);
    Click(Layer(pDlg, u"RADIO", u"USB_OUT"));
    EXPECT_EQ(pDlg->GetRunWay(), DLG_RUN_IN_MODAL);
  });
}

}  // namespace
