// CECorvane's console: the commands and message lines of corvane-engine (CEngineConsole), plus
// "screen FILE" (the display's pixels as a BMP, then the line "screen FILE") and "layers" (the
// shown layer tree of every running dialog, then the line "end").
//
// The input thread never touches the UI: every command that needs the UI thread is posted to a
// hidden window of the console's own, which the root window's modal loops dispatch like any other.
#pragma once

#include "app/CEngineConsole.h"

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

class CWceUiLayerCtrl;
class CWceUiRealWnd;

class CAppConsole {
 public:
  explicit CAppConsole(FILE* out) : m_Lines(out) {}
  CAppConsole(const CAppConsole&) = delete;
  CAppConsole& operator=(const CAppConsole&) = delete;

  // The message lines; the root window hands it every message it receives.
  CEngineConsole& Lines() { return m_Lines; }

  // UI thread, once the root window exists: the console's window, the broadcast tap, the input
  // thread and the thread that turns SIGINT and SIGTERM into the orderly quit.
  BOOL Start(CWceUiRealWnd* pRoot, sigset_t quitSignals);
  // UI thread, after the root window's run: no command reaches the UI any more.
  void Stop();

  // One line a layer: "ID NAME CLASS LEFT,TOP,RIGHT,BOTTOM" and, when the layer has text, a blank
  // and the text in double quotes (UTF-8, a line end written as \n); children under their parent,
  // two blanks further in. Only shown layers, and under the root body only dialogs that run.
  static void FormatLayers(CWceUiLayerCtrl* pCtrl, std::vector<std::string>* pLines);

 private:
  static LRESULT ConsoleWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Input thread.
  bool OnCommand(const CEngineConsole::Command& cmd);
  // UI thread.
  void OnUiCommand(UINT msg, const std::string& file);
  void PostQuit();

  CEngineConsole m_Lines;
  // Set on the UI thread before the input thread starts, cleared after the root window's run.
  CWceUiRealWnd* m_pRoot = nullptr;
  HWND m_hRootWnd = nullptr;
  // The console window: written on the UI thread, read by the input and signal threads.
  std::atomic<HWND> m_hWnd{nullptr};
};
