// The connection-state screen: whatever the person sees while no phone picture is shown (waiting
// for a phone, app missing, linking with a percentage, starting, app in the background, a call),
// and the video state under which the picture is painted. One state container is shown at a time;
// the state follows the phone link's and the sequencer's registered messages, and timers settle it
// after the phone's reports. The root window runs it modally; when it ends the program shuts down.
// UI thread only.
#pragma once

#include "app/CClickGuard.h"
#include "app/CScreenFlagRules.h"

#include "platform/kernel/wcetypes.h"
#include "wceui/core/CWceUiDlg.h"

// m_STATE values; each shows the container of the same index.
#define STATE_CORVANE_USB_OUT 0    // no phone on USB
#define STATE_CORVANE_NOT_EXIST 1  // the phone app is not installed
#define STATE_CORVANE_HIDE 2       // the phone app is in the background
#define STATE_CORVANE_LINKING 3    // connecting, with a percentage
#define STATE_CORVANE_STARTING 4   // connected, waiting for the first picture
#define STATE_CORVANE_VIDEO 5      // the phone picture is shown
#define STATE_CORVANE_CALLING 6    // a call is active on the phone
#define CORVANE_STATE_COUNT 7

// The screen's layer timers (TIMER_ID_ENCODER_FOREGROUND, 345, is the shared flag rules').
#define TIMER_ID_SHOW_VIDEO 338    // 3500 ms after 100 percent or encoder ready: the picture
#define TIMER_ID_HIDE_LOGO 340     // 1000 ms after the screen opened
#define TIMER_ID_SETTLE_STATE 342  // after a foreground, background or USB-out report
#define TIMER_ID_RAISE_NAVI 344    // raises the navigation program three times
#define TIMER_ID_KEEP_TOPMOST 353  // keeps the root window topmost for the configured time

class CWceLoading;
class CWceResProgress;

class CMainDlg : public CWceUiDlg, private CScreenFlagRules::ITimers {
 public:
  CMainDlg();
  ~CMainDlg() override;

  void OnTimer(WORD nTimerId) override;
  LRESULT OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
  void OnChildClick(CWceUiLayer* pChild) override;
  void OnInitDialog() override;

  // Shows the container of m_STATE, and the close and help buttons and the version label only
  // while no phone is linked.
  void UpdateState();
  // "LINKING... NN %" into the linking container's "USB_LINKING".
  void UpdateLinkingText();
  void UpdateVersionLabel();

  // Keeps the navigation program's window (from LaunchNavi) and raises it again three times, 1800 ms
  // apart: windows that open while the program starts may cover it.
  void KeepNaviRaised(HWND hNaviWnd);

  // "version (Mon DD HH:MM)" from the configured version and a build date ("Mar 31 2026") and time
  // ("20:09:42"): the date without its year, the time without its seconds.
  static void FormatVersionLabel(LPCWSTR pVersion, const char* pDate, const char* pTime, WCHAR* pOut,
                                 size_t cchOut);

  int GetState() const { return m_STATE; }
  int GetProgress() const { return m_nProgress; }
  // WCEUI_RESPRO_END came: the start progress ran through (nothing shows it).
  bool IsStartProgressEnded() const { return m_bStartProgressEnded; }

 private:
  void ArmScreenTimer(UINT nId, UINT nElapse) override;
  void KillScreenTimer(UINT nId) override;

  void SetState(int nState);
  void ShowHelpButton();
  // The root window this screen runs in.
  HWND RootWnd() const;
  void OnUsbOutMessage(LPARAM lParam);
  void OnConnectStep(LPARAM lParam);
  void OnCommand(LPARAM lParam);
  void OnSettleTimer();
  void OnRaiseNaviTimer();
  void OnKeepTopmostTimer();
  void RunHelp();
  void StartLoading(bool bStart);
  void StartProgress();

  CWceUiLayer* m_aStateContainers[CORVANE_STATE_COUNT] = {};
  int m_STATE = STATE_CORVANE_USB_OUT;
  CWceLoading* m_pLoading = nullptr;
  CWceResProgress* m_pStartProgress = nullptr;
  CWceUiLayer* m_pBtnClose = nullptr;
  CWceUiLayer* m_pLogo = nullptr;
  CWceUiLayer* m_pBtnHelp = nullptr;
  CWceUiLayer* m_pNotExistText = nullptr;
  CWceUiLayer* m_pVersionLabel = nullptr;
  int m_bUsbIn = 0;
  int m_nProgress = 0;
  HWND m_hNaviWnd = nullptr;
  int m_nNaviRaiseCount = 0;
  DWORD m_dwTopmostStart = 0;
  bool m_bStartProgressEnded = false;
  CScreenFlagRules m_FlagRules;
  CClickGuard m_ClickGuard;
};

WCEUI_DYNCREATE_BEGIN(CMainDlg, CWceUiDlg)
WCEUI_DYNCREATE_END(CMainDlg)
