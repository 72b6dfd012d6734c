// A push button: it shows a named style for each of its states while a finger holds it, repeats
// to its real window while held, and reports a click to its owner layer when the finger is lifted
// inside it. The application's check and timer buttons derive from it.
#pragma once

#include "wceui/core/CWceUiLayer.h"

// Posted to the button's real window while it is held: wParam is the button, lParam 0.
constexpr UINT kWceUiButtonRepeatMsg = 0x83EC;
// The layer timer of the repeat; the first repeat waits longer than the later ones, so a tap
// never repeats.
constexpr WORD kWceUiButtonRepeatTimerId = 30;
constexpr UINT kWceUiButtonRepeatFirstMs = 1500;
constexpr UINT kWceUiButtonRepeatNextMs = 200;

// The button's states; each shows its own style when one is named.
enum WceUiButtonState {
  kWceUiButtonNormal = 1,
  kWceUiButtonDown = 2,
  kWceUiButtonFocus = 3,  // held, with the finger outside the button
};

class CWceUiButton : public CWceUiLayer {
 public:
  // A style name keeps at most this many characters; a longer one is cut.
  static constexpr int kStyleNameChars = 63;

  CWceUiButton();
  ~CWceUiButton() override;

  // The layer's own properties, then "style", "down.style" and "focus.style", each when present.
  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnTimer(WORD nTimerId) override;
  // Ends the press without a click.
  void OnLoseCapture() override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;

  // Each stores the name and, while the button is in the matching state, shows it at once.
  void SetNormalStyle(LPCWSTR pStyleName);
  void SetDownStyle(LPCWSTR pStyleName);
  void SetFocusStyle(LPCWSTR pStyleName);
  LPCWSTR GetNormalStyle() const { return m_szNormalStyle; }
  LPCWSTR GetDownStyle() const { return m_szDownStyle; }
  LPCWSTR GetFocusStyle() const { return m_szFocusStyle; }

  // Shows the style of a state (1, 2, 3) when it is named; any value is then stored.
  void SetButtonState(int nState);
  int GetButtonState() const { return m_nState; }
  BOOL IsMouseDown() const { return m_bMouseDown; }
  DWORD GetPressTick() const { return m_dwPressTick; }
  DWORD GetClickTick() const { return m_dwClickTick; }

 protected:
  // The window rectangle holds the point (x, y in window coordinates).
  BOOL IsPointInside(int x, int y) const;
  // The window's capture is this button's. A layer disabled while held loses it untold.
  BOOL HoldsCapture() const;
  // A press begins: the capture, the pressed flag, the press and click ticks.
  void BeginPress();
  // The press ends, the capture given back; FALSE when no press was on.
  BOOL EndPress();
  // The click tick, then the owner layer's OnChildClick with this button.
  void Click();

  WCHAR m_szNormalStyle[kStyleNameChars + 1] = {};
  WCHAR m_szDownStyle[kStyleNameChars + 1] = {};
  WCHAR m_szFocusStyle[kStyleNameChars + 1] = {};
  BOOL m_bMouseDown = 0;
  int m_nState = kWceUiButtonNormal;
  DWORD m_dwPressTick = 0;
  DWORD m_dwClickTick = 0;

 private:
  void StoreStyle(WCHAR* pDst, LPCWSTR pStyleName, int nState);
  void ShowStyle(LPCWSTR pStyleName);
};

WCEUI_DYNCREATE_BEGIN(CWceUiButton, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceUiButton)
