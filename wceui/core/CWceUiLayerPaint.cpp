// How a layer paints itself: its background colour, its background items, its text and its
// mix colour, through its own bitmap when an alpha filter blends it into the window.
#include "wceui/core/CWceUiLayer.h"

#include "wceui/base/WceUiGeometry.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiLayerHost.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"
#include "wceui/styles/CWceUiBgItem.h"

#include <vector>

namespace {

BOOL HasAlphaOfItsOwn(CWceUiGenericBitmap* pBitmap) {
  int nAlpha = 0;
  return pBitmap->HasPerPixelAlpha() || pBitmap->GetConstantAlpha(&nAlpha);
}

BOOL ItemsHaveAlpha(CWceUiBgItemCtrl& items) {
  for (CWceUiBgItem* p = items.GetHead(); p != nullptr; p = items.GetNext(p)) {
    CWceUiGenericBitmap* pBitmap = p->GetBitmap();
    if (pBitmap != nullptr && pBitmap->IsLoaded() && HasAlphaOfItsOwn(pBitmap)) return 1;
  }
  return 0;
}

}  // namespace

BOOL CWceUiLayer::IsSeeThrough() {
  CWceUiBgColorCtrl& bgColor = m_Style.GetBgColorCtrl();
  if (bgColor.IsHasBgColor() && bgColor.IsTransparent()) return 1;
  if (m_CommonStyle.GetHas(kStyleHasBgItems) && ItemsHaveAlpha(m_CommonStyle.GetBgItemCtrl())) return 1;
  if (ItemsHaveAlpha(m_Style.GetBgItemCtrl())) return 1;
  int nOpacity = 0;
  return m_Style.GetAlphaFilterCtrl().GetFilter(&nOpacity);
}

void CWceUiLayer::DrawClip(LPRECT lpRect, BOOL bOwnBitmap) const {
  if (bOwnBitmap) {
    GetClientRect(lpRect);
    return;
  }
  // Into the window bitmap a layer paints only what the controller asked of it: pixels outside the
  // need-draw rectangle may belong to layers in front that are not repainted now.
  GetWindowRectVisible(lpRect);
  IntersectRect(lpRect, lpRect, &m_rcNeedDraw);
}

CWceUiGenericBitmap* CWceUiLayer::PrepareLayerBitmap(int nBitsPixel) {
  RECT rcClient;
  GetClientRect(&rcClient);
  // A layer of no size has no picture to blend.
  if (IsRectEmpty(&rcClient)) return nullptr;
  if (m_pLayerBitmap != nullptr && m_pLayerBitmap->IsLoaded() &&
      (m_pLayerBitmap->GetWidth() != rcClient.right || m_pLayerBitmap->GetHeight() != rcClient.bottom ||
       m_pLayerBitmap->GetBitsPixel() != nBitsPixel)) {
    delete m_pLayerBitmap;
    m_pLayerBitmap = nullptr;
  }
  if (m_pLayerBitmap == nullptr) m_pLayerBitmap = WceUiCreateBitmapObject(nBitsPixel);
  WCEUI_CHECK(NULL != m_pLayerBitmap);
  if (m_pLayerBitmap == nullptr) return nullptr;
  if (!m_pLayerBitmap->IsLoaded() && !m_pLayerBitmap->CreateDIB(rcClient.right, rcClient.bottom))
    return nullptr;
  return m_pLayerBitmap;
}

