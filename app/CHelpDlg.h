// The connection help: the person picks the phone's platform, then steps through its two pages.
// It runs modally over the connection-state screen and ends when the person leaves it, when a
// phone is attached, or when the program is asked to quit. UI thread only.
#pragma once

#include "wceui/core/CWceUiDlg.h"

// m_nPlatform values.
#define HELP_PLATFORM_NONE 0  // the platform selection is shown
#define HELP_PLATFORM_ANDROID 1
#define HELP_PLATFORM_IOS 2

class CHelpDlg : public CWceUiDlg {
 public:
  CHelpDlg();
  ~CHelpDlg() override;

  LRESULT OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
  void OnChildClick(CWceUiLayer* pChild) override;
  void OnInitDialog() override;

  // Shows the page of the platform and step, or the selection when no platform is chosen.
  void ShowPages();

  int GetPlatform() const { return m_nPlatform; }
  int GetStep() const { return m_nStep; }

 private:
  CWceUiLayer* m_aAndroidPages[2] = {};
  CWceUiLayer* m_aIosPages[2] = {};
  CWceUiLayer* m_pSelection = nullptr;
  int m_nPlatform = HELP_PLATFORM_NONE;
  int m_nStep = 0;
};

WCEUI_DYNCREATE_BEGIN(CHelpDlg, CWceUiDlg)
WCEUI_DYNCREATE_END(CHelpDlg)
