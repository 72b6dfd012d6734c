#include "tests/app/screens/ScreenFixture.h"

#include "app/AppWindowMessages.h"
#include "app/CPhoneDlg.h"
#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/DibBmp.h"
#include "engine/SystemInitThread.h"
#include "tests/engine/FakeAdb.h"

#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/resfiles/CFhLanguage.h"
#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/UserHooks.h"
#include "platform/gdi/GdiHooks.h"
#include "services/CErrorLog.h"
#include "services/CorvaneConfig.h"

const char16_t kButtonType[] = u"CWceUiButton";

namespace {

// attrs: more attributes, each with a leading blank.
std::u16string Elem(const std::u16string& tag, const std::u16string& type, const std::u16string& name,
                    const std::u16string& style, const std::u16string& children = u"",
                    const std::u16string& attrs = u"") {
  return u"<" + tag + u" type=\"" + type + u"\" name=\"" + name + u"\" style=\"" + style + u"\"" + attrs +
         u">" + children + u"</" + tag + u">";
}
std::u16string Button(const std::u16string& name, const std::u16string& style) {
  return Elem(u"button", kButtonType, name, style);
}
std::u16string Box(const std::u16string& name, const std::u16string& style,
                   const std::u16string& children = u"") {
  return Elem(u"state", u"CWceUiContainer", name, style, children);
}
std::u16string Plain(const std::u16string& name, const std::u16string& style) {
  return Elem(u"layer", u"CWceUiLayer", name, style);
}
std::u16string Dialog(const std::u16string& name, const std::u16string& body) {
  return u"<dialog><body name=\"" + name + u"\" windowrect=\"0,0,100,60\" style=\"full\">" + body +
         u"</body></dialog>";
}

// Every state container fills the top of the screen; buttons are 10 x 10 in the top row of a
// container or 15 x 15 in the bottom row of the dialog, each at a place of its own.
const char16_t kStyles[] =
    u"<root><style>"
    u"<full><position rect=\"0,0,100,60\"/></full>"
    u"<box><position rect=\"0,0,100,40\"/></box>"
    u"<box_hidden><position rect=\"0,0,100,40\"/><layout visibility=\"false\"/></box_hidden>"
    u"<top0><position rect=\"0,0,10,10\"/></top0>"
    u"<top1><position rect=\"10,0,10,10\"/></top1>"
    u"<top2><position rect=\"20,0,10,10\"/></top2>"
    u"<top3><position rect=\"30,0,10,10\"/></top3>"
    u"<line><position rect=\"0,20,100,10\"/></line>"
    u"<bottom0><position rect=\"0,44,15,15\"/></bottom0>"
    u"<bottom1><position rect=\"20,44,15,15\"/></bottom1>"
    u"<bottom2><position rect=\"40,44,15,15\"/></bottom2>"
    u"<bottom3><position rect=\"60,44,15,15\"/></bottom3>"
    u"<bottom4><position rect=\"80,44,15,15\"/></bottom4>"
    u"</style></root>";

}  // namespace

void PutScreenFiles() {
  const std::u16string wnd = u"\\SDMMC\\CECorvane\\Wnd\\";
  const std::u16string main = Dialog(
      u"CMainDlg",
      Box(u"USB_OUT", u"box",
          Button(u"btnForbidUsb", u"top1") + Button(u"btnResetUsb", u"top2") + Button(u"RADIO", u"top3")) +
          Box(u"container_NotExist", u"box_hidden",
              Button(u"btnReConnect", u"top0") + Plain(u"CORVANE_NOT_EXIST", u"line")) +
          Box(u"container_hidecorvane", u"box_hidden", Button(u"btnReShow", u"top0")) +
          Box(u"container_Linking", u"box_hidden",
              Elem(u"spinner", u"CWceLoading", u"LOADING", u"top0", u"", u" res_count=\"3\"") +
                  Plain(u"USB_LINKING", u"line")) +
          Box(u"container_Starting", u"box_hidden",
              Elem(u"progress", u"CWceResProgress", u"RESPROGRESS", u"top0", u"", u" res_count=\"4\"")) +
          Box(u"corvane_video", u"box_hidden") +
          Box(u"container_calling", u"box_hidden", Button(u"btn_calling_hide", u"top0")) +
          Button(u"btnhelp", u"bottom0") + Button(u"btnclose", u"bottom1") +
          Plain(u"corvane_version", u"bottom2") + Button(u"btnExithelp", u"bottom3") +
          Plain(u"container_vtlogo", u"bottom4"));
  WceUiPutTextFile(wnd + u"CMainDlg.dlg.xml", main);
  WceUiPutTextFile(wnd + u"CMainDlg.style.xml", kStyles);

  const std::u16string help = Dialog(
      u"CHelpDlg",
      Box(u"container_help_sel", u"box", Button(u"btn_android", u"top0") + Button(u"btn_iphone", u"top1")) +
          Box(u"android_help_1", u"box_hidden") + Box(u"android_help_2", u"box_hidden") +
          Box(u"IOS_help_1", u"box_hidden") + Box(u"ios_help_2", u"box_hidden") +
          Button(u"btnExithelp", u"bottom0") + Button(u"btn_ad_step1", u"bottom1") +
          Button(u"btn_ios_step1", u"bottom2"));
  WceUiPutTextFile(wnd + u"CHelpDlg.dlg.xml", help);
  WceUiPutTextFile(wnd + u"CHelpDlg.style.xml", kStyles);

  const std::u16string phone =
      Dialog(u"CPhoneDlg", Button(u"btnclose", u"bottom0") + Button(u"RADIO", u"bottom1"));
  WceUiPutTextFile(wnd + u"CPhoneDlg.dlg.xml", phone);
  WceUiPutTextFile(wnd + u"CPhoneDlg.style.xml", kStyles);
}

