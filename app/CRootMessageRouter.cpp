#include "app/CRootMessageRouter.h"

#include "app/AppWindowMessages.h"

#include "engine/CorvaneEngine.h"

#include "platform/kernel/kernel.h"
#include "platform/user/user.h"
#include "services/CErrorLog.h"
#include "services/CorvaneConfig.h"

namespace {

const LPARAM kCmdBackground = 0x0001001C;

bool NotifyOn() {
  return g_CorvaneConfig.m_bNotifyMsg != 0;
}

// The sender, or nullptr once the engine has shut down: a late message then sends nothing.
CorvaneSendData* Sender() {
  return CorvaneSendData::GetInstance();
}

}  // namespace

bool CRootMessageRouter::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool host = false;  // also handed to OnHostMessage
  if (msg == WM_SHOWWINDOW) {
    // The video thread paints only while this is set, so it follows the window itself, whoever
    // shows or hides it (another program, a second start raising this one, the run's end).
    g_CorvaneAppFlags.m_bWindowShown = wParam != 0 ? 1 : 0;
    host = true;
  } else if (msg == WM_CORVANE_TOPMOST) {
    SetWindowPos(m_hWnd, wParam == 1 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    host = true;
  } else if (msg == NMSG_CORVANE_VIDEO_DLG_SHOW) {
    // The phone pop-up belongs to the UI.
  } else if (msg == N_WMMSG_CORVANE_SHOWHIDE_NOTIFY) {
    if (!NotifyOn()) PostMessageW(m_hWnd, NMSG_CORVANE_SHOWHIDE, 0, 2);
  } else if (msg == INNER_MSG_FRAME_RATE_CHANGE) {
    CorvaneSendData* sender = Sender();
    if (lParam != g_nPhoneFrameRate && sender) sender->SendFrameRateChange(static_cast<int>(lParam));
  } else if (msg == INNER_MSG_PHONE_CORVANE_EXIT) {
    Corvane_Adb_TcpDisconnect(kAdbAllChannels);
    PostMessageW(m_hWnd, MESSAGE_CMD_REV, 0, kCmdBackground);
  } else if (msg == WMMSG_CORVANE_USB_OUT) {
    if (lParam == 1) {
      EngineLog("!!!!!!! ADB USB Insert \n");
      SetTimer(m_hWnd, TIMER_ID_USB_IN, 200, nullptr);
      g_CorvaneAppFlags.m_bUsbIn = 1;
    } else if (lParam == 0) {
      // The next phone that fails to authorise is logged again.
      g_bAuthFailLogged = 0;
      g_CorvaneAppFlags.m_bUsbIn = 0;
      KillTimer(m_hWnd, TIMER_ID_USB_IN);
      SetTimer(m_hWnd, TIMER_ID_REPAINT, 1200, nullptr);
      DibBmp::GetInstance().SetPictureBusy(0);
      g_CorvaneAppFlags.m_bPhoneForeground = 0;
      // The last picture was painted straight onto the window: the screen's layers cover it again.
      InvalidateRect(m_hWnd, nullptr, TRUE);
      EngineLog("!!!!!!! USB Out g_nConnectCount %d \n", g_nConnectCount.load());
      if (m_bRecording) PostMessageW(m_hWnd, NMSG_RECORD, 0, 2);
    }
  } else if (msg == NMSG_RECORD) {
    if (lParam == 1) m_bRecording = 1;
    if (lParam == 2) m_bRecording = 0;
  } else if (msg == NMSG_CORVANE_QUIT) {
    EngineLog("!!!!!!!   NMSG_CORVANE_PCODE_QUIT   0x%x )\n", static_cast<unsigned>(wParam));
    PostMessageW(m_hWnd, CORVANE_WM_EXIT, 0, 0);
    return false;
  } else if (msg == NMSG_CORVANE_SHOWHIDE) {
    EngineLog("!!!!!!!  NMSG_CORVANE_PCODE_SHOWHIDE  bDeviceIn=%d   bConnected=%d  (0x%x,0x%x )\n",
              Corvane_Adb_IsConnected(), Corvane_Adb_IsChannelConnected(1), static_cast<unsigned>(wParam),
              static_cast<unsigned>(lParam));
    if (lParam == 1) {
      g_CorvaneAppFlags.m_bWindowShown = 1;
      ShowWindow(m_hWnd, SW_SHOW);
      SetForegroundWindow(m_hWnd);
    } else if (lParam == 0 || lParam == 2) {
      ShowWindow(m_hWnd, SW_HIDE);
      g_CorvaneAppFlags.m_bWindowShown = 0;
    }
    host = true;
  } else {
    host = true;
  }
  if (host && NotifyOn()) OnHostMessage(msg, wParam, lParam);
  return true;
}

