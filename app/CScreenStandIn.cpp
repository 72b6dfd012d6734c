#include "CScreenStandIn.h"

#include "AppWindowMessages.h"
#include "CorvaneAppFlags.h"
#include "CorvaneWindowMessages.h"
#include "DibBmp.h"

#include "user/user.h"

namespace {
const LPARAM kCmdEncoderReady = 0x00010008;
const LPARAM kCmdForeground = 0x0001001B;
const LPARAM kCmdBackground = 0x0001001C;
}  // namespace

void CScreenStandIn::OnMessage(UINT msg, WPARAM /*wParam*/, LPARAM lParam) {
  if (msg == MESSAGE_CMD_REV) {
    if (lParam == kCmdEncoderReady) {
      SetTimer(m_hWnd, TIMER_ID_ENCODER_FOREGROUND, 1000, nullptr);
    } else if (lParam == kCmdForeground) {
      KillTimer(m_hWnd, TIMER_ID_ENCODER_FOREGROUND);
      g_CorvaneAppFlags.m_bPhoneForeground = 1;
    } else if (lParam == kCmdBackground) {
      g_CorvaneAppFlags.m_bPhoneForeground = 0;
      if (g_CorvaneAppFlags.m_bUsbIn && !g_CorvaneAppFlags.m_bCalling)
        DibBmp::GetInstance().SetPictureBusy(0);
    }
  } else if (msg == INNER_MSG_CORVANE_CALLING_STATE) {
    if (lParam == 1) g_CorvaneAppFlags.m_bCalling = 1;
    if (lParam == 0) g_CorvaneAppFlags.m_bCalling = 0;
  } else if (msg == WMMSG_CORVANE_USB_OUT) {
    if (lParam != 1) {
      g_CorvaneAppFlags.m_bCalling = 0;
      // An encoder-ready report of the lost phone must not mark the next one in the foreground.
      KillTimer(m_hWnd, TIMER_ID_ENCODER_FOREGROUND);
    }
  } else if (msg == CORVANE_WM_EXIT) {
    m_bExitRequested = true;
  }
}

bool CScreenStandIn::OnTimer(UINT_PTR id) {
  if (id != TIMER_ID_ENCODER_FOREGROUND) return false;
  KillTimer(m_hWnd, TIMER_ID_ENCODER_FOREGROUND);
  g_CorvaneAppFlags.m_bPhoneForeground = 1;
  return true;
}
