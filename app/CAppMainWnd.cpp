#include "CAppMainWnd.h"

#include "CAppMainWndEngine.h"

#include "core/CWceUiDlg.h"

CAppMainWnd::CAppMainWnd() {
  SetClassName(WCEUI_CLASS_NAME(CAppMainWnd));
}

CAppMainWnd::~CAppMainWnd() = default;

void CAppMainWnd::OnLButtonDown(UINT nFlags, int x, int y) {
  CWceUiRealWnd::OnLButtonDown(nFlags, x, y);
}

void CAppMainWnd::OnLButtonUp(UINT nFlags, int x, int y) {
  CWceUiRealWnd::OnLButtonUp(nFlags, x, y);
}

void CAppMainWnd::OnMouseMove(UINT nFlags, int x, int y) {
  CWceUiRealWnd::OnMouseMove(nFlags, x, y);
}

void CAppMainWnd::OnPaint(HDC hdc, const RECT& rcPaint) {
  m_rcPaint = rcPaint;
  CWceUiRealWnd::OnPaint(hdc, rcPaint);
}

void CAppMainWnd::OnTimer(UINT_PTR nIDEvent) {
  CWceUiRealWnd::OnTimer(nIDEvent);
}

void CAppMainWnd::OnClose() {}

LRESULT CAppMainWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CWceUiRealWnd::DefWindowProc(msg, wParam, lParam);
}

void CAppMainWnd::OnInitDialog() {}

void CAppMainWnd::OnHostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  m_router.OnHostMessage(msg, wParam, lParam);
}

void CAppMainWnd::DrawPictureCallback(DibBmp* surface) {
  CAppMainWndEngine::DrawPictureCallback(surface);
}

void CAppMainWnd::RunPhoneDialog() {}

void CAppMainWnd::RunConnectionScreen() {}

int CAppMainWnd::RunDialogByName(LPCWSTR /*pClassName*/, CWceUiDlg** /*ppRunning*/) {
  return -1;
}
