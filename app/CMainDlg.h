// The connection-state screen: whatever the person sees while no phone picture is shown (waiting
// for a phone, app missing, linking with a percentage, starting, app in the background, a call),
// and the video state under which the picture is painted. One state container is shown at a time;
// the state follows the phone link's and the sequencer's registered messages, and timers settle it
// after the phone's reports. The root window runs it modally; when it ends the program shuts down.
// UI thread only.
#pragma once

#include "core/CWceUiDlg.h"
#include "kernel/wcetypes.h"

// m_STATE values; each shows the container of the same index.
#define STATE_CORVANE_USB_OUT 0    // no phone on USB
#define STATE_CORVANE_NOT_EXIST 1  // the phone app is not installed
#define STATE_CORVANE_HIDE 2       // the phone app is in the background
#define STATE_CORVANE_LINKING 3    // connecting, with a percentage
#define STATE_CORVANE_STARTING 4   // connected, waiting for the first picture
#define STATE_CORVANE_VIDEO 5      // the phone picture is shown
#define STATE_CORVANE_CALLING 6    // a call is active on the phone
#define CORVANE_STATE_COUNT 7

class CMainDlg : public CWceUiDlg {
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
  void UpdateLinkingText();
  void UpdateVersionLabel();

  int GetState() const { return m_STATE; }
  int GetProgress() const { return m_nProgress; }

 private:
  CWceUiLayer* m_pStateContainers[CORVANE_STATE_COUNT] = {};
  int m_STATE = STATE_CORVANE_USB_OUT;
  CWceUiLayer* m_pLoading = nullptr;
  CWceUiLayer* m_pStartProgress = nullptr;
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
};

WCEUI_DYNCREATE_BEGIN(CMainDlg, CWceUiDlg)
WCEUI_DYNCREATE_END(CMainDlg)
