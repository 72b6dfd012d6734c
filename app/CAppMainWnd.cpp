#include "app/CAppMainWnd.h"

#include "app/AppWindowMessages.h"
#include "app/CAppMainWndEngine.h"
#include "engine/CorvaneEngine.h"

#include "platform/gdi/gdi.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/user.h"
#include "services/CorvaneConfig.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayerCtrl.h"

#include <string>

namespace {

// WM_COMMAND's identifier of the OK button: another program ends the projection with it.
const WPARAM kCommandOk = 1;

// The program's font lies beside the program and lives as long as the root window's run.
std::u16string ProgramFontPath() {
  return wce::ProgramDirectory() + u"Marlow.ttf";
}

// The head unit's shell, given the screen back when the program is closed from outside.
const char16_t kShellPath[] = u"\\Windows\\Explorer.exe";

}  // namespace

CAppMainWnd::CAppMainWnd() {
  SetClassName(WCEUI_CLASS_NAME(CAppMainWnd));
}

CAppMainWnd::~CAppMainWnd() = default;

void CAppMainWnd::OnInitDialog() {
  const HWND hwnd = GetSafeHwnd();
  const std::u16string font = ProgramFontPath();
  if (AddFontResourceW(font.c_str()) == 0) {
    EngineLog("  AddFontResource Error ( %d ) (nr=%d) \r\n", static_cast<int>(GetLastError()), 0);
  }
  SendMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);

  // The client rectangle is read once: it is the divisor of every touch of this run.
  m_Touch.Attach(hwnd);
  m_Router.Attach(hwnd);
  m_Router.Reset();
  m_Life.Start(hwnd, DrawPictureCallback);

  RunConnectionScreen();

  // The screen has ended: the engine goes down before the window's own run ends.
  m_Life.StopEngine();
  CRealDlg::EndDialog(0);
  m_Life.RestoreUsbMassStorage();
  if (!RemoveFontResourceW(font.c_str())) {
    EngineLog("  RemoveFontResource Error ( %d ) (nr=%d) \r\n", static_cast<int>(GetLastError()), 0);
  }
  m_Life.SaveLogs();
}

void CAppMainWnd::RunConnectionScreen() {
  RunDialogByName(u"CMainDlg", nullptr);
}

int CAppMainWnd::RunDialogByName(LPCWSTR pClassName, CWceUiDlg** ppRunning) {
  CWceUiLayerCtrl* pCtrl = GetLayerCtrl();
  CWceUiDlg* pDlg = pCtrl->CreateDlg(pClassName);
  if (pDlg == nullptr) return kRealDlgNoResult;
  if (ppRunning != nullptr) *ppRunning = pDlg;
  const int result = pDlg->DoModal();
  pCtrl->DeleteLayer(pDlg);
  if (ppRunning != nullptr) *ppRunning = nullptr;
  return result;
}

void CAppMainWnd::RunPhoneDialog() {
  if (m_pPhoneDlg != nullptr) return;
  RunDialogByName(u"CPhoneDlg", &m_pPhoneDlg);
}

LRESULT CAppMainWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == NMSG_CORVANE_VIDEO_DLG_SHOW) {
    RunPhoneDialog();
  } else if (msg == WM_COMMAND && wParam == kCommandOk) {
    if (g_CorvaneConfig.m_bNotifyMsg != 0) OnHostMessage(msg, wParam, lParam);
  } else if (!m_Router.OnMessage(msg, wParam, lParam)) {
    return 0;
  }
  return CWceUiRealWnd::DefWindowProc(msg, wParam, lParam);
}

void CAppMainWnd::OnHostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && wParam == kCommandOk) {
    CRealDlg::EndDialog(0);
    OnClose();
    return;
  }
  m_Router.OnHostMessage(msg, wParam, lParam);
}

void CAppMainWnd::OnClose() {
  PostQuitMessage(0);
  CWceUiLayer* pRoot = GetLayerCtrl()->RootLayer();
  for (CWceUiLayer* p = pRoot->GetFirstChild(); p != nullptr; p = pRoot->NextChild(p)) {
    if (p->IsKindOf(u"CWceUiDlg")) static_cast<CWceUiDlg*>(p)->EndDialog(0);
  }
  PROCESS_INFORMATION pi = {};
  WCHAR commandLine[1] = {0};
  if (CreateProcessW(kShellPath, commandLine, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                     nullptr, &pi)) {
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
}

void CAppMainWnd::OnTimer(UINT_PTR nIDEvent) {
  m_Router.OnTimer(nIDEvent);
  CWceUiRealWnd::OnTimer(nIDEvent);
}

void CAppMainWnd::OnPaint(HDC hdc, const RECT& rcPaint) {
  m_rcPaint = rcPaint;
  CWceUiRealWnd::OnPaint(hdc, rcPaint);
}

// The root window sees every mouse event before the layers: a touch goes to the phone whatever
// layer lies under it, and the layers get the event only when the touch road took it.
void CAppMainWnd::OnLButtonDown(UINT nFlags, int x, int y) {
  if (m_Touch.OnLButtonDown(x, y)) CWceUiRealWnd::OnLButtonDown(nFlags, x, y);
}

void CAppMainWnd::OnMouseMove(UINT nFlags, int x, int y) {
  if (m_Touch.OnMouseMove(x, y)) CWceUiRealWnd::OnMouseMove(nFlags, x, y);
}

void CAppMainWnd::OnLButtonUp(UINT nFlags, int x, int y) {
  if (m_Touch.OnLButtonUp(x, y)) CWceUiRealWnd::OnLButtonUp(nFlags, x, y);
}

void CAppMainWnd::DrawPictureCallback(DibBmp* surface) {
  CAppMainWndEngine::DrawPictureCallback(surface);
}
