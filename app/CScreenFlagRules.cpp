#include "app/CScreenFlagRules.h"

#include "app/AppWindowMessages.h"
#include "engine/CorvaneEngine.h"

void CScreenFlagRules::OnMessage(UINT msg, WPARAM /*wParam*/, LPARAM lParam, int nProgress) {
  if (msg == MESSAGE_CMD_REV) {
    if (lParam == MSG_CMD_VIDEO_ENCODER_INIT_DONE) {
      OnEncoderReady();
    } else if (lParam == MSG_CMD_PHONE_FOREGROUND) {
      OnPhoneForeground();
    } else if (lParam == MSG_CMD_PHONE_BACKGROUND) {
      OnPhoneBackground(nProgress);
    }
  } else if (msg == INNER_MSG_CORVANE_CALLING_STATE) {
    OnCallingState(lParam);
  } else if (msg == WMMSG_CORVANE_USB_OUT) {
    OnUsbOut(lParam);
  }
}

void CScreenFlagRules::OnEncoderReady() {
  m_pTimers->ArmScreenTimer(TIMER_ID_ENCODER_FOREGROUND, 1000);
}

void CScreenFlagRules::OnPhoneForeground() {
  m_pTimers->KillScreenTimer(TIMER_ID_ENCODER_FOREGROUND);
  g_CorvaneAppFlags.m_bPhoneForeground = 1;
}

void CScreenFlagRules::OnPhoneBackground(int nProgress) {
  g_CorvaneAppFlags.m_bPhoneForeground = 0;
  // The phone shows its own screen now: the next picture shown must be a new one. During a call
  // the call's picture stays, and so does the mark of a connection that has not reached 100
  // percent.
  if (g_CorvaneAppFlags.m_bUsbIn && !g_CorvaneAppFlags.m_bCalling && nProgress == 100)
    DibBmp::GetInstance().SetPictureBusy(0);
}

bool CScreenFlagRules::OnCallingState(LPARAM lParam) {
  if (lParam != 0 && lParam != 1) return false;
  const int bCalling = static_cast<int>(lParam);
  return g_CorvaneAppFlags.m_bCalling.exchange(bCalling) != bCalling;
}

void CScreenFlagRules::OnUsbOut(LPARAM lParam) {
  if (lParam == 1) return;
  g_CorvaneAppFlags.m_bCalling = 0;
  // An encoder-ready report of the lost phone must not mark the next one in the foreground.
  m_pTimers->KillScreenTimer(TIMER_ID_ENCODER_FOREGROUND);
}

bool CScreenFlagRules::OnTimer(UINT nId) {
  if (nId != TIMER_ID_ENCODER_FOREGROUND) return false;
  m_pTimers->KillScreenTimer(TIMER_ID_ENCODER_FOREGROUND);
  g_CorvaneAppFlags.m_bPhoneForeground = 1;
  return true;
}
