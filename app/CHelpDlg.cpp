#include "app/CHelpDlg.h"

#include "app/AppWindowMessages.h"

namespace {

void Show(CWceUiLayer* pLayer, BOOL bShow) {
  if (pLayer != nullptr) pLayer->ShowLayer(bShow);
}

}  // namespace

CHelpDlg::CHelpDlg() {
  SetClassName(WCEUI_CLASS_NAME(CHelpDlg));
}

CHelpDlg::~CHelpDlg() = default;

void CHelpDlg::OnInitDialog() {
  RegisterMsg(MSG_EXIT_HELP_DLG);
  RegisterMsg(WMMSG_CORVANE_USB_OUT);
  // A quit request must not wait until the person leaves the help: the screen below ends on it
  // too, and the program's shutdown follows at once.
  RegisterMsg(CORVANE_WM_EXIT);
  m_aAndroidPages[0] = GetChildByName(u"android_help_1");
  m_aAndroidPages[1] = GetChildByName(u"android_help_2");
  m_aIosPages[0] = GetChildByName(u"IOS_help_1");
  m_aIosPages[1] = GetChildByName(u"ios_help_2");
  m_pSelection = GetChildByName(u"container_help_sel");
  m_nPlatform = HELP_PLATFORM_NONE;
  m_nStep = 0;
  // The dialog file's first look holds until the person picks a platform.
}

LRESULT CHelpDlg::OnMessage(UINT nMsg, WPARAM /*wParam*/, LPARAM lParam) {
  // A phone was attached: the screen below shows the linking now.
  if ((nMsg == WMMSG_CORVANE_USB_OUT && lParam == 1) || nMsg == CORVANE_WM_EXIT) EndDialog(0);
  return 0;
}

void CHelpDlg::OnChildClick(CWceUiLayer* pChild) {
  if (pChild == nullptr) return;
  // The buttons that open a page: the platform and the step within it.
  static const struct {
    LPCWSTR m_pszName;
    int m_nPlatform;
    int m_nStep;
  } kPageButtons[] = {
      {u"btn_android", HELP_PLATFORM_ANDROID, 0},
      {u"btn_iphone", HELP_PLATFORM_IOS, 0},
      {u"btn_ad_step1", HELP_PLATFORM_ANDROID, 1},
      {u"btn_ios_step1", HELP_PLATFORM_IOS, 1},
  };
  for (const auto& b : kPageButtons) {
    if (!pChild->IsEqualName(b.m_pszName)) continue;
    m_nPlatform = b.m_nPlatform;
    m_nStep = b.m_nStep;
    ShowPages();
    return;
  }
  if (!pChild->IsEqualName(u"btnExithelp")) return;
  // Back one page, then back to the selection, then out.
  if (m_nStep >= 1) {
    --m_nStep;
  } else if (m_nPlatform == HELP_PLATFORM_ANDROID || m_nPlatform == HELP_PLATFORM_IOS) {
    m_nPlatform = HELP_PLATFORM_NONE;
  } else {
    EndDialog(0);
    return;
  }
  ShowPages();
}

void CHelpDlg::ShowPages() {
  if (m_nPlatform != HELP_PLATFORM_NONE && m_nPlatform != HELP_PLATFORM_ANDROID &&
      m_nPlatform != HELP_PLATFORM_IOS) {
    return;
  }
  Show(m_pSelection, m_nPlatform == HELP_PLATFORM_NONE);
  for (int i = 0; i < 2; ++i) {
    Show(m_aAndroidPages[i], m_nPlatform == HELP_PLATFORM_ANDROID && m_nStep == i);
    Show(m_aIosPages[i], m_nPlatform == HELP_PLATFORM_IOS && m_nStep == i);
  }
}