void CWceUiLayer::OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw) {
  WCEUI_CHECK(IsReDraw());
  if (!m_bReDraw || pWndBmp == nullptr || !pWndBmp->IsLoaded()) return;
  m_rcNeedDraw = rcNeedDraw;
  int nOpacity = 0;
  const BOOL bAlphaFilter = m_Style.GetAlphaFilterCtrl().GetFilter(&nOpacity);
  CWceUiGenericBitmap* pDrawBitmap = pWndBmp;
  if (bAlphaFilter) {
    // The window's depth rather than the screen's: the blend below needs the two to match.
    pDrawBitmap = PrepareLayerBitmap(pWndBmp->GetBitsPixel());
    if (pDrawBitmap == nullptr) return;
  }
  OnDrawBackGround(pDrawBitmap, bAlphaFilter);
  OnDrawBgImgs(pDrawBitmap, bAlphaFilter);
  OnDrawText(pDrawBitmap, bAlphaFilter);
  OnDrawAfterText(pDrawBitmap, bAlphaFilter);
  DrawMixColor(pDrawBitmap, bAlphaFilter);
  if (!bAlphaFilter) return;
  WCEUI_CHECK(pDrawBitmap != pWndBmp);
  RECT rcBlend;
  DrawClip(&rcBlend, FALSE);
  if (IsRectEmpty(&rcBlend)) return;
  RECT rcSrc = rcBlend;
  WindowToClient(&rcSrc);
  if (!pWndBmp->AlphaBlend(rcBlend.left, rcBlend.top, WceUiRectWidth(rcBlend), WceUiRectHeight(rcBlend),
                           pDrawBitmap, rcSrc.left, rcSrc.top,
                           WceUiMakeBlendFunction(static_cast<BYTE>(nOpacity), 0))) {
    WceUiLogA(WCEUI_LOG_ERROR, "In CWceUiLayer::OnDraw, draw alpha filter failed");
  }
}

void CWceUiLayer::OnDrawBackGround(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap) {
  WCEUI_CHECK(NULL != pDrawBitmap);
  if (pDrawBitmap == nullptr) return;
  CWceUiBgColorCtrl& bgColor = m_Style.GetBgColorCtrl();
  if (!bgColor.IsHasBgColor() || bgColor.IsTransparent()) return;
  RECT rc;
  DrawClip(&rc, bOwnBitmap);
  if (IsRectEmpty(&rc)) return;
  pDrawBitmap->FillColor(bgColor.GetColor(), &rc);
}

void CWceUiLayer::OnDrawBgImgs(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap) {
  WCEUI_CHECK(NULL != pDrawBitmap);
  if (pDrawBitmap == nullptr) return;
  std::vector<CWceUiBgItem*> items;
  CWceUiBgItemCtrl& own = m_Style.GetBgItemCtrl();
  for (CWceUiBgItem* p = own.GetHead(); p != nullptr; p = own.GetNext(p)) items.push_back(p);
  if (m_bHasCommonStyle) {
    // A common item goes in by its order value o among the items so far: 0 in front, o after the
    // o-th, a negative o after the (count + o)-th.
    CWceUiBgItemCtrl& common = m_CommonStyle.GetBgItemCtrl();
    for (CWceUiBgItem* p = common.GetHead(); p != nullptr; p = common.GetNext(p)) {
      const int nCount = static_cast<int>(items.size());
      const int nOrder = p->GetCommonIndex();
      int nAt = 0;
      if (nOrder > 0) {
        nAt = nOrder > nCount ? nCount : nOrder;
      } else if (nOrder < 0) {
        nAt = nCount + nOrder < 1 ? 0 : nCount + nOrder;
      }
      items.insert(items.begin() + nAt, p);
    }
  }
  for (CWceUiBgItem* p : items) DrawOneBgImg(p, pDrawBitmap, bOwnBitmap);
}

