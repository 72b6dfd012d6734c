// What the connection-state screen does with the shell flags while no screen runs (the engine
// program): the phone's foreground and background reports, the encoder-ready timer that lets
// touches start, the calling state, USB out, and the quit request that ends the screen. The
// screen takes this over when it runs, with the same rules (CScreenFlagRules). UI thread only.
#pragma once

#include "app/CScreenFlagRules.h"

#include "platform/kernel/wcetypes.h"

class CScreenStandIn : private CScreenFlagRules::ITimers {
 public:
  CScreenStandIn() : m_Rules(this) {}
  void Attach(HWND hwnd) { m_hWnd = hwnd; }
  void OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // True when the timer was the screen's.
  bool OnTimer(UINT_PTR id);
  // Set by CORVANE_WM_EXIT: the connection screen is to end.
  bool IsExitRequested() const { return m_bExitRequested; }

 private:
  void ArmScreenTimer(UINT nId, UINT nElapse) override;
  void KillScreenTimer(UINT nId) override;

  HWND m_hWnd = nullptr;
  CScreenFlagRules m_Rules;
  bool m_bExitRequested = false;
  int m_nProgress = 0;  // the last connection percentage, as the screen keeps it
};
