#include "wceui/widgets/CWceUiScrBtn.h"

#include "platform/kernel/wcestr.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/resfiles/CWceUiXmlElem.h"
#include "wceui/widgets/CWceUiScroll.h"

namespace {

struct RoleName {
  LPCWSTR m_pName;
  int m_nRole;
};

constexpr RoleName kRoleNames[] = {
    {u"left", kWceUiScrollRoleLeft},
    {u"right", kWceUiScrollRoleRight},
    {u"up", kWceUiScrollRoleUp},
    {u"down", kWceUiScrollRoleDown},
};

}  // namespace

CWceUiScrBtn::CWceUiScrBtn() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiScrBtn));
}

CWceUiScrBtn::~CWceUiScrBtn() = default;

CWceUiScroll* CWceUiScrBtn::GetBar() {
  if (m_pBar == nullptr) m_pBar = CWceUiScroll::BarOf(this);
  return m_pBar;
}

void CWceUiScrBtn::SetProperties(CWceUiXmlElem* pCreateElem) {
  CWceUiLayer::SetProperties(pCreateElem);
  if (pCreateElem == nullptr) return;
  LPCWSTR pStep = pCreateElem->GetAttribute(u"step");
  if (pStep != nullptr && _wcsicmp(pStep, u"line") == 0) m_nStep = kWceUiScrollStepLine;
  if (pStep != nullptr && _wcsicmp(pStep, u"page") == 0) m_nStep = kWceUiScrollStepPage;
  LPCWSTR pStyle = pCreateElem->GetAttribute(u"style");
  if (pStyle != nullptr) WceUiSetStyleName(m_szNormalStyle, pStyle);
  LPCWSTR pDownStyle = pCreateElem->GetAttribute(u"down.style");
  if (pDownStyle != nullptr) WceUiSetStyleName(m_szDownStyle, pDownStyle);
  for (const RoleName& r : kRoleNames) {
    if (IsEqualName(r.m_pName)) m_nRole = r.m_nRole;
  }
}

void CWceUiScrBtn::Step() {
  CWceUiScroll* pBar = GetBar();
  if (pBar != nullptr) pBar->NotifyStep(m_nStep, m_nRole);
}

void CWceUiScrBtn::OnLButtonDown(UINT /*nFlags*/, int /*x*/, int /*y*/) {
  // The capture first: should the arrow still hold it from a press whose release never came, that
  // press ends here and cannot undo the new one.
  SetCapture();
  m_bPressed = 1;
  if (m_szDownStyle[0] != 0) {
    SetStyle(m_szDownStyle);
    if (m_bRedrawAtOnce) WceUiRedrawLayerNow(this);
  }
  Step();
  SetTimer(kRepeatTimer, kFirstRepeatMs);
  m_bFirstRepeat = 1;
}

void CWceUiScrBtn::OnTimer(WORD nTimerId) {
  if (nTimerId != kRepeatTimer || !m_bPressed) return;
  if (m_bFirstRepeat) {
    SetTimer(kRepeatTimer, kRepeatMs);
    m_bFirstRepeat = 0;
  } else {
    m_bRepeating = 1;
  }
  Step();
}

void CWceUiScrBtn::Release() {
  if (!m_bPressed) return;
  m_bPressed = 0;
  ReleaseCapture();
  KillTimer(kRepeatTimer);
  m_bFirstRepeat = 0;
  m_bRepeating = 0;
  if (m_szNormalStyle[0] != 0) SetStyle(m_szNormalStyle);
}

void CWceUiScrBtn::OnLButtonUp(UINT /*nFlags*/, int /*x*/, int /*y*/) {
  Release();
}

void CWceUiScrBtn::OnLoseCapture() {
  Release();
}
