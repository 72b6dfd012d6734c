// The connection-state screen and its dialogs in a real UI window on the headless display, built
// by name from dialog and style files that the test writes, against the fake phone link and the
// manual tick. A dialog runs modally as in the program; the test's script runs inside its loop and
// moves things on with Pump (posted messages, input, then the timers the tick made due).
#pragma once

#include "WceUiResFixture.h"
#include "WceUiTestFiles.h"

#include "core/CFhIgnoreMsg.h"
#include "core/CWceUiDlg.h"
#include "core/CWceUiLayer.h"
#include "core/CWceUiLayerCtrl.h"
#include "core/CWceUiRealWnd.h"
#include "gdi/gdi.h"
#include "user/user.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>

// Runs queued scripts from a layer timer of 0 ms: a timer comes after every posted message and
// every input, so a script queued before a click runs inside the modal loop that the click opens.
class CScriptRunner : public CWceUiLayer {
 public:
  static const WORD kTimerId = 1;
  void Queue(std::function<void()> fn) {
    m_scripts.push_back(std::move(fn));
    SetTimer(kTimerId, 0);
  }
  void OnTimer(WORD nTimerId) override {
    if (nTimerId != kTimerId) return;
    KillTimer(kTimerId);
    if (m_scripts.empty()) return;
    std::function<void()> fn = std::move(m_scripts.front());
    m_scripts.pop_front();
    if (!m_scripts.empty()) SetTimer(kTimerId, 0);
    fn();
  }
  bool IsIdle() const { return m_scripts.empty(); }

 private:
  std::deque<std::function<void()>> m_scripts;
};

class ScreenFixture : public WceUiResFixture {
 protected:
  static constexpr int kScreenW = 100;
  static constexpr int kScreenH = 60;
  // The result a dialog gets when the script left it running.
  static constexpr int kLeftRunning = -77;

  void SetUp() override;
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
  void InNextLoop(std::function<void()> script) { m_pRunner->Queue(std::move(script)); }

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
  static CWceUiLayer* Layer(CWceUiLayer* pDlg, LPCWSTR pName, LPCWSTR pContainer = nullptr);
  static bool Shown(CWceUiLayer* pDlg, LPCWSTR pName, LPCWSTR pContainer = nullptr);
  static std::string Text(CWceUiLayer* pLayer);

  std::unique_ptr<CWceUiRealWnd> m_pWnd;
  CScriptRunner* m_pRunner = nullptr;
};

// The button class the dialog files use.
extern const char16_t kButtonType[];
// Writes the fixture files of the three dialogs under "Wnd" and the language file.
void PutScreenFiles();
