// The root window as CECorvane runs it with its console: every message it receives is offered to
// the console's message lines, its creation starts the console, and the program's own step at the
// end of its run comes once the connection screen has ended, before the engine shuts down.
#pragma once

#include "app/CAppMainWnd.h"

#include <csignal>
#include <functional>

class CAppConsole;

class CAppConsoleMainWnd : public CAppMainWnd {
 public:
  // atRunEnd: UI thread, after the connection screen's run, with the engine still up.
  CAppConsoleMainWnd(CAppConsole* pConsole, sigset_t quitSignals, std::function<void()> atRunEnd);

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  int OnCreate(LPCREATESTRUCT lpCreateStruct) override;

 protected:
  void RunConnectionScreen() override;

 private:
  CAppConsole* m_pConsole;
  sigset_t m_QuitSignals;
  std::function<void()> m_fnAtRunEnd;
};
