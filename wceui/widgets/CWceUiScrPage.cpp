#include "wceui/widgets/CWceUiScrPage.h"

#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/CWceUiXmlElem.h"
#include "wceui/widgets/CWceUiScrThumb.h"
#include "wceui/widgets/CWceUiScroll.h"

CWceUiScrPage::CWceUiScrPage() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiScrPage));
}

CWceUiScrPage::~CWceUiScrPage() = default;

CWceUiScroll* CWceUiScrPage::GetBar() {
  if (m_pBar == nullptr) m_pBar = CWceUiScroll::BarOf(this);
  return m_pBar;
}

void CWceUiScrPage::SetProperties(CWceUiXmlElem* pCreateElem) {
  CWceUiLayer::SetProperties(pCreateElem);
  if (pCreateElem == nullptr) return;
  LPCWSTR pClick = pCreateElem->GetAttribute(u"click");
  if (pClick != nullptr && _wcsicmp(pClick, u"pos") == 0) m_nClickMode = kWceUiScrPageJump;
  LPCWSTR pReadOnly = pCreateElem->GetAttribute(u"readonly");
  m_bReadOnly = pReadOnly != nullptr && _wcsicmp(pReadOnly, u"true") == 0;
  const int nType = CWceUiScroll::AxisOf(this);
  if (nType == kWceUiScrollHorizontal || nType == kWceUiScrollVertical) m_nDirection = nType;
}

void CWceUiScrPage::OnLButtonDown(UINT /*nFlags*/, int x, int y) {
  if (m_bReadOnly) return;
  CWceUiScroll* pBar = GetBar();
  CWceUiScrThumb* pThumb = pBar != nullptr ? pBar->GetThumb() : nullptr;
  if (pThumb == nullptr) return;
  const POINT pt = {x, y};
  RECT rcTrack;
  GetWindowRect(&rcTrack);
  RECT rcThumb;
  pThumb->GetWindowRect(&rcThumb);
  // A press on the thumb belongs to the thumb.
  if (!PtInRect(&rcTrack, pt) || PtInRect(&rcThumb, pt)) return;
  if (m_nClickMode == kWceUiScrPageJump) {
    if (m_nDirection != kWceUiScrollHorizontal && m_nDirection != kWceUiScrollVertical) return;
    pThumb->PlaceAt(x, y);
    pBar->NotifyThumbPosition();
    return;
  }
  if (m_nDirection == kWceUiScrollHorizontal) {
    pBar->NotifyPage(x > rcThumb.left);
  } else if (m_nDirection == kWceUiScrollVertical) {
    pBar->NotifyPage(y > rcThumb.top);
  }
}
