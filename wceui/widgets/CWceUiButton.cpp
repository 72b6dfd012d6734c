#include "wceui/widgets/CWceUiButton.h"

#include "platform/kernel/wcestr.h"
#include "wceui/core/CWceUiLayerHost.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CWceUiXmlElem.h"

CWceUiButton::CWceUiButton() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiButton));
}

CWceUiButton::~CWceUiButton() = default;

void CWceUiButton::SetProperties(CWceUiXmlElem* pCreateElem) {
  CWceUiLayer::SetProperties(pCreateElem);
  if (pCreateElem == nullptr) return;
  // The layer has shown "style" already; the button only keeps its name for the way back from
  // the other states.
  LPCWSTR pStyle = pCreateElem->GetAttribute(u"style");
  if (pStyle != nullptr) StoreStyle(m_szNormalStyle, pStyle, 0);
  LPCWSTR pDown = pCreateElem->GetAttribute(u"down.style");
  if (pDown != nullptr) SetDownStyle(pDown);
  LPCWSTR pFocus = pCreateElem->GetAttribute(u"focus.style");
  if (pFocus != nullptr) SetFocusStyle(pFocus);
}

void CWceUiButton::SetNormalStyle(LPCWSTR pStyleName) {
  StoreStyle(m_szNormalStyle, pStyleName, kWceUiButtonNormal);
}

void CWceUiButton::SetDownStyle(LPCWSTR pStyleName) {
  StoreStyle(m_szDownStyle, pStyleName, kWceUiButtonDown);
}

void CWceUiButton::SetFocusStyle(LPCWSTR pStyleName) {
  StoreStyle(m_szFocusStyle, pStyleName, kWceUiButtonFocus);
}

void CWceUiButton::StoreStyle(WCHAR* pDst, LPCWSTR pStyleName, int nState) {
  WCEUI_CHECK(NULL != pStyleName);
  if (pStyleName == nullptr) return;
  wcsncpy(pDst, pStyleName, kStyleNameChars);
  pDst[kStyleNameChars] = 0;
  if (nState == m_nState) ShowStyle(pDst);
}

void CWceUiButton::ShowStyle(LPCWSTR pStyleName) {
  if (*pStyleName != 0) SetStyle(pStyleName);
}

void CWceUiButton::SetButtonState(int nState) {
  switch (nState) {
    case kWceUiButtonNormal:
      ShowStyle(m_szNormalStyle);
      break;
    case kWceUiButtonDown:
      ShowStyle(m_szDownStyle);
      break;
    case kWceUiButtonFocus:
      ShowStyle(m_szFocusStyle);
      break;
    default:
      break;
  }
  m_nState = nState;
}

BOOL CWceUiButton::IsPointInside(int x, int y) const {
  RECT rc;
  GetWindowRect(&rc);
  const POINT pt = {x, y};
  return PtInRect(&rc, pt);
}

BOOL CWceUiButton::HoldsCapture() const {
  CWceUiLayerHost* pWindow = GetWindow();
  return pWindow != nullptr && pWindow->GetCaptureLayer() == this;
}

void CWceUiButton::BeginPress() {
  // The capture first: should this button still hold it from a press whose release never came,
  // that press ends here without a click and cannot undo the new one.
  SetCapture();
  m_bMouseDown = 1;
  m_dwPressTick = ::GetTickCount();
  m_dwClickTick = m_dwPressTick;
}

BOOL CWceUiButton::EndPress() {
  if (!m_bMouseDown) return FALSE;
  m_bMouseDown = 0;
  ReleaseCapture();
  return TRUE;
}

void CWceUiButton::Click() {
  m_dwClickTick = ::GetTickCount();
  // Last: the owner may end the dialog this button belongs to.
  GetOwnerLayer()->OnChildClick(this);
}

void CWceUiButton::OnLButtonDown(UINT /*nFlags*/, int /*x*/, int /*y*/) {
  BeginPress();
  SetButtonState(kWceUiButtonDown);
  SetTimer(kWceUiButtonRepeatTimerId, kWceUiButtonRepeatFirstMs);
}

void CWceUiButton::OnTimer(WORD nTimerId) {
  if (nTimerId != kWceUiButtonRepeatTimerId) return;
  // A layer disabled while held gives up the capture without being told: the press ends here,
  // without a click, instead of repeating until the next press.
  if (m_bMouseDown && !HoldsCapture()) {
    OnLoseCapture();
    return;
  }
  if (!m_bMouseDown) {
    KillTimer(kWceUiButtonRepeatTimerId);
    return;
  }
  SetTimer(kWceUiButtonRepeatTimerId, kWceUiButtonRepeatNextMs);
  WceUiPostToLayerWindow(this, kWceUiButtonRepeatMsg, reinterpret_cast<WPARAM>(this), 0);
}

void CWceUiButton::OnMouseMove(UINT /*nFlags*/, int x, int y) {
  if (!m_bMouseDown) return;
  const int nState = IsPointInside(x, y) ? kWceUiButtonDown : kWceUiButtonFocus;
  if (nState != m_nState) SetButtonState(nState);
}

void CWceUiButton::OnLButtonUp(UINT /*nFlags*/, int x, int y) {
  KillTimer(kWceUiButtonRepeatTimerId);
  if (!EndPress()) return;
  SetButtonState(kWceUiButtonNormal);
  if (IsPointInside(x, y)) Click();
}

void CWceUiButton::OnLoseCapture() {
  // A point outside every button: the press ends without a click.
  OnLButtonUp(0, -65535, -65535);
}
