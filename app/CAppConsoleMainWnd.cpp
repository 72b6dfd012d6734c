#include "CAppConsoleMainWnd.h"

#include "CAppConsole.h"

CAppConsoleMainWnd::CAppConsoleMainWnd(CAppConsole* pConsole, sigset_t quitSignals)
    : m_pConsole(pConsole), m_quitSignals(quitSignals) {}

LRESULT CAppConsoleMainWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  m_pConsole->Lines().OnWindowMessage(msg, wParam, lParam);
  return CAppMainWnd::WindowProc(msg, wParam, lParam);
}

int CAppConsoleMainWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  const int nResult = CAppMainWnd::OnCreate(lpCreateStruct);
  // Commands may name the root window from now on.
  if (nResult == 0) m_pConsole->Start(this, m_quitSignals);
  return nResult;
}
