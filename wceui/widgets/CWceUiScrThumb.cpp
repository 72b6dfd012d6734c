#include "wceui/widgets/CWceUiScrThumb.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/styles/CWceUiBgItem.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/CWceUiXmlElem.h"
#include "wceui/widgets/CWceUiScrPage.h"
#include "wceui/widgets/CWceUiScroll.h"

#include <algorithm>

namespace {

int Clamp(int nValue, int nMin, int nMax) {
  // Raised to the minimum first, then lowered to the maximum: a reversed range gives the maximum.
  return std::min(std::max(nValue, nMin), nMax);
}

}  // namespace

CWceUiScrThumb::CWceUiScrThumb() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiScrThumb));
}

CWceUiScrThumb::~CWceUiScrThumb() = default;

CWceUiScroll* CWceUiScrThumb::GetBar() {
  if (m_pBar == nullptr) m_pBar = CWceUiScroll::BarOf(this);
  return m_pBar;
}

void CWceUiScrThumb::SetProperties(CWceUiXmlElem* pCreateElem) {
  CWceUiLayer::SetProperties(pCreateElem);
  if (pCreateElem == nullptr) return;
  LPCWSTR pStyle = pCreateElem->GetAttribute(u"style");
  if (pStyle != nullptr) WceUiSetStyleName(m_szNormalStyle, pStyle);
  LPCWSTR pDragStyle = pCreateElem->GetAttribute(u"drag.style");
  if (pDragStyle != nullptr) WceUiSetStyleName(m_szDragStyle, pDragStyle);
  LPCWSTR pReadOnly = pCreateElem->GetAttribute(u"readonly");
  if (pReadOnly != nullptr && _wcsicmp(pReadOnly, u"true") == 0) {
    m_bReadOnly = 1;
  } else {
    if (m_bDragging) {
      m_bDragging = 0;
      ReleaseCapture();
    }
    m_bReadOnly = 0;
  }
  const int nType = CWceUiScroll::AxisOf(this);
  if (nType == kWceUiScrollHorizontal) {
    m_bMayMoveX = 1;
    m_bMayMoveY = 0;
    m_nDirection = kWceUiScrollHorizontal;
  } else if (nType == kWceUiScrollVertical) {
    m_bMayMoveX = 0;
    m_bMayMoveY = 1;
    m_nDirection = kWceUiScrollVertical;
  }
}

void CWceUiScrThumb::SetXRange(int nMin, int nMax) {
  m_nMinX = nMin;
  m_nMaxX = nMax;
}

void CWceUiScrThumb::SetYRange(int nMin, int nMax) {
  m_nMinY = nMin;
  m_nMaxY = nMax;
}

void CWceUiScrThumb::InvalidatePage() {
  CWceUiScroll* pBar = GetBar();
  CWceUiScrPage* pPage = pBar != nullptr ? pBar->GetPage() : nullptr;
  if (pPage != nullptr) pPage->InvalidateRect(nullptr);
}

void CWceUiScrThumb::DragTo(int x, int y) {
  const int dx = x - m_ptLast.x;
  const int dy = y - m_ptLast.y;
  if (m_nDirection == kWceUiScrollHorizontal && dx == 0) return;
  if (m_nDirection == kWceUiScrollVertical && dy == 0) return;
  RECT rc;
  GetWindowRect(&rc);
  int nLeft = rc.left;
  int nTop = rc.top;
  if (m_bMayMoveX) nLeft = Clamp(nLeft + dx, m_nMinX, m_nMaxX);
  if (m_bMayMoveY) nTop = Clamp(nTop + dy, m_nMinY, m_nMaxY);
  MoveLayer(nLeft, nTop, rc.right - rc.left, rc.bottom - rc.top, TRUE);
  InvalidatePage();
  m_ptLast.x = x;
  m_ptLast.y = y;
}

void CWceUiScrThumb::PlaceAt(int x, int y) {
  RECT rc;
  GetWindowRect(&rc);
  int nLeft = rc.left;
  int nTop = rc.top;
  if (m_nDirection == kWceUiScrollHorizontal) {
    nLeft = Clamp(x, m_nMinX, m_nMaxX);
  } else if (m_nDirection == kWceUiScrollVertical) {
    nTop = Clamp(y, m_nMinY, m_nMaxY);
  } else {
    return;
  }
  MoveLayer(nLeft, nTop, rc.right - rc.left, rc.bottom - rc.top, TRUE);
  InvalidatePage();
}

void CWceUiScrThumb::OnLButtonDown(UINT /*nFlags*/, int x, int y) {
  if (m_bReadOnly) return;
  // The capture first: should the thumb still hold it from a press whose release never came, that
  // drag ends here and cannot undo the new one.
  SetCapture();
  m_bDragging = 1;
  m_ptLast.x = x;
  m_ptLast.y = y;
  WceUiApplyStyleKeepRect(this, m_szDragStyle);
}

void CWceUiScrThumb::OnMouseMove(UINT /*nFlags*/, int x, int y) {
  if (m_bReadOnly || !m_bDragging) return;
  DragTo(x, y);
  CWceUiScroll* pBar = GetBar();
  if (pBar != nullptr) pBar->NotifyThumbTrack();
}

void CWceUiScrThumb::OnLButtonUp(UINT /*nFlags*/, int x, int y) {
  if (m_bReadOnly) return;
  EndDrag(TRUE, x, y);
}

void CWceUiScrThumb::OnLoseCapture() {
  EndDrag(FALSE, 0, 0);
}

void CWceUiScrThumb::EndDrag(BOOL bNotify, int x, int y) {
  if (!m_bDragging) return;
  m_bDragging = 0;
  ReleaseCapture();
  if (bNotify) {
    DragTo(x, y);
    CWceUiScroll* pBar = GetBar();
    if (pBar != nullptr) pBar->NotifyThumbPosition();
  }
  WceUiApplyStyleKeepRect(this, m_szNormalStyle);
}

void CWceUiScrThumb::OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw) {
  CWceUiBgItemCtrl& items = GetStyle()->GetBgItemCtrl();
  CWceUiBgItem* pFix1 = items.GetByName(u"fix_1");
  CWceUiBgItem* pFix2 = items.GetByName(u"fix_2");
  CWceUiBgItem* pVar = items.GetByName(u"var");
  CWceUiGenericBitmap* pBmp1 = pFix1 != nullptr ? pFix1->GetBitmap() : nullptr;
  CWceUiGenericBitmap* pBmp2 = pFix2 != nullptr ? pFix2->GetBitmap() : nullptr;
  if (pVar != nullptr && pBmp1 != nullptr && pBmp2 != nullptr && pBmp1->IsLoaded() && pBmp2->IsLoaded()) {
    // The middle stretches between the ends, so one set of bitmaps serves every thumb length.
    RECT rcClient;
    GetClientRect(&rcClient);
    RECT rcVar = rcClient;
    if (m_nDirection == kWceUiScrollHorizontal) {
      rcVar.left += pBmp1->GetWidth();
      rcVar.right -= pBmp2->GetWidth();
      pVar->SetDstRect(&rcVar);
    } else if (m_nDirection == kWceUiScrollVertical) {
      rcVar.top += pBmp1->GetHeight();
      rcVar.bottom -= pBmp2->GetHeight();
      pVar->SetDstRect(&rcVar);
    }
  }
  CWceUiLayer::OnDraw(pWndBmp, rcNeedDraw);
}
