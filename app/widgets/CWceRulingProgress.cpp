#include "app/widgets/CWceRulingProgress.h"

#include "app/widgets/WceAppFrames.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/CWceUiXmlElem.h"

#include <algorithm>
#include <cstdlib>

namespace {

CWceUiGenericBitmap* Loaded(CWceUiLoadBitmap& holder) {
  CWceUiGenericBitmap* p = holder.GetBitmap();
  return p != nullptr && p->IsLoaded() ? p : nullptr;
}

void BlendAt(CWceUiGenericBitmap* pDraw, CWceUiGenericBitmap* pBitmap, int x, int y, const RECT& rcClip) {
  if (pBitmap == nullptr) return;
  WceAppDrawBitmapAt(pDraw, pBitmap, x, y, rcClip, pBitmap->HasPerPixelAlpha());
}

}  // namespace

CWceRulingProgress::CWceRulingProgress() {
  SetClassName(WCEUI_CLASS_NAME(CWceRulingProgress));
}

CWceRulingProgress::~CWceRulingProgress() = default;

void CWceRulingProgress::SetProperties(CWceUiXmlElem* pCreateElem) {
  if (pCreateElem != nullptr) {
    struct Named {
      LPCWSTR m_pszAttr;
      CWceUiLoadBitmap* m_pHolder;
    } named[] = {
        {u"linebk", &m_BmpBack}, {u"lines", &m_BmpShort}, {u"lineh", &m_BmpLong}, {u"linethumb", &m_BmpMark}};
    for (const Named& n : named) {
      LPCWSTR pName = pCreateElem->GetAttribute(n.m_pszAttr);
      if (pName != nullptr && *pName != 0) n.m_pHolder->SetBitmapFromRes(pName);
    }
  }
  CWceUiLayer::SetProperties(pCreateElem);
}

void CWceRulingProgress::OnInitLayer() {
  m_pBack = Loaded(m_BmpBack);
  m_pShort = Loaded(m_BmpShort);
  m_pLong = Loaded(m_BmpLong);
  m_pMark = Loaded(m_BmpMark);
  SetTimer(kPageTimer, kPageStepMs);
}

void CWceRulingProgress::SetScale(int nTickSpacing, int nTickValue) {
  m_nTickSpacing = nTickSpacing;
  m_nTickValue = nTickValue;
  InvalidateRect(nullptr);
}

void CWceRulingProgress::SetRange(int nMin, int nMax) {
  m_nMin = nMin;
  m_nMax = nMax;
  InvalidateRect(nullptr);
}

void CWceRulingProgress::SetPosition(int nPosition) {
  m_nPosition = nPosition;
  InvalidateRect(nullptr);
}

void CWceRulingProgress::AddLabel(int nValue, LPCWSTR pText) {
  m_Labels.push_back({nValue, pText != nullptr ? std::u16string(pText) : std::u16string(), {0, 0}, 0});
  InvalidateRect(nullptr);
}

void CWceRulingProgress::Post(LPARAM lNote) {
  WceUiPostToLayerWindow(this, kWceRulingProgressMsg, reinterpret_cast<WPARAM>(this), lNote);
}

void CWceRulingProgress::MoveBySegment(int x) {
  if (!CanMove()) return;
  const int dx = m_ptLast.x - x;
  const int nDelta = std::abs(m_nTickValue * dx) / m_nTickSpacing;
  // The scale follows the finger: moved right, smaller values come under the mark.
  if (dx < 0) {
    m_nPosition = m_nPosition - nDelta < m_nMin ? m_nMin : m_nPosition - nDelta;
  } else {
    m_nPosition = std::min(m_nPosition + nDelta, m_nMax);
  }
}

void CWceRulingProgress::OnLButtonDown(UINT /*nFlags*/, int x, int y) {
  if (m_bDisabled) return;
  m_bPressed = 1;
  SetCapture();
  m_nPageMode = kPageNone;
  m_ptLast = {x, y};
  m_ptPress = m_ptLast;
  m_dwPressTick = GetTickCount();
  Post(kWceRulingPressed);
}

void CWceRulingProgress::OnMouseMove(UINT /*nFlags*/, int x, int y) {
  if (m_bDisabled || !m_bPressed) return;
  MoveBySegment(x);
  m_ptLast = {x, y};
  InvalidateRect(nullptr);
  Post(kWceRulingMoved);
}

void CWceRulingProgress::OnLButtonUp(UINT /*nFlags*/, int x, int y) {
  if (m_bDisabled || !m_bPressed) return;
  m_bPressed = 0;
  ReleaseCapture();
  const BOOL bFlick = GetTickCount() - m_dwPressTick < kFlickMs && m_nPageCount > 1;
  if (bFlick) {
    // The range in whole ticks, cut into the pages; a ruler without a scale does not page.
    const int nPage = CanMove() ? m_nTickValue * ((m_nMax - m_nMin) / (m_nTickValue * m_nPageCount)) : 0;
    if (nPage != 0 && x - m_ptPress.x > kFlickPixels) {
      m_nTarget = m_nPosition < m_nMin + nPage ? m_nMin : m_nPosition - nPage;
      m_nPageMode = kPageDown;
    } else if (nPage != 0 && m_ptPress.x - x > kFlickPixels) {
      m_nTarget = std::min(m_nPosition + nPage, m_nMax);
      m_nPageMode = kPageUp;
    }
  } else {
    MoveBySegment(x);
    InvalidateRect(nullptr);
    Post(kWceRulingReleased);
  }
  m_ptLast = {x, y};
}

