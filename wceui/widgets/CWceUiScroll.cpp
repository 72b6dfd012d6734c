#include "wceui/widgets/CWceUiScroll.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CWceUiXmlElem.h"
#include "wceui/widgets/CWceUiScrPage.h"
#include "wceui/widgets/CWceUiScrThumb.h"

CWceUiScroll::CWceUiScroll() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiScroll));
}

CWceUiScroll::~CWceUiScroll() = default;

CWceUiScroll* CWceUiScroll::BarOf(CWceUiLayer* pPart) {
  CWceUiLayer* pParent = pPart != nullptr ? pPart->GetParent() : nullptr;
  return pParent != nullptr && pParent->IsKindOf(u"CWceUiScroll") ? static_cast<CWceUiScroll*>(pParent)
                                                                  : nullptr;
}

int CWceUiScroll::AxisOf(CWceUiLayer* pPart) {
  CWceUiScroll* pBar = BarOf(pPart);
  return pBar != nullptr ? pBar->GetScrollType() : kWceUiScrollNone;
}

void CWceUiScroll::SetProperties(CWceUiXmlElem* pCreateElem) {
  CWceUiLayer::SetProperties(pCreateElem);
  if (pCreateElem == nullptr) return;
  LPCWSTR pType = pCreateElem->GetAttribute(u"scroll-type");
  if (pType != nullptr && _wcsicmp(pType, u"H") == 0) {
    m_nScrollType = kWceUiScrollHorizontal;
  } else if (pType != nullptr && _wcsicmp(pType, u"V") == 0) {
    m_nScrollType = kWceUiScrollVertical;
  } else {
    // A bar without an axis stays, but none of its parts will report anything.
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::SetProperties, scroll-type of %s must be H or V", WCEUI_LOG_TAGW,
              GetName());
  }
  LPCWSTR pAutoHide = pCreateElem->GetAttribute(u"auto-hide");
  if (pAutoHide != nullptr && _wcsicmp(pAutoHide, u"true") == 0) m_bAutoHide = 1;
  SetLayerContainer(TRUE);
}

CWceUiScrThumb* CWceUiScroll::GetThumb() {
  if (m_pThumb == nullptr) {
    CWceUiLayer* p = GetChildByName(u"thumb");
    if (p != nullptr && p->IsKindOf(u"CWceUiScrThumb")) m_pThumb = static_cast<CWceUiScrThumb*>(p);
  }
  return m_pThumb;
}

CWceUiScrPage* CWceUiScroll::GetPage() {
  if (m_pPage == nullptr) {
    CWceUiLayer* p = GetChildByName(u"page");
    if (p != nullptr && p->IsKindOf(u"CWceUiScrPage")) m_pPage = static_cast<CWceUiScrPage*>(p);
  }
  return m_pPage;
}

BOOL CWceUiScroll::ThumbCoordinate(int* pCoordinate) {
  CWceUiScrThumb* pThumb = GetThumb();
  if (pThumb == nullptr || m_nScrollType == kWceUiScrollNone) return 0;
  RECT rc;
  pThumb->GetWindowRect(&rc);
  *pCoordinate = m_nScrollType == kWceUiScrollHorizontal ? rc.left : rc.top;
  return 1;
}

void CWceUiScroll::NotifyThumbTrack() {
  int nCoordinate = 0;
  if (!ThumbCoordinate(&nCoordinate)) return;
  const DWORD dwNow = GetTickCount();
  if (nCoordinate == m_nLastCoordinate || dwNow - m_dwLastTrackTick < kTrackIntervalMs) return;
  m_nLastCoordinate = nCoordinate;
  m_dwLastTrackTick = dwNow;
  CallThumbNote(TRUE);
}

void CWceUiScroll::NotifyThumbPosition() {
  int nCoordinate = 0;
  if (!ThumbCoordinate(&nCoordinate)) return;
  m_nLastCoordinate = nCoordinate;
  CallThumbNote(FALSE);
}

void CWceUiScroll::CallThumbNote(BOOL bTrack) {
  CWceUiLayer* pOwner = GetOwnerLayer();
  if (m_nScrollType == kWceUiScrollHorizontal) {
    bTrack ? pOwner->OnHScrollThumbTrack(this) : pOwner->OnHScrollThumbPosition(this);
  } else {
    bTrack ? pOwner->OnVScrollThumbTrack(this) : pOwner->OnVScrollThumbPosition(this);
  }
}

void CWceUiScroll::NotifyPage(BOOL bForward) {
  CWceUiLayer* pOwner = GetOwnerLayer();
  if (m_nScrollType == kWceUiScrollHorizontal) {
    bForward ? pOwner->OnHScrollPageRight(this) : pOwner->OnHScrollPageLeft(this);
  } else if (m_nScrollType == kWceUiScrollVertical) {
    bForward ? pOwner->OnVScrollPageDown(this) : pOwner->OnVScrollPageUp(this);
  }
}

void CWceUiScroll::NotifyStep(int nStep, int nRole) {
  CWceUiLayer* pOwner = GetOwnerLayer();
  const BOOL bPage = nStep == kWceUiScrollStepPage;
  switch (nRole) {
    case kWceUiScrollRoleUp:
      bPage ? pOwner->OnVScrollPageUp(this) : pOwner->OnVScrollLineUp(this);
      break;
    case kWceUiScrollRoleDown:
      bPage ? pOwner->OnVScrollPageDown(this) : pOwner->OnVScrollLineDown(this);
      break;
    case kWceUiScrollRoleLeft:
      bPage ? pOwner->OnHScrollPageLeft(this) : pOwner->OnHScrollLineLeft(this);
      break;
    case kWceUiScrollRoleRight:
      bPage ? pOwner->OnHScrollPageRight(this) : pOwner->OnHScrollLineRight(this);
      break;
    default:
      break;
  }
}
