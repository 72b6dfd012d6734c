// The root window as CECorvane runs it with its console: every message it receives is offered to
// the console's message lines, and its creation starts the console.
#pragma once

#include "CAppMainWnd.h"

#include <csignal>

class CAppConsole;

class CAppConsoleMainWnd : public CAppMainWnd {
 public:
  CAppConsoleMainWnd(CAppConsole* pConsole, sigset_t quitSignals);

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  int OnCreate(LPCREATESTRUCT lpCreateStruct) override;

 private:
  CAppConsole* m_pConsole;
  sigset_t m_quitSignals;
};
