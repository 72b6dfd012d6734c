// A dialog built from dialog and style files that the test writes, shown as the top dialog of a
// UI real window on the headless display, on the test's own clock. The dialog writes a line for
// every click of a child and every press that reaches it; the pump keeps the posts the test
// watches for, each with the tick at which it was taken from the queue.
#pragma once

#include "UiRealWndFixture.h"
#include "WceUiTestFiles.h"
#include "core/CWceUiDlg.h"
#include "kernel/wcestr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::string WidgetNarrow(LPCWSTR p) {
  std::string s;
  for (; p != nullptr && *p != 0; ++p) s.push_back(static_cast<char>(*p));
  return s;
}

// The dialog the widgets report to.
class CWidgetLogDlg : public CWceUiDlg {
 public:
  std::vector<std::string>* m_pLines = nullptr;

  void OnChildClick(CWceUiLayer* pChild) override { Line("click " + WidgetNarrow(pChild->GetName())); }
  void OnLButtonDown(UINT, int x, int y) override { Line("down", x, y); }
  void OnLButtonUp(UINT, int x, int y) override { Line("up", x, y); }
  void OnMouseMove(UINT, int x, int y) override { Line("move", x, y); }

 private:
  void Line(const std::string& what) {
    if (m_pLines != nullptr) m_pLines->push_back(what);
  }
  void Line(const char* what, int x, int y) {
    Line(std::string(what) + " " + std::to_string(x) + " " + std::to_string(y));
  }
};

class WidgetDlgFixture : public UiRealWndFixture {
 protected:
  static constexpr char16_t kDlgPath[] = u"\\SDMMC\\CECorvane\\Wnd\\widgets.dlg.xml";
  static constexpr char16_t kStylePath[] = u"\\SDMMC\\CECorvane\\Wnd\\widgets.style.xml";

  // One post taken from the queue: what it carried and when.
  struct Post {
    UINT nMsg;
    WPARAM wParam;
    LPARAM lParam;
    DWORD dwTick;
  };

  void SetUp() override { SetUpBareWindow(); }
  void TearDown() override {
    if (m_pDlg != nullptr) Ctrl()->DeleteLayer(m_pDlg);
    m_pDlg = nullptr;
    UiRealWndFixture::TearDown();
  }

  // The files written, the dialog built from them and put on top under the root body; the body
  // element gets the whole window. nullptr when Init refuses the files.
  CWidgetLogDlg* Open(const std::u16string& layers, const std::u16string& styles) {
    WceUiPutTextFile(kDlgPath, u"<dialog><body name=\"dlg\" windowrect=\"0,0,40,20\" style=\"dlg\">" +
                                   layers + u"</body></dialog>");
    WceUiPutTextFile(kStylePath,
                     u"<root><style><dlg><position rect=\"0,0,40,20\"/><layout container=\"true\"/></dlg>" +
                         styles + u"</style></root>");
    m_pDlg = new CWidgetLogDlg;
    m_pDlg->SetLayerCtrl(Ctrl());
    m_pDlg->m_pLines = &m_lines;
    if (!m_pDlg->Init(kDlgPath, kStylePath)) return nullptr;
    if (!Ctrl()->RootLayer()->AppendChild(m_pDlg)) return nullptr;
    m_pDlg->SendOnInitLayer();
    return m_pDlg;
  }

  // A layer of the dialog by its path of names ("group/inner/b").
  CWceUiLayer* Find(const std::string& path) {
    CWceUiLayer* p = m_pDlg;
    size_t nStart = 0;
    while (p != nullptr && nStart <= path.size()) {
      size_t nEnd = path.find('/', nStart);
      if (nEnd == std::string::npos) nEnd = path.size();
      p = p->GetChildByName(WceUtf8ToWide(path.substr(nStart, nEnd - nStart)).c_str());
      nStart = nEnd + 1;
    }
    return p;
  }

  // Every queued message, as the modal loop takes it; the watched ones are kept.
  void PumpWatching() {
    MSG msg = {};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      for (UINT n : m_watch) {
        if (msg.message == n) m_posts.push_back({msg.message, msg.wParam, msg.lParam, ::GetTickCount()});
      }
      if (WceUiGetGlobals()->GetIgnoreMsg()->IsIgnore(&msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  // The clock moved on one millisecond at a time, pumping after each, so every timer fires and
  // every post is taken at the exact tick it became due.
  void Pass(DWORD dwMs) {
    for (DWORD i = 0; i < dwMs; ++i) {
      wce::AdvanceTick(1);
      PumpWatching();
    }
  }
  void Press(UINT msg, int x, int y) {
    Mouse(msg, x, y);
    PumpWatching();
  }
  // The ticks, counted from dwStart, of the watched posts of one message.
  std::vector<DWORD> PostTicks(UINT nMsg, DWORD dwStart) const {
    std::vector<DWORD> ticks;
    for (const Post& p : m_posts) {
      if (p.nMsg == nMsg) ticks.push_back(p.dwTick - dwStart);
    }
    return ticks;
  }

  CWidgetLogDlg* m_pDlg = nullptr;
  std::vector<UINT> m_watch;
  std::vector<Post> m_posts;
};
