// Widgets in a dialog built from a dialog file and a style file that the test writes, shown in a
// UI real window on the headless display and driven by mouse messages on the manual clock. The
// dialog stands under the root body as in a modal run (its layers told OnInitLayer), without a
// loop of its own: the test pumps.
#pragma once

#include "UiRealWndFixture.h"
#include "WceUiTestFiles.h"
#include "core/CWceUiDlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::string WidgetName(const CWceUiLayer* pLayer) {
  std::string s;
  for (LPCWSTR p = pLayer != nullptr ? pLayer->GetName() : nullptr; p != nullptr && *p != 0; ++p) {
    s.push_back(static_cast<char>(*p));
  }
  return s;
}

// The owner of the widgets: one line per notification they send it, "what sender".
class CNotifyDlg : public CWceUiDlg {
 public:
  void OnChildClick(CWceUiLayer* p) override { Add("click", p); }
  void OnVScrollPageUp(CWceUiLayer* p) override { Add("vpageup", p); }
  void OnVScrollPageDown(CWceUiLayer* p) override { Add("vpagedown", p); }
  void OnVScrollThumbTrack(CWceUiLayer* p) override { Add("vtrack", p); }
  void OnVScrollThumbPosition(CWceUiLayer* p) override { Add("vposition", p); }
  void OnVScrollLineUp(CWceUiLayer* p) override { Add("vlineup", p); }
  void OnVScrollLineDown(CWceUiLayer* p) override { Add("vlinedown", p); }
  void OnHScrollPageLeft(CWceUiLayer* p) override { Add("hpageleft", p); }
  void OnHScrollPageRight(CWceUiLayer* p) override { Add("hpageright", p); }
  void OnHScrollThumbTrack(CWceUiLayer* p) override { Add("htrack", p); }
  void OnHScrollThumbPosition(CWceUiLayer* p) override { Add("hposition", p); }
  void OnHScrollLineLeft(CWceUiLayer* p) override { Add("hlineleft", p); }
  void OnHScrollLineRight(CWceUiLayer* p) override { Add("hlineright", p); }

  std::vector<std::string> m_notes;

 private:
  void Add(const char* pWhat, CWceUiLayer* pFrom) {
    m_notes.push_back(std::string(pWhat) + " " + WidgetName(pFrom));
  }
};

class WidgetDlgFixture : public UiRealWndFixture {
 protected:
  static constexpr int kWndW = 200;
  static constexpr int kWndH = 200;
  static constexpr char16_t kDlgPath[] = u"\\SDMMC\\CECorvane\\Wnd\\widgets.dlg.xml";
  static constexpr char16_t kStylePath[] = u"\\SDMMC\\CECorvane\\Wnd\\widgets.style.xml";

  void SetUp() override {
    SetUpWindow(32, kWndW, kWndH);
    Ctrl()->DeleteLayer(m_pTop);
    m_pTop = nullptr;
  }
  void TearDown() override {
    if (m_pDlg != nullptr) Ctrl()->DeleteLayer(m_pDlg);
    m_pDlg = nullptr;
    UiRealWndFixture::TearDown();
  }

  // The dialog of the body's elements and the styles' elements, open in the window.
  CNotifyDlg* Open(const std::u16string& body, const std::u16string& styles) {
    WceUiPutTextFile(kDlgPath, u"<dialog><body name=\"dlg\">" + body + u"</body></dialog>");
    WceUiPutTextFile(kStylePath, u"<root><style>" + styles + u"</style></root>");
    m_pDlg = new CNotifyDlg;
    m_pDlg->SetLayerCtrl(Ctrl());
    if (!m_pDlg->Init(kDlgPath, kStylePath)) return nullptr;
    const RECT rc = {0, 0, kWndW, kWndH};
    m_pDlg->GetStyle()->SetPosition(&rc, 0);
    Ctrl()->RootLayer()->AppendChild(m_pDlg);
    m_pDlg->SendOnInitLayer();
    return m_pDlg;
  }
  // A layer of the dialog by its names from the dialog down.
  template <typename T>
  T* Find(std::initializer_list<LPCWSTR> path) {
    CWceUiLayer* p = m_pDlg;
    for (LPCWSTR pName : path) p = p != nullptr ? p->GetChildByName(pName) : nullptr;
    return static_cast<T*>(p);
  }
  // One mouse message at the clock's time, handled at once.
  void Send(UINT msg, int x, int y) {
    Mouse(msg, x, y);
    Pump();
  }
  // The clock moved on by ms, and the timers that fell due on the way fired one by one.
  void Advance(DWORD ms) {
    for (DWORD i = 0; i < ms; ++i) {
      wce::AdvanceTick(1);
      Pump();
    }
  }

  CNotifyDlg* m_pDlg = nullptr;
};
