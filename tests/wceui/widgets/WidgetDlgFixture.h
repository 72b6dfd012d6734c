// A dialog built from dialog and style files that the test writes, shown as the top dialog of a
// UI real window on the headless display, on the test's own clock. The dialog writes a line for
// every click of a child, every press that reaches it and every scroll notification; the pump keeps
// the posts the test watches for, each with the tick at which it was taken from the queue.
#pragma once

#include "platform/kernel/wcestr.h"
#include "platform/kernel/KernelHooks.h"
#include "tests/wceui/layer/UiRealWndFixture.h"
#include "tests/wceui/drawing/BitmapPeek.h"
#include "tests/wceui/support/WceUiTestFiles.h"
#include "wceui/core/CWceUiDlg.h"

#include <gtest/gtest.h>

#include <memory>
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
  // "what bar" for each notification of a scroll bar.
  void OnVScrollPageUp(CWceUiLayer* p) override { Note("vpageup", p); }
  void OnVScrollPageDown(CWceUiLayer* p) override { Note("vpagedown", p); }
  void OnVScrollThumbTrack(CWceUiLayer* p) override { Note("vtrack", p); }
  void OnVScrollThumbPosition(CWceUiLayer* p) override { Note("vposition", p); }
  void OnVScrollLineUp(CWceUiLayer* p) override { Note("vlineup", p); }
  void OnVScrollLineDown(CWceUiLayer* p) override { Note("vlinedown", p); }
  void OnHScrollPageLeft(CWceUiLayer* p) override { Note("hpageleft", p); }
  void OnHScrollPageRight(CWceUiLayer* p) override { Note("hpageright", p); }
  void OnHScrollThumbTrack(CWceUiLayer* p) override { Note("htrack", p); }
  void OnHScrollThumbPosition(CWceUiLayer* p) override { Note("hposition", p); }
  void OnHScrollLineLeft(CWceUiLayer* p) override { Note("hlineleft", p); }
  void OnHScrollLineRight(CWceUiLayer* p) override { Note("hlineright", p); }

 private:
  void Line(const std::string& what) {
    if (m_pLines != nullptr) m_pLines->push_back(what);
  }
  void Line(const char* what, int x, int y) {
    Line(std::string(what) + " " + std::to_string(x) + " " + std::to_string(y));
  }
  void Note(const char* what, CWceUiLayer* pBar) {
    Line(std::string(what) + " " + WidgetNarrow(pBar->GetName()));
  }
};

class WidgetDlgFixture : public UiRealWndFixture {
 protected:
  static constexpr char16_t kDlgPath[] = u"\\SDMMC\\CECorvane\\Wnd\\widgets.dlg.xml";
  static constexpr char16_t kStylePath[] = u"\\SDMMC\\CECorvane\\Wnd\\widgets.style.xml";

  // One post taken from the queue: what it carried and when.
  struct Post {
    UINT m_nMsg;
    WPARAM m_wParam;
    LPARAM m_lParam;
    DWORD m_dwTick;
  };

  // A window of the screen's size at 32 bits; a test that needs room or another depth sets its own
  // before.
  void SetUp() override {
    SetUpWindow(m_nBitsPixel, m_nWndW, m_nWndH);
    Ctrl()->DeleteLayer(m_pTop);
    m_pTop = nullptr;
  }
  void SetUpSized(int nWidth, int nHeight) {
    m_nWndW = nWidth;
    m_nWndH = nHeight;
    WidgetDlgFixture::SetUp();
  }
  void TearDown() override {
    if (m_pDlg != nullptr) Ctrl()->DeleteLayer(m_pDlg);
    m_pDlg = nullptr;
    UiRealWndFixture::TearDown();
  }

  // The files written, the dialog built from them and put on top under the root body; the body
  // element gets the whole window. animates are the children of the style file's "animate" element.
  // nullptr when Init refuses the files.
  CWidgetLogDlg* Open(const std::u16string& layers, const std::u16string& styles,
                      const std::u16string& animates = u"") {
    const std::u16string rect =
        WceUtf8ToWide("0,0," + std::to_string(m_nWndW) + "," + std::to_string(m_nWndH));
    WceUiPutTextFile(kDlgPath, u"<dialog><body name=\"dlg\" windowrect=\"" + rect + u"\" style=\"dlg\">" +
                                   layers + u"</body></dialog>");
    WceUiPutTextFile(kStylePath, u"<root><style><dlg><position rect=\"" + rect +
                                     u"\"/><layout container=\"true\"/></dlg>" + styles +
                                     u"</style><animate>" + animates + u"</animate></root>");
    m_pDlg = new CWidgetLogDlg;
    m_pDlg->SetLayerCtrl(Ctrl());
    m_pDlg->m_pLines = &m_Lines;
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
  // The dialog deleted, for the next case of a table to open its own; the clock moves on, so that
  // the next press is not taken for input queued with the last release.
  void CloseDlg() {
    Ctrl()->DeleteLayer(m_pDlg);
    m_pDlg = nullptr;
    m_Posts.clear();
    Pass(1);
  }
  // The window's pixel (colour bits only) as the whole tree draws it now.
  DWORD Pixel(int x, int y) {
    std::unique_ptr<CWceUiGenericBitmap> pBmp(m_pWnd->GetCurWndBmp());
    if (pBmp == nullptr) return 0xFFFFFFFFu;
    return PeekPixel(pBmp.get(), x, y) & 0x00FFFFFFu;
  }
  template <typename T>
  T* FindAs(const std::string& path) {
    return static_cast<T*>(Find(path));
  }

  // Every queued message, as the modal loop takes it; the watched ones are kept.
  void PumpWatching() {
    MSG msg = {};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      for (UINT n : m_Watch) {
        if (msg.message == n) m_Posts.push_back({msg.message, msg.wParam, msg.lParam, ::GetTickCount()});
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
    for (const Post& p : m_Posts) {
      if (p.m_nMsg == nMsg) ticks.push_back(p.m_dwTick - dwStart);
    }
    return ticks;
  }

  int m_nBitsPixel = 32;
  int m_nWndW = kScreenW;
  int m_nWndH = kScreenH;
  CWidgetLogDlg* m_pDlg = nullptr;
  std::vector<UINT> m_Watch;
  std::vector<Post> m_Posts;
};
