// Real windows for the tests: every handler writes one line of what it saw, so a test reads the
// order in which messages reached the object's virtual handlers.
#pragma once

#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/core/CRealDlg.h"

#include <functional>
#include <string>
#include <vector>

// A window of USER's own tests' kind: the display is the headless one, no window or class is left
// from an earlier test, and the framework's instance is set unless a test clears it.
class RealWndTestRoot : public WceUiTestRoot {
 protected:
  void SetUp() override {
    WceUiTestRoot::SetUp();
    wce::ResetUser();
    ASSERT_TRUE(wce::SetDisplayDriver("headless"));
    WceUiGetGlobals()->GetGlobalData()->SetInstance(kInstance);
  }
  void TearDown() override {
    wce::ResetUser();
    WceUiTestRoot::TearDown();
  }
  static inline HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(0x400000);
};

template <class Base>
class CRecordingWnd : public Base {
 public:
  explicit CRecordingWnd(std::string name = "wnd") : m_strName(std::move(name)) {}

  std::vector<std::string>* m_pLines = &m_OwnLines;
  std::vector<std::string> m_OwnLines;
  std::string m_strName;
  int m_nCreateResult = 0;
  // Runs inside the handler, after its line is written.
  std::function<void()> m_fnOnInit;
  std::function<void(int x, int y)> m_fnOnLButtonDown;
  std::function<void(UINT msg, WPARAM wParam)> m_fnOnOther;
  HWND m_hWndSeenAtDestroy = nullptr;
  const void* m_pCreateParam = nullptr;
  // The stamp of each press that reached OnLButtonDown.
  std::vector<DWORD> m_DownTimes;

  HWND Hwnd() const { return this->m_hWnd; }

  void OnLButtonDown(UINT nFlags, int x, int y) override {
    m_DownTimes.push_back(static_cast<DWORD>(::GetMessageTime()));
    Mouse("LButtonDown", nFlags, x, y);
    if (m_fnOnLButtonDown) m_fnOnLButtonDown(x, y);
  }
  void OnLButtonUp(UINT nFlags, int x, int y) override { Mouse("LButtonUp", nFlags, x, y); }
  void OnMouseMove(UINT nFlags, int x, int y) override { Mouse("MouseMove", nFlags, x, y); }
  void OnLButtonDblClk(UINT nFlags, int x, int y) override { Mouse("LButtonDblClk", nFlags, x, y); }
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override { Key("KeyDown", nChar, nRepCnt, nFlags); }
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) override { Key("KeyUp", nChar, nRepCnt, nFlags); }
  void OnCaptureChanged(HWND hWnd) override {
    Line("CaptureChanged " + std::to_string(reinterpret_cast<uintptr_t>(hWnd)));
  }
  BOOL OnEraseBkgnd(HDC) override {
    Line("EraseBkgnd");
    return Base::OnEraseBkgnd(nullptr);
  }
  void OnPaint(HDC hdc, const RECT& rc) override {
    Line(std::string("Paint ") + (hdc != nullptr ? "dc " : "nodc ") + std::to_string(rc.left) + "," +
         std::to_string(rc.top) + "," + std::to_string(rc.right) + "," + std::to_string(rc.bottom));
  }
  void OnTimer(UINT_PTR nIDEvent) override { Line("Timer " + std::to_string(nIDEvent)); }
  void OnClose() override {
    Line("Close");
    Base::OnClose();
  }
  void OnDestroy() override {
    m_hWndSeenAtDestroy = this->m_hWnd;
    HWND hParent = ::GetParent(this->m_hWnd);
    Line(std::string("Destroy") + (::IsWindow(this->m_hWnd) ? " alive" : " gone") +
         (::IsWindowVisible(this->m_hWnd) ? " shown" : " hidden") +
         (hParent != nullptr ? (::IsWindowEnabled(hParent) ? " parent-enabled" : " parent-disabled") : ""));
  }
  int OnCreate(LPCREATESTRUCT lpCreateStruct) override {
    m_pCreateParam = lpCreateStruct != nullptr ? lpCreateStruct->lpCreateParams : nullptr;
    Line("Create " + std::to_string(lpCreateStruct != nullptr ? lpCreateStruct->cx : -1) + "x" +
         std::to_string(lpCreateStruct != nullptr ? lpCreateStruct->cy : -1));
    return m_nCreateResult;
  }
  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg >= WM_USER) {
      Line("Def " + std::to_string(msg - WM_USER) + " " + std::to_string(wParam));
      if (m_fnOnOther) m_fnOnOther(msg, wParam);
    }
    return Base::DefWindowProc(msg, wParam, lParam);
  }

  void Line(const std::string& line) { m_pLines->push_back(m_strName + ": " + line); }

 private:
  void Mouse(const char* what, UINT nFlags, int x, int y) {
    Line(std::string(what) + " " + std::to_string(nFlags) + " " + std::to_string(x) + " " +
         std::to_string(y));
  }
  void Key(const char* what, UINT nChar, UINT nRepCnt, UINT nFlags) {
    Line(std::string(what) + " " + std::to_string(nChar) + " " + std::to_string(nRepCnt) + " " +
         std::to_string(nFlags));
  }
};

class CRecordingRealWnd : public CRecordingWnd<CRealWnd> {
 public:
  using CRecordingWnd<CRealWnd>::CRecordingWnd;
};

class CRecordingRealDlg : public CRecordingWnd<CRealDlg> {
 public:
  using CRecordingWnd<CRealDlg>::CRecordingWnd;
  void OnInitDialog() override {
    Line(std::string("InitDialog") + (::IsWindow(m_hWnd) ? " alive" : " gone") + " way " +
         std::to_string(GetRunWay()));
    if (m_fnOnInit) m_fnOnInit();
  }
};