void CScriptRunner::Start(std::function<void()> fn) {
  m_Scripts.push_back(std::move(fn));
  auto* pWnd = dynamic_cast<CWceUiRealWnd*>(GetWindow());
  ::PostMessageW(pWnd->GetSafeHwnd(), m_nStartMsg, 0, 0);
}

void CScriptRunner::StartInNextLoop(std::function<void()> fn) {
  m_Scripts.push_back(std::move(fn));
  SetTimer(kTimerId, kTimerMs);
  wce::AdvanceTick(kTimerMs);
}

void CScriptRunner::OnTimer(WORD nTimerId) {
  if (nTimerId != kTimerId) return;
  KillTimer(kTimerId);
  RunNext();
}

LRESULT CScriptRunner::OnMessage(UINT nMsg, WPARAM, LPARAM) {
  if (nMsg == m_nStartMsg) RunNext();
  return 0;
}

void CScriptRunner::RunNext() {
  if (m_Scripts.empty()) return;
  std::function<void()> fn = std::move(m_Scripts.front());
  m_Scripts.pop_front();
  fn();
}

void ScreenFixture::SetUpScreen(int nWidth, int nHeight) {
  wce::ResetUser();
  wce::ResetRegistry();
  ASSERT_TRUE(wce::SetDisplayDriver("headless"));
  ASSERT_TRUE(wce::SetScreen(nWidth, nHeight, 32));
  WceUiResFixture::SetUp();
  // The window layer forgot every registered name.
  RegisterAppWindowMessages();
  RegisterEngineWindowMessages();
  CreateEngineNamedEvents();
  ResetEvent(g_hEventReconnect);
  fakeadb::Reset();
  ResetCorvaneConfig();
  ResetEngineForTests();
  g_nConnectCount = 0;
  CPhoneDlg::ResetClickGuard();
  PutScreenFiles();
  PutResText(u"language\\lang.ini", u"[main]\r\nLINKING=Linking\r\n");
  ASSERT_TRUE(WceUiGetGlobals()->GetLanguage()->SetLanguage(u"Res\\language\\lang.ini", FALSE));

  m_pWnd = std::make_unique<CWceUiRealWnd>();
  const RECT rc = {0, 0, nWidth, nHeight};
  ASSERT_TRUE(m_pWnd->Create(WS_POPUP | WS_VISIBLE, &rc, nullptr));
  m_pRunner = new CScriptRunner(::RegisterWindowMessageW(u"SCREENS_TEST_SCRIPT"));
  m_pRunner->SetLayerCtrl(Ctrl());
  Ctrl()->InitLayerInfo(m_pRunner, u"script");
  m_pRunner->RegisterMsg(::RegisterWindowMessageW(u"SCREENS_TEST_SCRIPT"));
}

void ScreenFixture::TearDown() {
  if (m_pRunner != nullptr) Ctrl()->DeleteLayer(m_pRunner);
  if (m_pWnd != nullptr && ::IsWindow(m_pWnd->GetSafeHwnd())) ::DestroyWindow(m_pWnd->GetSafeHwnd());
  m_pWnd.reset();
  wce::ResetUser();
  wce::ResetRegistry();
  ResetEngineForTests();
  WceUiResFixture::TearDown();
}

int ScreenFixture::RunModal(CWceUiDlg* pDlg, std::function<void()> script) {
  if (pDlg == nullptr) {
    ADD_FAILURE() << "no dialog";
    return kLeftRunning - 1;
  }
  m_pRunner->Start([pDlg, script] {
    script();
    if (pDlg->GetRunWay() == DLG_RUN_IN_MODAL) pDlg->EndDialog(kLeftRunning);
  });
  const int nResult = pDlg->DoModal();
  // A script the run never reached must not run in the next one.
  m_pRunner->Clear();
  Ctrl()->DeleteLayer(pDlg);
  return nResult;
}

void ScreenFixture::Pump() {
  MSG msg = {};
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (WceUiGetGlobals()->GetIgnoreMsg()->IsIgnore(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void ScreenFixture::ClickAt(int x, int y) {
  ASSERT_TRUE(wce::InjectMouse(WM_LBUTTONDOWN, x, y, ::GetTickCount()));
  ASSERT_TRUE(wce::InjectMouse(WM_LBUTTONUP, x, y, ::GetTickCount()));
  Pump();
}

void ScreenFixture::Click(CWceUiLayer* pLayer) {
  ASSERT_NE(pLayer, nullptr);
  RECT rc;
  pLayer->GetWindowRect(&rc);
  ClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

CWceUiLayer* ScreenFixture::Layer(CWceUiLayer* pDlg, LPCWSTR pName, LPCWSTR pContainer) {
  CWceUiLayer* pParent = pContainer != nullptr ? pDlg->GetChildByName(pContainer) : pDlg;
  return pParent != nullptr ? pParent->GetChildByName(pName) : nullptr;
}

bool ScreenFixture::Shown(CWceUiLayer* pDlg, LPCWSTR pName, LPCWSTR pContainer) {
  CWceUiLayer* pLayer = Layer(pDlg, pName, pContainer);
  return pLayer != nullptr && pLayer->IsLayerShow();
}

std::string ScreenFixture::Text(CWceUiLayer* pLayer) {
  return pLayer != nullptr ? WceWideToUtf8(pLayer->GetText()) : std::string("(no layer)");
}
