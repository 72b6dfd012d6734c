// The connection-state screen and its dialogs in a real UI window on the headless display, built
// by name from dialog and style files that the test writes, against the fake phone link and the
// manual tick. A dialog runs modally as in the program; the test's script runs inside its loop and
// moves things on with Pump (posted messages, input, then the timers the tick made due).
#pragma once

#include "tests/wceui/resfiles/WceUiResFixture.h"
#include "tests/wceui/support/WceUiTestFiles.h"

#include "platform/gdi/gdi.h"
#include "platform/user/user.h"
#include "platform/kernel/KernelHooks.h"
#include "wceui/base/CFhIgnoreMsg.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiRealWnd.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>

// Runs the test's scripts inside the modal loop that is running. A script for the dialog about to
// run is started by a posted message, which its loop takes first. A script for a dialog that a
// click is about to open waits on a layer timer: timers come after every posted message and all
// input, so it runs inside the loop that the click opens. The manual tick must move for a timer,
// by the shortest period a window timer has.
class CScriptRunner : public CWceUiLayer {
 public:
  static const WORD kTimerId = 1;
  static const DWORD kTimerMs = USER_TIMER_MINIMUM;

  explicit CScriptRunner(UINT nStartMsg) : m_nStartMsg(nStartMsg) {}
  void Start(std::function<void()> fn);
  void StartInNextLoop(std::function<void()> fn);
  void Clear() { m_Scripts.clear(); }
  void OnTimer(WORD nTimerId) override;
  LRESULT OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;

 private:
  void RunNext();

  UINT m_nStartMsg;
  std::deque<std::function<void()>> m_Scripts;
};

class ScreenFixture : public WceUiResFixture {
 protected:
  // The fixture's own dialog files are laid out for this screen.
  static constexpr int kScreenW = 100;
  static constexpr int kScreenH = 60;
  // The result a dialog gets when the script left it running.
  static constexpr int kLeftRunning = -77;

  void SetUp() override { SetUpScreen(kScreenW, kScreenH); }
  // A window of the screen's size; the fixture's files and language file are written.
  void SetUpScreen(int nWidth, int nHeight);
  void TearDown() override;

  CWceUiLayerCtrl* Ctrl() { return m_pWnd->GetLayerCtrl(); }
  HWND Hwnd() { return m_pWnd->GetSafeHwnd(); }

  // A dialog of the registered class named like its files under "Wnd".
  template <class T>
  T* Create(LPCWSTR pClassName) {
    CWceUiDlg* pDlg = Ctrl()->CreateDlg(pClassName);
    return dynamic_cast<T*>(pDlg);
  }
  // Runs the dialog modally with the script inside its loop, then deletes it. A dialog that the
  // script did not end is ended with kLeftRunning, so the test always comes back.
  int RunModal(CWceUiDlg* pDlg, std::function<void()> script);
  // A script for the next modal loop that waits (a dialog that a click is about to open).
  // Moves the tick on by CScriptRunner::kTimerMs.
  void InNextLoop(std::function<void()> script) { m_pRunner->StartInNextLoop(std::move(script)); }

  void Post(UINT msg, LPARAM lParam) { ::PostMessageW(Hwnd(), msg, 0, lParam); }
  // Posts and handles at once.
  void Send(UINT msg, LPARAM lParam) {
    Post(msg, lParam);
    Pump();
  }
  // Every queued message and every due timer, as the modal loop takes them.
  void Pump();
  // Moves the tick on and runs the timers it made due.
  void Advance(DWORD ms) {
    wce::AdvanceTick(ms);
    Pump();
  }
  // A press and release at the centre of the layer's window rectangle, through the window.
  void Click(CWceUiLayer* pLayer);
  void ClickAt(int x, int y);

  // The named layer of the dialog, or inside the dialog's named container.
  // The debug output's lines that contain the text (the engine's lines carry no stamp).
  int CountLogLines(const std::string& text) {
    int n = 0;
    for (const std::string& line : Log()) n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
  }

 public:
  static CWceUiLayer* Layer(CWceUiLayer* pDlg, LPCWSTR pName, LPCWSTR pContainer = nullptr);
  static bool Shown(CWceUiLayer* pDlg, LPCWSTR pName, LPCWSTR pContainer = nullptr);
  static std::string Text(CWceUiLayer* pLayer);

 protected:
  std::unique_ptr<CWceUiRealWnd> m_pWnd;
  CScriptRunner* m_pRunner = nullptr;
};

// The button class the dialog files use.
extern const char16_t kButtonType[];
// Writes the fixture files of the three dialogs under "Wnd" and the language file.
void PutScreenFiles();
