// A UI real window on the headless display, full screen, with a container top layer under the root
// body where a dialog would be. Messages are pumped the way the modal loop does: through the input
// filter, then dispatched.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "tests/wceui/resfiles/WceUiResFixture.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/CFhIgnoreMsg.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiRealWnd.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The display's pixels, rows top-down, colour bits only; its depth into pBitsPixel.
inline std::vector<DWORD> ScreenPixels(int* pBitsPixel = nullptr) {
  BITMAP bm = {};
  std::vector<DWORD> out;
  if (!wce::GetScreenPixels(&bm)) return out;
  if (pBitsPixel != nullptr) *pBitsPixel = bm.bmBitsPixel;
  for (int y = 0; y < bm.bmHeight; ++y) {
    const BYTE* pRow = static_cast<const BYTE*>(bm.bmBits) + y * bm.bmWidthBytes;
    for (int x = 0; x < bm.bmWidth; ++x) {
      out.push_back(bm.bmBitsPixel == 16 ? reinterpret_cast<const WORD*>(pRow)[x]
                                         : reinterpret_cast<const DWORD*>(pRow)[x] & 0x00FFFFFF);
    }
  }
  return out;
}
// A colour as a screen of that depth holds it.
inline DWORD ScreenValue(COLORREF cr, int nBitsPixel) {
  const DWORD r = cr & 0xFF, g = (cr >> 8) & 0xFF, b = (cr >> 16) & 0xFF;
  return nBitsPixel == 16 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3) : (r << 16) | (g << 8) | b;
}

// A layer that writes one line for each call the window makes on it and can act inside a handler.
class CProbeLayer : public CWceUiLayer {
 public:
  std::vector<std::string>* m_pLines = nullptr;
  std::function<LRESULT(UINT nMsg)> m_fnOnMessage;
  std::function<void()> m_fnOnLoseCapture;
  std::function<void()> m_fnOnDraw;
  LRESULT m_nResult = 0;

  void OnLButtonDown(UINT, int x, int y) override { Line("down", x, y); }
  void OnLButtonUp(UINT, int x, int y) override { Line("up", x, y); }
  void OnMouseMove(UINT, int x, int y) override { Line("move", x, y); }
  void OnLButtonDblClk(UINT, int x, int y) override { Line("dblclk", x, y); }
  void OnKeyDown(UINT nChar, UINT, UINT) override { Line("keydown", static_cast<int>(nChar), 0); }
  void OnKeyUp(UINT nChar, UINT, UINT) override { Line("keyup", static_cast<int>(nChar), 0); }
  void OnTimer(WORD nTimerId) override { Line("timer", nTimerId, 0); }
  void OnLoseCapture() override {
    Line("losecapture", 0, 0);
    if (m_fnOnLoseCapture) m_fnOnLoseCapture();
  }
  LRESULT OnMessage(UINT nMsg, WPARAM wParam, LPARAM) override {
    Line("message", static_cast<int>(wParam), 0);
    return m_fnOnMessage ? m_fnOnMessage(nMsg) : m_nResult;
  }
  void OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rc) override {
    if (m_fnOnDraw) m_fnOnDraw();
    CWceUiLayer::OnDraw(pWndBmp, rc);
  }

 private:
  void Line(const char* what, int a, int b) {
    if (m_pLines != nullptr) {
      m_pLines->push_back(Name() + " " + what + " " + std::to_string(a) + " " + std::to_string(b));
    }
  }
  std::string Name() const {
    std::string s;
    for (LPCWSTR p = GetName(); p != nullptr && *p != 0; ++p) s.push_back(static_cast<char>(*p));
    return s;
  }
};

// Registered by CWceUiRealWndTest.cpp, so the registry holds it once.

class UiRealWndFixture : public WceUiResFixture {
 protected:
  static constexpr int kScreenW = 40;
  static constexpr int kScreenH = 20;

  void SetUpWindow(int nBitsPixel, int nWidth = kScreenW, int nHeight = kScreenH) {
    wce::ResetUser();
    ASSERT_TRUE(wce::SetDisplayDriver("headless"));
    ASSERT_TRUE(wce::SetScreen(nWidth, nHeight, nBitsPixel));
    WceUiResFixture::SetUp();
    m_pWnd = MakeWindow();
    const RECT rc = {0, 0, nWidth, nHeight};
    ASSERT_TRUE(m_pWnd->Create(WS_POPUP | WS_VISIBLE, &rc, nullptr));
    m_pTop = new CWceUiLayer;
    m_pTop->SetLayerCtrl(Ctrl());
    Ctrl()->InitLayerInfo(m_pTop, u"top");
    m_pTop->MoveLayer(&rc, FALSE);
    Ctrl()->RootLayer()->AppendChild(m_pTop);
    m_pTop->SetLayerContainer(TRUE);
  }
  // The window the fixture creates; a test that watches the window gives its own kind.
  virtual std::unique_ptr<CWceUiRealWnd> MakeWindow() { return std::make_unique<CWceUiRealWnd>(); }
  void SetUp() override { SetUpWindow(32); }
  // A real window with nothing under its root body, for dialogs.
  void SetUpBareWindow() {
    SetUpWindow(32);
    Ctrl()->DeleteLayer(m_pTop);
    m_pTop = nullptr;
  }
  void TearDown() override {
    if (m_pTop != nullptr) Ctrl()->DeleteLayer(m_pTop);
    if (m_pWnd != nullptr && ::IsWindow(m_pWnd->GetSafeHwnd())) ::DestroyWindow(m_pWnd->GetSafeHwnd());
    m_pWnd.reset();
    wce::ResetUser();
    WceUiResFixture::TearDown();
  }

  CWceUiLayerCtrl* Ctrl() { return m_pWnd->GetLayerCtrl(); }
  HWND Hwnd() { return m_pWnd->GetSafeHwnd(); }

  // A probe layer under pParent at rc in window coordinates.
  CProbeLayer* AddProbe(CWceUiLayer* pParent, const RECT& rc, LPCWSTR pName) {
    auto* p = static_cast<CProbeLayer*>(Ctrl()->CreateLayerFromElem(pParent, u"CProbeLayer", pName));
    if (p == nullptr) return nullptr;
    p->GetStyle()->SetPosition(&rc, 0);
    p->m_pLines = &m_Lines;
    return p;
  }

  // Every queued message, as the modal loop takes it.
  void Pump() {
    MSG msg = {};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (WceUiGetGlobals()->GetIgnoreMsg()->IsIgnore(&msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  void Mouse(UINT msg, int x, int y, DWORD dwTick = 0) {
    ASSERT_TRUE(wce::InjectMouse(msg, x, y, dwTick != 0 ? dwTick : ::GetTickCount()));
  }
  void Click(int x, int y) {
    Mouse(WM_LBUTTONDOWN, x, y);
    Mouse(WM_LBUTTONUP, x, y);
    Pump();
  }

  std::unique_ptr<CWceUiRealWnd> m_pWnd;
  CWceUiLayer* m_pTop = nullptr;
  std::vector<std::string> m_Lines;
};