void CWceRulingProgress::OnTimer(WORD nTimerId) {
  if (nTimerId != kPageTimer || m_nPageMode == kPageNone) return;
  const BOOL bTargetInRange = m_nTarget >= m_nMin && m_nTarget <= m_nMax;
  if (m_nPageMode == kPageDown) {
    if (m_nPosition - m_nTickValue <= m_nTarget) {
      if (bTargetInRange) m_nPosition = m_nTarget;
      m_nPageMode = kPageNone;
    } else {
      m_nPosition -= m_nTickValue;
    }
  } else {
    if (m_nPosition + m_nTickValue >= m_nTarget) {
      if (bTargetInRange) m_nPosition = m_nTarget;
      m_nPageMode = kPageNone;
    } else {
      m_nPosition += m_nTickValue;
    }
  }
  InvalidateRect(nullptr);
  Post(kWceRulingMoved);
}

void CWceRulingProgress::OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw) {
  CWceUiLayer::OnDraw(pWndBmp, rcNeedDraw);
  if (pWndBmp == nullptr || !pWndBmp->IsLoaded()) return;
  RECT rcClip;
  GetWindowRectVisible(&rcClip);
  if (!IntersectRect(&rcClip, &rcClip, &rcNeedDraw)) return;
  DrawScale(pWndBmp, rcClip);
}

void CWceRulingProgress::DrawScale(CWceUiGenericBitmap* pWndBmp, const RECT& rcClip) {
  if (m_nMax <= m_nMin) return;
  RECT rc;
  GetWindowRect(&rc);
  const int nCentre = rc.left + (rc.right - rc.left) / 2;
  int nTickTop = rc.top;
  if (m_pBack != nullptr && m_pBack->GetWidth() > 0) {
    for (int x = rc.left; x < rc.right; x += m_pBack->GetWidth())
      BlendAt(pWndBmp, m_pBack, x, rc.top, rcClip);
    nTickTop += m_pBack->GetHeight();
  }
  if (CanMove() && m_nTickSpacing > 0 && m_nTickValue > 0) {
    const int nPos = std::min(std::max(m_nPosition, m_nMin), m_nMax);
    int nIndex = (nPos - m_nMin) / m_nTickValue;
    const int nRemainder = (nPos - m_nMin) % m_nTickValue;
    int nShift = 0;
    if (nRemainder != 0) {
      // The position lies between two ticks: the next one stands right of the mark.
      ++nIndex;
      nShift = m_nTickSpacing - (m_nTickSpacing / m_nTickValue) * nRemainder;
    }
    const int nLastIndex = (m_nMax - m_nMin) / m_nTickValue;
    // The tick of nIndex stands at nCentre + nShift; the others every spacing to both edges.
    const int nFirstStep = -((nCentre + nShift - rc.left) / m_nTickSpacing);
    HDC hdc = nullptr;
    HBITMAP hBitmap = nullptr;
    for (int k = nFirstStep; nCentre + nShift + k * m_nTickSpacing < rc.right; ++k) {
      const int nTick = nIndex + k;
      if (nTick < 0 || nTick > nLastIndex) continue;
      const int x = nCentre + nShift + k * m_nTickSpacing;
      CWceUiGenericBitmap* pTick = nTick % kLongTickEvery == 0 ? m_pLong : m_pShort;
      int nTickBottom = nTickTop;
      if (pTick != nullptr) {
        BlendAt(pWndBmp, pTick, x - pTick->GetWidth() / 2, nTickTop, rcClip);
        nTickBottom += pTick->GetHeight();
      }
      const int nValue = m_nMin + nTick * m_nTickValue;
      for (Label& label : m_Labels) {
        if (label.m_nValue != nValue || label.m_strText.empty()) continue;
        if (hdc == nullptr) {
          hBitmap = pWndBmp->GetHBitmap(nullptr);
          if (hBitmap == nullptr) break;
          hdc = CreateCompatibleDC(nullptr);
          SelectObject(hdc, hBitmap);
          HFONT hFont = GetStyle()->GetFontCtrl().GetFont();
          SelectObject(hdc, hFont != nullptr ? static_cast<HGDIOBJ>(hFont) : GetStockObject(SYSTEM_FONT));
          HRGN hClip = CreateRectRgn(rcClip.left, rcClip.top, rcClip.right, rcClip.bottom);
          SelectClipRgn(hdc, hClip);
          DeleteObject(hClip);
          SetBkMode(hdc, TRANSPARENT);
          SetTextColor(hdc, GetStyle()->GetTextColor());
        }
        if (!label.m_bMeasured) {
          int nFit = 0;
          GetTextExtentExPointW(hdc, label.m_strText.c_str(), static_cast<int>(label.m_strText.size()), 0,
                                &nFit, nullptr, &label.m_Extent);
          label.m_bMeasured = 1;
        }
        RECT rcText = {x - label.m_Extent.cx / 2, nTickBottom, x - label.m_Extent.cx / 2 + label.m_Extent.cx,
                       nTickBottom + label.m_Extent.cy};
        DrawTextW(hdc, label.m_strText.c_str(), static_cast<int>(label.m_strText.size()), &rcText,
                  DT_CENTER | DT_SINGLELINE | DT_NOCLIP);
      }
    }
    if (hdc != nullptr) {
      SelectClipRgn(hdc, nullptr);
      DeleteDC(hdc);
      pWndBmp->ReleaseHBitmap();
    } else if (hBitmap != nullptr) {
      pWndBmp->ReleaseHBitmap();
    }
  }
  if (m_pMark != nullptr) BlendAt(pWndBmp, m_pMark, nCentre - m_pMark->GetWidth() / 2, rc.top, rcClip);
}
