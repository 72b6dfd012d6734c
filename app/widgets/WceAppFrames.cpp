#include "app/widgets/WceAppFrames.h"

#include "platform/kernel/wcestr.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/CWceUiLoadBitmap.h"
#include "wceui/resfiles/CWceUiXmlElem.h"

namespace {

LPCWSTR FrameName(CWceUiXmlElem* pElem, int nFrame) {
  WCHAR szAttr[32];
  swprintf(szAttr, 32, u"res_name_%d", nFrame);
  return pElem->GetAttribute(szAttr);
}

}  // namespace

int WceAppReadFrames(CWceUiXmlElem* pElem, CWceUiLoadBitmap* pHolders, int nHolders, LPCWSTR* ppLastName) {
  if (ppLastName != nullptr) *ppLastName = nullptr;
  if (pElem == nullptr) return 0;
  LPCWSTR pCount = pElem->GetAttribute(u"res_count");
  const long nRead = pCount != nullptr ? wcstol(pCount, nullptr, 10) : 0;
  const int nCount = nRead > 0 ? static_cast<int>(nRead) : 0;
  LPCWSTR pLast = nullptr;
  for (int i = 1; i <= nCount && i <= nHolders; ++i) {
    LPCWSTR pName = FrameName(pElem, i);
    if (pName == nullptr) continue;
    pHolders[i - 1].SetBitmapFromRes(pName);
    pLast = pName;
  }
  // Frames past the holders show nothing, but the last one still tells how the frames are stored.
  if (nCount > nHolders) {
    LPCWSTR pName = FrameName(pElem, nCount);
    if (pName != nullptr) pLast = pName;
  }
  if (ppLastName != nullptr) *ppLastName = pLast;
  return nCount;
}

BOOL WceAppIsAlphaFrameName(LPCWSTR pName) {
  return pName != nullptr &&
         (wcsstr(pName, u"32a.conf") != nullptr || wcsstr(pName, u"565a.conf") != nullptr);
}

void WceAppDrawFrame(CWceUiLayer* pLayer, CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap,
                     CWceUiGenericBitmap* pFrame, BOOL bBlend) {
  if (pLayer == nullptr || pDrawBitmap == nullptr || pFrame == nullptr || !pFrame->IsLoaded()) return;
  // Into the window bitmap only the layer's visible part inside the need-draw rectangle: what lies
  // outside may belong to layers in front that are not repainted now.
  RECT rcClip;
  RECT rcFrame;
  if (bOwnBitmap) {
    pLayer->GetClientRect(&rcClip);
    SetRect(&rcFrame, 0, 0, pFrame->GetWidth(), pFrame->GetHeight());
  } else {
    RECT rcNeedDraw;
    pLayer->GetWindowRectVisible(&rcClip);
    pLayer->GetNeedDrawRect(&rcNeedDraw);
    IntersectRect(&rcClip, &rcClip, &rcNeedDraw);
    pLayer->GetWindowRect(&rcFrame);
    rcFrame.right = rcFrame.left + pFrame->GetWidth();
    rcFrame.bottom = rcFrame.top + pFrame->GetHeight();
  }
  WceAppDrawBitmapAt(pDrawBitmap, pFrame, rcFrame.left, rcFrame.top, rcClip, bBlend);
}

void WceAppDrawBitmapAt(CWceUiGenericBitmap* pDrawBitmap, CWceUiGenericBitmap* pBitmap, int x, int y,
                        const RECT& rcClip, BOOL bBlend) {
  if (pDrawBitmap == nullptr || pBitmap == nullptr || !pBitmap->IsLoaded()) return;
  const RECT rcBitmap = {x, y, x + pBitmap->GetWidth(), y + pBitmap->GetHeight()};
  RECT rcDst;
  if (!IntersectRect(&rcDst, &rcBitmap, &rcClip)) return;
  const int nWidth = rcDst.right - rcDst.left;
  const int nHeight = rcDst.bottom - rcDst.top;
  const int xSrc = rcDst.left - x;
  const int ySrc = rcDst.top - y;
  if (bBlend) {
    pDrawBitmap->AlphaBlend(rcDst.left, rcDst.top, nWidth, nHeight, pBitmap, xSrc, ySrc,
                            WceUiMakeBlendFunction(255, AC_SRC_ALPHA));
  } else {
    pDrawBitmap->BitBlt(rcDst.left, rcDst.top, nWidth, nHeight, pBitmap, xSrc, ySrc, SRCCOPY);
  }
}
