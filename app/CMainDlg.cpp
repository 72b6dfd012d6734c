#include "app/CMainDlg.h"

#include "app/AppStartup.h"
#include "app/AppWindowMessages.h"
#include "engine/CorvaneEngine.h"

#include "app/widgets/CWceLoading.h"
#include "app/widgets/CWceResProgress.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "platform/user/user.h"
#include "services/CErrorLog.h"
#include "services/CorvaneConfig.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/resfiles/CWceUiLoadString.h"

#include <cstring>
#include <string>

namespace {

// Indexed by state.
const LPCWSTR kStateContainerNames[CORVANE_STATE_COUNT] = {
    u"USB_OUT",           u"container_NotExist", u"container_hidecorvane",
    u"container_Linking", u"container_Starting", u"corvane_video",
    u"container_calling"};

CWceUiLayer* ChildOf(CWceUiLayer* pParent, LPCWSTR pName) {
  return pParent != nullptr ? pParent->GetChildByName(pName) : nullptr;
}

void Show(CWceUiLayer* pLayer, BOOL bShow) {
  if (pLayer != nullptr) pLayer->ShowLayer(bShow);
}

// Reconnecting makes sense only once the phone's ADB side answered (CNXN) and every channel of
// the last attempt is closed.
bool CanReconnect() {
  return GetChannelConnectMask() == 0 && Corvane_Adb_IsConnected();
}

// A projection runs in the foreground: leaving now would pull the picture from under the driver.
bool IsProjecting() {
  return Corvane_Adb_IsChannelConnected(1) && Corvane_Adb_IsConnected() &&
         g_CorvaneAppFlags.m_bPhoneForeground;
}

}  // namespace