void CWceUiLayer::OnDrawText(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap) {
  WCEUI_CHECK(NULL != pDrawBitmap);
  if (pDrawBitmap == nullptr) return;
  UpdateTextFromRes();
  if (m_strText.IsEmpty()) return;
  RECT rcClient;
  GetClientRect(&rcClient);
  RECT rcText;
  m_Style.GetDrawTextCtrl().GetRect(&rcText);
  if (!IntersectRect(&rcText, &rcText, &rcClient)) return;
  RECT rcClip;
  DrawClip(&rcClip, bOwnBitmap);
  if (IsRectEmpty(&rcClip)) return;
  if (!bOwnBitmap) ClientToWindow(&rcText);
  HFONT hFont = m_Style.GetFontCtrl().GetFont();
  if (hFont == nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR,
              "In CWceUiLayer::OnDrawText, GetStyle()->GetFontCtrl()->GetFont return NULL, use default FONT");
    hFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    WCEUI_CHECK(NULL != hFont);
  }
  HBITMAP hBitmap = pDrawBitmap->GetHBitmap(nullptr);
  if (hBitmap == nullptr) return;
  HDC hdc = CreateCompatibleDC(nullptr);
  if (hdc != nullptr) {
    HGDIOBJ hOldBitmap = SelectObject(hdc, hBitmap);
    HGDIOBJ hOldFont = SelectObject(hdc, hFont);
    HRGN hClip = CreateRectRgn(rcClip.left, rcClip.top, rcClip.right, rcClip.bottom);
    SelectClipRgn(hdc, hClip);
    const int nOldMode = SetBkMode(hdc, TRANSPARENT);
    const COLORREF crOld = SetTextColor(hdc, m_Style.GetTextColor());
    UINT nFormat = m_Style.GetDrawTextCtrl().GetFormat() | DT_END_ELLIPSIS;
    if (!(nFormat & DT_SINGLELINE)) nFormat |= DT_WORDBREAK;
    DrawTextW(hdc, m_strText, -1, &rcText, nFormat);
    SetTextColor(hdc, crOld);
    SetBkMode(hdc, nOldMode);
    SelectClipRgn(hdc, nullptr);
    if (hClip != nullptr) DeleteObject(hClip);
    SelectObject(hdc, hOldFont);
    SelectObject(hdc, hOldBitmap);
    DeleteDC(hdc);
  }
  pDrawBitmap->ReleaseHBitmap();
}

void CWceUiLayer::DrawMixColor(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap) {
  WCEUI_CHECK(NULL != pDrawBitmap);
  if (pDrawBitmap == nullptr) return;
  COLORREF crMix = 0;
  int nOpacity = 0;
  if (!m_Style.GetMixColorFilterCtrl().GetFilter(&crMix, &nOpacity)) return;
  RECT rc;
  DrawClip(&rc, bOwnBitmap);
  if (IsRectEmpty(&rc)) return;
  if (!pDrawBitmap->MixColor(rc.left, rc.top, WceUiRectWidth(rc), WceUiRectHeight(rc), crMix, nOpacity)) {
    WceUiLogA(WCEUI_LOG_ERROR, "MixColor failed, the the rect is (%d, %d, %d, %d)", static_cast<int>(rc.left),
              static_cast<int>(rc.top), WceUiRectWidth(rc), WceUiRectHeight(rc));
  }
}

