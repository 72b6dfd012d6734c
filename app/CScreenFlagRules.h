// What the connection-state screen does with the shell's flags, whoever shows the screen: the real
// screen (CMainDlg, on its layer timers) and the engine program's stand-in (CScreenStandIn, on
// window timers). Which container the screen shows stays with the screen. UI thread only.
#pragma once

#include "platform/kernel/wcetypes.h"

// Connection-screen timer: 1000 ms after the phone's encoder reported ready, touches may start
// even when no foreground report came.
#define TIMER_ID_ENCODER_FOREGROUND 345

class CScreenFlagRules {
 public:
  // The timers of whoever shows the screen: a window's or a layer's.
  class ITimers {
   public:
    virtual void ArmScreenTimer(UINT nId, UINT nElapse) = 0;
    virtual void KillScreenTimer(UINT nId) = 0;

   protected:
    ~ITimers() = default;
  };

  explicit CScreenFlagRules(ITimers* pTimers) : m_pTimers(pTimers) {}

  // MESSAGE_CMD_REV, INNER_MSG_CORVANE_CALLING_STATE and WMMSG_CORVANE_USB_OUT through the
  // handlers below, with the screen's percentage for the background report; other messages
  // change nothing.
  void OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, int nProgress);

  void OnEncoderReady();
  void OnPhoneForeground();
  // nProgress: the screen's last connection percentage.
  void OnPhoneBackground(int nProgress);
  // lParam 1 a call is active, 0 it ended; true when the calling flag changed.
  bool OnCallingState(LPARAM lParam);
  // lParam 1 a phone was attached, anything else it is gone.
  void OnUsbOut(LPARAM lParam);
  // True when the timer was the screen's.
  bool OnTimer(UINT nId);

 private:
  ITimers* m_pTimers;
};