CMainDlg::CMainDlg() : m_FlagRules(this) {
  SetClassName(WCEUI_CLASS_NAME(CMainDlg));
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::OnInitDialog() {
  for (UINT nMsg :
       {CORVAN_WM_CONNECT_STEP, WMMSG_CORVANE_USB_OUT, CORVAN_WM_MSG, CORVANE_WM_EXIT, MESSAGE_CMD_REV,
        WCEUI_RESPRO_END, NMSG_CORVANE_GET_VIDEO_DATA, INNER_MSG_CORVANE_CALLING_STATE}) {
    RegisterMsg(nMsg);
  }
  for (int i = 0; i < CORVANE_STATE_COUNT; ++i)
    m_aStateContainers[i] = GetChildByName(kStateContainerNames[i]);
  m_pBtnClose = GetChildByName(u"btnclose");
  m_pLogo = GetChildByName(u"container_vtlogo");
  m_pBtnHelp = GetChildByName(u"btnhelp");
  m_pLoading = dynamic_cast<CWceLoading*>(ChildOf(m_aStateContainers[STATE_CORVANE_LINKING], u"LOADING"));
  m_pStartProgress =
      dynamic_cast<CWceResProgress*>(ChildOf(m_aStateContainers[STATE_CORVANE_STARTING], u"RESPROGRESS"));
  m_pNotExistText = ChildOf(m_aStateContainers[STATE_CORVANE_NOT_EXIST], u"CORVANE_NOT_EXIST");
  SetTimer(TIMER_ID_HIDE_LOGO, 1000);
  UpdateVersionLabel();
  HWND hNavi = LaunchNavi(RootWnd());
  if (hNavi != nullptr) KeepNaviRaised(hNavi);
  if (g_CorvaneConfig.m_WindowParam.m_bTopmost) {
    SetTimer(TIMER_ID_KEEP_TOPMOST, 600);
    m_dwTopmostStart = GetTickCount();
  }
  // The state is not applied here: the dialog file's first look holds until the first message.
}

void CMainDlg::ArmScreenTimer(UINT nId, UINT nElapse) {
  SetTimer(static_cast<WORD>(nId), nElapse);
}

void CMainDlg::KillScreenTimer(UINT nId) {
  KillTimer(static_cast<WORD>(nId));
}

HWND CMainDlg::RootWnd() const {
  auto* pWnd = dynamic_cast<CWceUiRealWnd*>(GetWindow());
  return pWnd != nullptr ? pWnd->GetSafeHwnd() : nullptr;
}

void CMainDlg::SetState(int nState) {
  m_STATE = nState;
  UpdateState();
}

void CMainDlg::ShowHelpButton() {
  Show(m_pBtnHelp, TRUE);
}

void CMainDlg::UpdateState() {
  for (int i = 0; i < CORVANE_STATE_COUNT; ++i) Show(m_aStateContainers[i], i == m_STATE);
  // Leaving, help and the version belong to the waiting screens; once a phone links, the screen
  // shows only what happens.
  const BOOL bIdle = m_STATE == STATE_CORVANE_USB_OUT || m_STATE == STATE_CORVANE_NOT_EXIST;
  Show(m_pBtnClose, bIdle);
  Show(m_pBtnHelp, bIdle);
  Show(m_pVersionLabel, bIdle);
  if (m_STATE == STATE_CORVANE_LINKING) {
    UpdateLinkingText();
  } else if (m_STATE == STATE_CORVANE_STARTING) {
    StartProgress();
  } else if (m_STATE == STATE_CORVANE_NOT_EXIST) {
    EngineLog("!!!!!!! STATE_CORVANE_NOT_EXIST  (m_STATE=%d)  !!!  \r\n", m_STATE);
  }
}

void CMainDlg::UpdateLinkingText() {
  CWceUiLayer* pLinking = m_aStateContainers[STATE_CORVANE_LINKING];
  if (pLinking == nullptr) {
    EngineLog("!!!!!!! STATE_CORVANE_LINKING Container Not Exist!!! %d \r\n", STATE_CORVANE_LINKING);
    return;
  }
  CWceUiLayer* pText = pLinking->GetChildByName(u"USB_LINKING");
  if (pText == nullptr) return;
  CWceUiLoadString linking;
  linking.SetTextResID(u"LINKING");
  WCHAR szText[256];
  swprintf(szText, sizeof(szText) / sizeof(szText[0]), u"%s... %d %%", linking.GetString(), m_nProgress);
  pText->SetText(szText);
}

void CMainDlg::FormatVersionLabel(LPCWSTR pVersion, const char* pDate, const char* pTime, WCHAR* pOut,
                                  size_t cchOut) {
  std::string date = pDate;
  const size_t nYear = date.rfind(' ');
  if (nYear != std::string::npos) date.resize(nYear);
  std::string time = pTime;
  const size_t nSeconds = time.rfind(':');
  if (nSeconds != std::string::npos) time.resize(nSeconds);
  swprintf(pOut, cchOut, u"%s (%hs %hs)", pVersion, date.c_str(), time.c_str());
}

void CMainDlg::UpdateVersionLabel() {
  m_pVersionLabel = GetChildByName(u"corvane_version");
  if (m_pVersionLabel == nullptr)
    m_pVersionLabel = ChildOf(m_aStateContainers[STATE_CORVANE_USB_OUT], u"corvane_version");
  if (m_pVersionLabel == nullptr) return;
  WCHAR szText[256];
  FormatVersionLabel(g_CorvaneConfig.m_strVersion.GetString(), __DATE__, __TIME__, szText,
                     sizeof(szText) / sizeof(szText[0]));
  m_pVersionLabel->SetText(szText);
}

void CMainDlg::StartLoading(bool bStart) {
  if (m_pLoading == nullptr) return;
  if (bStart) {
    m_pLoading->Start();
  } else {
    m_pLoading->Stop();
  }
}

void CMainDlg::StartProgress() {
  if (m_pStartProgress != nullptr) m_pStartProgress->Start();
}

LRESULT CMainDlg::OnMessage(UINT nMsg, WPARAM /*wParam*/, LPARAM lParam) {
  if (nMsg == WMMSG_CORVANE_USB_OUT) {
    OnUsbOutMessage(lParam);
  } else if (nMsg == CORVAN_WM_CONNECT_STEP) {
    OnConnectStep(lParam);
  } else if (nMsg == MESSAGE_CMD_REV) {
    OnCommand(lParam);
  } else if (nMsg == CORVAN_WM_MSG) {
    KillTimer(TIMER_ID_SHOW_VIDEO);
    if (lParam == CORVAN_MSG_APP_MISSING) {
      m_nProgress = 0;
      SetState(STATE_CORVANE_NOT_EXIST);
    }
  } else if (nMsg == CORVANE_WM_EXIT) {
    EndDialog(0);
  } else if (nMsg == WCEUI_RESPRO_END) {
    m_bStartProgressEnded = true;
    ResProgressEndFlag = 1;
  } else if (nMsg == NMSG_CORVANE_GET_VIDEO_DATA) {
    SetState(STATE_CORVANE_VIDEO);
  } else if (nMsg == INNER_MSG_CORVANE_CALLING_STATE) {
    if (m_FlagRules.OnCallingState(lParam))
      SetState(lParam == 1 ? STATE_CORVANE_CALLING : STATE_CORVANE_HIDE);
  }
  return 0;
}

void CMainDlg::OnUsbOutMessage(LPARAM lParam) {
  KillTimer(TIMER_ID_SHOW_VIDEO);
  m_FlagRules.OnUsbOut(lParam);
  m_bUsbIn = lParam == 1;
  if (!m_bUsbIn) {
    m_nProgress = 0;
    m_STATE = STATE_CORVANE_USB_OUT;
    ShowHelpButton();
    UpdateState();
    InvalidateRect();
    SetTimer(TIMER_ID_SETTLE_STATE, 2000);
  }
  EngineLog("!!!!!!!\t MainDlg::N_WMMSG_CORVANE_PCODE_USB_OUT  0x%x   m_bUsbIn=%d  \n", m_STATE, m_bUsbIn);
}

void CMainDlg::OnConnectStep(LPARAM lParam) {
  if (!m_bUsbIn) {
    // A late step of an attempt whose phone is gone.
    if (m_STATE != STATE_CORVANE_USB_OUT) {
      m_STATE = STATE_CORVANE_USB_OUT;
      ShowHelpButton();
      UpdateState();
      InvalidateRect();
    }
    return;
  }
  // Connected and waiting for the picture: a repeated 100 must not restart the wait.
  if (m_STATE == STATE_CORVANE_STARTING) return;
  if (m_nProgress <= 60) KillTimer(TIMER_ID_SHOW_VIDEO);
  m_nProgress = static_cast<int>(lParam);
  if (m_nProgress < 100) {
    m_STATE = STATE_CORVANE_LINKING;
    StartLoading(true);
  } else {
    m_nProgress = 100;
    m_STATE = STATE_CORVANE_STARTING;
    StartLoading(false);
    SetTimer(TIMER_ID_SHOW_VIDEO, 3500);
  }
  UpdateState();
  EngineLog("!!!!!!! CORVAN_WM_CONNECT_STEP  %d   state=%d   count=%d \n", m_nProgress, m_STATE,
            g_nConnectCount.load());
}

void CMainDlg::OnCommand(LPARAM lParam) {
  if (lParam == MSG_CMD_VIDEO_ENCODER_INIT_DONE) {
    SetState(STATE_CORVANE_STARTING);
    SetTimer(TIMER_ID_SHOW_VIDEO, 3500);
    m_FlagRules.OnEncoderReady();
  } else if (lParam == MSG_CMD_PHONE_FOREGROUND) {
    m_FlagRules.OnPhoneForeground();
    // Without a picture the screen keeps what it shows; the settle timer looks again.
    if (DibBmp::GetInstance().IsPictureBusy() && m_STATE != STATE_CORVANE_VIDEO)
      SetState(STATE_CORVANE_VIDEO);
    EngineLog("!!!!!!! MESSAGE_CMD_REV MSG_CMD_FOREGROUND   state=0x%x \n", m_STATE);
    SetTimer(TIMER_ID_SETTLE_STATE, 1500);
  } else if (lParam == MSG_CMD_PHONE_BACKGROUND) {
    m_FlagRules.OnPhoneBackground(m_nProgress);
    if (!m_bUsbIn) {
      SetState(STATE_CORVANE_USB_OUT);
      InvalidateRect();
    } else if (g_CorvaneAppFlags.m_bCalling) {
      SetState(STATE_CORVANE_CALLING);
      InvalidateRect();
    } else {
      if (m_nProgress == 100) {
        SetState(STATE_CORVANE_HIDE);
        InvalidateRect();
      }
      EngineLog("!!!!!!! MESSAGE_CMD_REV MSG_CMD_BACKGROUND   state=0x%x \n", m_STATE);
      SetTimer(TIMER_ID_SETTLE_STATE, 2000);
    }
  }
}

void CMainDlg::OnTimer(WORD nTimerId) {
  if (m_FlagRules.OnTimer(nTimerId)) return;
  switch (nTimerId) {
    case TIMER_ID_SHOW_VIDEO:
      KillTimer(TIMER_ID_SHOW_VIDEO);
      if (g_CorvaneAppFlags.m_bPhoneForeground) SetState(STATE_CORVANE_VIDEO);
      break;
    case TIMER_ID_HIDE_LOGO:
      Show(m_pLogo, FALSE);
      KillTimer(TIMER_ID_HIDE_LOGO);
      break;
    case TIMER_ID_SETTLE_STATE:
      OnSettleTimer();
      break;
    case TIMER_ID_RAISE_NAVI:
      OnRaiseNaviTimer();
      break;
    case TIMER_ID_KEEP_TOPMOST:
      OnKeepTopmostTimer();
      break;
    default:
      break;
  }
}

void CMainDlg::OnSettleTimer() {
  const int bPictureReady = DibBmp::GetInstance().IsPictureBusy();
  if (m_bUsbIn) {
    if (!g_CorvaneAppFlags.m_bAppInstalled) {
      SetState(STATE_CORVANE_NOT_EXIST);
      EngineLog("!!!!!!!   STATE_CORVANE_NOT_EXIST ReSet !!! %d \r\n", m_STATE);
    } else if (g_CorvaneAppFlags.m_bPhoneForeground) {
      if (bPictureReady && m_STATE != STATE_CORVANE_VIDEO) SetState(STATE_CORVANE_VIDEO);
    } else if (g_CorvaneAppFlags.m_bCalling) {
      SetState(STATE_CORVANE_CALLING);
    } else if (m_STATE != STATE_CORVANE_HIDE) {
      SetState(STATE_CORVANE_HIDE);
      DibBmp::GetInstance().SetPictureBusy(0);
    }
  } else if (m_STATE != STATE_CORVANE_USB_OUT) {
    m_STATE = STATE_CORVANE_USB_OUT;
    ShowHelpButton();
    UpdateState();
    InvalidateRect();
  }
  KillTimer(TIMER_ID_SETTLE_STATE);
}

void CMainDlg::KeepNaviRaised(HWND hNaviWnd) {
  m_hNaviWnd = hNaviWnd;
  m_nNaviRaiseCount = 0;
  SetTimer(TIMER_ID_RAISE_NAVI, 1800);
}

void CMainDlg::OnRaiseNaviTimer() {
  ++m_nNaviRaiseCount;
  if (::IsWindow(m_hNaviWnd)) SetWndToForground(m_hNaviWnd, FALSE);
  if (m_nNaviRaiseCount >= 3) KillTimer(TIMER_ID_RAISE_NAVI);
}

void CMainDlg::OnKeepTopmostTimer() {
  HWND hRoot = RootWnd();
  SetWndToForground(hRoot, TRUE);
  const int nExitTime = g_CorvaneConfig.m_WindowParam.m_nExitTime;
  const DWORD dwKeepMs = nExitTime > 0 ? static_cast<DWORD>(nExitTime) * 1000 : 0;
  if (GetTickCount() - m_dwTopmostStart < dwKeepMs) return;
  ::SetWindowPos(hRoot, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  KillTimer(TIMER_ID_KEEP_TOPMOST);
}

void CMainDlg::OnChildClick(CWceUiLayer* pChild) {
  if (pChild == nullptr || !m_ClickGuard.Accept(GetTickCount())) return;
  if (pChild->IsEqualName(u"btnclose")) {
    if (IsProjecting()) return;
    g_CorvaneChannelContext.m_bSysInitQuit = 1;
    EndDialog(0);
    EngineLog("!!!!!!! MainDlg::EndDialog 0X%x \n", 0u);
  } else if (pChild->IsEqualName(u"btnReConnect")) {
    if (CanReconnect()) {
      SetEvent(g_hEventReconnect);
      EngineLog("!!!!!!! btnReConnect hEvtStart 0X%x \n", LogHex(g_hEventReconnect));
    }
  } else if (pChild->IsEqualName(u"btnReShow")) {
    if (CanReconnect()) {
      SetEvent(g_hEventReconnect);
      EngineLog("!!!!!!! btnReShow hEvtStart 0X%x \n", LogHex(g_hEventReconnect));
      KillTimer(TIMER_ID_SETTLE_STATE);
    } else if (!g_CorvaneAppFlags.m_bPhoneForeground) {
      Corvane_Adb_Shell(kAdbAppStartService);
    }
  } else if (pChild->IsEqualName(u"btn_calling_hide")) {
    Corvane_Adb_Shell(kAdbAppStartService);
  } else if (pChild->IsEqualName(u"btnhelp")) {
    RunHelp();
  } else if (pChild->IsEqualName(u"btnExithelp")) {
    SetState(STATE_CORVANE_USB_OUT);
  } else if (pChild->IsEqualName(u"btnForbidUsb")) {
    DisableUsbMassStorage();
  } else if (pChild->IsEqualName(u"btnResetUsb")) {
    EnableUsbMassStorage();
  }
}

void CMainDlg::RunHelp() {
  CWceUiLayerCtrl* pCtrl = GetLayerCtrl();
  CWceUiDlg* pHelp = pCtrl != nullptr ? pCtrl->CreateDlg(u"CHelpDlg") : nullptr;
  if (pHelp == nullptr) return;
  pHelp->DoModal();
  pCtrl->DeleteLayer(pHelp);
}