void CWceUiLayer::DrawOneBgImg(CWceUiBgItem* pBgItem, CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap) {
  if (pBgItem == nullptr || pDrawBitmap == nullptr) return;
  CWceUiGenericBitmap* pBitmap = pBgItem->GetBitmap();
  if (pBitmap == nullptr || !pBitmap->IsLoaded()) return;
  // A bitmap with alpha of its own is blended one to one: the blend does not stretch.
  const BOOL bZoom = pBgItem->GetZoom() && !HasAlphaOfItsOwn(pBitmap);
  RECT rcClient;
  GetClientRect(&rcClient);
  RECT rcItemDst;
  pBgItem->GetDstRect(&rcItemDst);
  if (IsRectLarge(&rcItemDst)) rcItemDst = rcClient;
  const RECT rcBitmap = WceUiRectOf(0, 0, pBitmap->GetWidth(), pBitmap->GetHeight());
  RECT rcItemSrc;
  pBgItem->GetSrcRect(&rcItemSrc);
  if (IsRectLarge(&rcItemSrc)) rcItemSrc = rcBitmap;

  RECT rcDst;
  RECT rcSrc;
  if (!bZoom) {
    RECT rcAlignDst;
    RECT rcAlignSrc;
    CalcAlignRects(&rcAlignDst, &rcAlignSrc, rcItemDst, rcItemSrc, pBgItem->GetAlign());
    if (!CalcBitBltRects(&rcDst, &rcSrc, rcClient, rcBitmap, rcAlignDst, rcAlignSrc)) return;
  } else if (!CalcStretchBltRects(&rcDst, &rcSrc, rcClient, rcBitmap, rcItemDst, rcItemSrc)) {
    return;
  }

  // Then to what this layer may paint now, in client coordinates; the source follows by scale.
  RECT rcClip;
  DrawClip(&rcClip, bOwnBitmap);
  if (!bOwnBitmap) WindowToClient(&rcClip);
  RECT rcClipped;
  if (!IntersectRect(&rcClipped, &rcDst, &rcClip)) return;
  if (!EqualRect(&rcClipped, &rcDst)) {
    const double dScaleX = static_cast<double>(WceUiRectWidth(rcSrc)) / WceUiRectWidth(rcDst);
    const double dScaleY = static_cast<double>(WceUiRectHeight(rcSrc)) / WceUiRectHeight(rcDst);
    RECT rcNewSrc;
    rcNewSrc.left = rcSrc.left + static_cast<LONG>((rcClipped.left - rcDst.left) * dScaleX);
    rcNewSrc.top = rcSrc.top + static_cast<LONG>((rcClipped.top - rcDst.top) * dScaleY);
    rcNewSrc.right = rcSrc.left + static_cast<LONG>((rcClipped.right - rcDst.left) * dScaleX);
    rcNewSrc.bottom = rcSrc.top + static_cast<LONG>((rcClipped.bottom - rcDst.top) * dScaleY);
    rcSrc = rcNewSrc;
    rcDst = rcClipped;
  }
  if (IsRectEmpty(&rcDst) || IsRectEmpty(&rcSrc)) return;
  if (!bOwnBitmap) ClientToWindow(&rcDst);

  const int x = rcDst.left;
  const int y = rcDst.top;
  const int w = WceUiRectWidth(rcDst);
  const int h = WceUiRectHeight(rcDst);
  const int sw = WceUiRectWidth(rcSrc);
  const int sh = WceUiRectHeight(rcSrc);
  COLORREF crTrans = 0;
  int nConstAlpha = 0;
  const char* pFailure = nullptr;
  if (pBitmap->HasPerPixelAlpha()) {
    if (!pDrawBitmap->AlphaBlend(x, y, w, h, pBitmap, rcSrc.left, rcSrc.top,
                                 WceUiMakeBlendFunction(0, AC_SRC_ALPHA))) {
      pFailure = "draw BgImgs,PerPixelAlpha AlphaBlend failed";
    }
  } else if (pBitmap->GetTransColor(&crTrans)) {
    if (!pDrawBitmap->TransBlt(x, y, w, h, pBitmap, rcSrc.left, rcSrc.top, sw, sh, crTrans)) {
      pFailure = "draw BgImgs,TransBlt failed";
    }
  } else if (pBitmap->GetConstantAlpha(&nConstAlpha)) {
    if (!pDrawBitmap->AlphaBlend(x, y, w, h, pBitmap, rcSrc.left, rcSrc.top,
                                 WceUiMakeBlendFunction(static_cast<BYTE>(nConstAlpha), 0))) {
      pFailure = "draw BgImgs,ConstantAlpha AlphaBlend failed";
    }
  } else if (!pDrawBitmap->StretchBlt(x, y, w, h, pBitmap, rcSrc.left, rcSrc.top, sw, sh, SRCCOPY)) {
    pFailure = "draw BgImgs,StretchBlt failed";
  }
  if (pFailure != nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s, source rect is (%d, %d, %d, %d), Dst rect is (%d, %d, %d, %d)", pFailure,
              static_cast<int>(rcSrc.left), static_cast<int>(rcSrc.top), sw, sh, x, y, w, h);
  }
}