void CRootMessageRouter::OnHostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  CorvaneSendData* sender = Sender();
  if (msg == WM_COMMAND && wParam == 1) {
    // IDOK from another program ends the program as the close of the connection screen does.
    PostMessageW(m_hWnd, CORVANE_WM_EXIT, 0, 0);
  } else if (msg == INNER_NMSG_PAUSE_VIDEO) {
    if (sender) sender->SendVideoEncoderPause();
  } else if (msg == NMSG_CORVANE_MODULE_CONTROL) {
    if ((lParam == 1 || lParam == 2) && (wParam == 3 || wParam == 4)) {
      EngineLog("!!!!!!! MSG CORVANE_MODULE_CONTROL  wParam=%d ,lParam=%d  \n", static_cast<int>(wParam),
                static_cast<int>(lParam));
      BYTE module = static_cast<BYTE>(wParam);
      BYTE status = lParam == 1 ? 1 : 0;
      if (sender) sender->SendModuleStatusList(1, &module, &status);
    }
  } else if (msg == NMSG_CORVANE_HW_KEY) {
    if (sender) sender->SendHardKey(static_cast<int>(wParam));
    EngineLog("!!!!!!!! NMSG_CORVANE_PCODE_HW_KEY (KEYCODE = 0x%x) \r\n", static_cast<unsigned>(wParam));
  }
  // WMMSG_CORVANE_USB_ERROR and NMSG_CORVANE_SETVOLUME are accepted without effect.
}

bool CRootMessageRouter::OnTimer(UINT_PTR id) {
  if (id == TIMER_ID_REPAINT) {
    KillTimer(m_hWnd, TIMER_ID_REPAINT);
    InvalidateRect(m_hWnd, nullptr, TRUE);
    UpdateWindow(m_hWnd);
    EngineLog("!!!!!!! Wnd Invalidate update \n");
  } else if (id == TIMER_ID_SEND_INFO_MD) {
    KillTimer(m_hWnd, TIMER_ID_SEND_INFO_MD);
    CErrorLog* errorLog = CErrorLog::GetInstance();
    if (!IsVideoDataReceived()) errorLog->AddLine(CErrorLog::kLineNoVideo);
    EngineLog("!!!!!!! Statistic    %d, %d     time=%d  \n", g_ConnectStatRecord.contotal,
              g_nConnectCount.load(), g_ConnectStatRecord.contime);
    if (g_CorvaneAppFlags.m_bUsbIn) {
      if (CorvaneSendData* sender = Sender()) sender->SendConnectStatistics(g_ConnectStatRecord, errorLog);
      errorLog->Clear();
      g_nConnectCount = 0;
      g_ConnectStatRecord = ConnectStatRecord();
      g_bStatisticsSent = 1;
    }
    EngineLog("!!!!!!! TIMER_ID_SEND_INFO_MD 0X%x \n", LogHex(m_hWnd));
  } else if (id == TIMER_ID_USB_IN) {
    KillTimer(m_hWnd, TIMER_ID_USB_IN);
    SetEvent(g_hEventInit);
  } else {
    return false;
  }
  return true;
}
