#include "app/widgets/CWceResSrcoll.h"

#include "app/widgets/WceAppFrames.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"

#include <algorithm>

CWceResSrcoll::CWceResSrcoll() {
  SetClassName(WCEUI_CLASS_NAME(CWceResSrcoll));
}

CWceResSrcoll::~CWceResSrcoll() = default;

void CWceResSrcoll::SetProperties(CWceUiXmlElem* pCreateElem) {
  LPCWSTR pLastName = nullptr;
  const int nCount = WceAppReadFrames(pCreateElem, m_aBitmaps, kBitmapHolders, &pLastName);
  m_nBitmapCount = std::min(nCount, kBitmapHolders);
  m_nPictureHeight = 0;
  for (int i = 0; i < m_nBitmapCount; ++i) {
    CWceUiGenericBitmap* p = m_aBitmaps[i].GetBitmap();
    if (p != nullptr && p->IsLoaded()) m_nPictureHeight += p->GetHeight();
  }
  SetScrollRange(0, m_nPictureHeight, TRUE);
  SetScrollDirection(kWceUiScrollAxisVertical);
  m_bAlpha = WceAppIsAlphaFrameName(pLastName);
  CWceUiScrollLayer::SetProperties(pCreateElem);
}

void CWceResSrcoll::OnInitLayer() {
  m_ptPress = {0, 0};
  m_ptLast = {0, 0};
  m_bPressed = 0;
  m_nScrollPos = 0;
}

void CWceResSrcoll::OnLButtonDown(UINT nFlags, int x, int y) {
  m_bPressed = 1;
  m_ptPress = {x, y};
  m_ptLast = m_ptPress;
  CWceUiScrollLayer::OnLButtonDown(nFlags, x, y);
}

void CWceResSrcoll::OnLButtonUp(UINT nFlags, int x, int y) {
  // Hover moves after the release must not scroll the picture.
  m_bPressed = 0;
  CWceUiScrollLayer::OnLButtonUp(nFlags, x, y);
}

void CWceResSrcoll::OnMouseMove(UINT nFlags, int x, int y) {
  if (m_bPressed) {
    RECT rc;
    GetClientRect(&rc);
    // A picture shorter than the layer does not scroll at all.
    const int nLargest = std::max(m_nPictureHeight - (rc.bottom - rc.top), 0);
    m_nScrollPos = std::min(std::max(m_nScrollPos + (m_ptLast.y - y), 0), nLargest);
    WceUiRedrawLayerNow(this);
    m_ptLast = {x, y};
  }
  CWceUiScrollLayer::OnMouseMove(nFlags, x, y);
}

void CWceResSrcoll::OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw) {
  if (pWndBmp == nullptr || !pWndBmp->IsLoaded()) return;
  SetNeedDrawRect(&rcNeedDraw);
  RECT rc;
  GetWindowRect(&rc);
  RECT rcClip;
  GetWindowRectVisible(&rcClip);
  if (!IntersectRect(&rcClip, &rcClip, &rcNeedDraw)) return;
  // Only the layer's width of each bitmap: a wider one is cut at the layer's right edge.
  rcClip.right = std::min(rcClip.right, rc.right);
  int nTop = 0;  // of the current bitmap in the picture
  int y = rc.top;
  for (int i = 0; i < m_nBitmapCount && y < rc.bottom; ++i) {
    CWceUiGenericBitmap* p = m_aBitmaps[i].GetBitmap();
    if (p == nullptr || !p->IsLoaded()) continue;
    const int nBottom = nTop + p->GetHeight();
    if (nBottom > m_nScrollPos) {
      // The first bitmap shows from the scroll position down, the others whole.
      const int nSkip = std::max(m_nScrollPos - nTop, 0);
      RECT rcBand = rcClip;
      rcBand.top = std::max(rcBand.top, static_cast<LONG>(y));
      WceAppDrawBitmapAt(pWndBmp, p, rc.left, y - nSkip, rcBand, FALSE);
      y += p->GetHeight() - nSkip;
    }
    nTop = nBottom;
  }
}
