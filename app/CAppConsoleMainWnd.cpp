#include "app/CAppConsoleMainWnd.h"

#include "app/AppWindowMessages.h"
#include "app/CAppConsole.h"
#include "engine/CorvaneEngine.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <utility>

CAppConsoleMainWnd::CAppConsoleMainWnd(CAppConsole* pConsole, sigset_t quitSignals,
                                       std::function<void()> atRunEnd)
    : m_pConsole(pConsole), m_QuitSignals(quitSignals), m_fnAtRunEnd(std::move(atRunEnd)) {}

LRESULT CAppConsoleMainWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  // With main's "ended" line, the bounds of the program's quit on its own clock (CORVANE_LOG_TICKS).
  const char* pEnd = msg == CORVANE_WM_EXIT     ? "CORVANE_WM_EXIT"
                     : msg == NMSG_CORVANE_QUIT ? "NMSG_CORVANE_QUIT"
                     : msg == WM_CLOSE          ? "WM_CLOSE"
                                                : nullptr;
  if (pEnd != nullptr) wce::DebugPrint("CECorvane: end asked by %s\n", pEnd);
  m_pConsole->Lines().OnWindowMessage(msg, wParam, lParam);
  return CAppMainWnd::WindowProc(msg, wParam, lParam);
}

int CAppConsoleMainWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  const int nResult = CAppMainWnd::OnCreate(lpCreateStruct);
  // Commands may name the root window from now on.
  if (nResult == 0) m_pConsole->Start(this, m_QuitSignals);
  return nResult;
}

void CAppConsoleMainWnd::RunConnectionScreen() {
  CAppMainWnd::RunConnectionScreen();
  if (m_fnAtRunEnd) m_fnAtRunEnd();
}
