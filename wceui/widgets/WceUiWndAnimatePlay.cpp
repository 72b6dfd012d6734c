#include "widgets/WceUiWndAnimatePlay.h"

#include "core/WceUiLog.h"
#include "kernel/kernel.h"
#include "resources/CWceUiGenericBitmap.h"
#include "widgets/CWceUiWndAnimate.h"

BOOL WceUiPlayWndAnimate(CWceUiWndAnimate* pAnimate, CWceUiGenericBitmap* pMixedBitmap,
                         CWceUiGenericBitmap* pFromBitmap, CWceUiGenericBitmap* pToBitmap, HDC hdc, int x,
                         int y) {
  WCEUI_CHECK(NULL != pAnimate);
  WCEUI_CHECK(NULL != hdc);
  if (pAnimate == nullptr || hdc == nullptr) return FALSE;
  if (!pAnimate->IsEnabled()) return TRUE;
  if (!pAnimate->ReStart(pMixedBitmap, pFromBitmap, pToBitmap)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"WceUiPlayWndAnimate, %s pAnimate->ReStart failed", pAnimate->GetName());
    return FALSE;
  }
  const int nWidth = pFromBitmap->GetWidth();
  const int nHeight = pFromBitmap->GetHeight();
  // Outside the animation's rectangle the frames show the old picture.
  if (!pMixedBitmap->BitBlt(0, 0, nWidth, nHeight, pFromBitmap, 0, 0, SRCCOPY)) return FALSE;
  for (int n = 0; n < pAnimate->GetFrameCount(); ++n) {
    const DWORD dwStart = GetTickCount();
    DWORD dwFrameLength = 0;
    if (!pAnimate->Play(pMixedBitmap, pFromBitmap, pToBitmap, n, &dwFrameLength)) {
      WceUiLogW(WCEUI_LOG_ERROR, u"WceUiPlayWndAnimate, %s pAnimate->Play failed", pAnimate->GetName());
      return FALSE;
    }
    if (!pMixedBitmap->BltToDc(hdc, x, y, nWidth, nHeight, 0, 0, SRCCOPY)) {
      WceUiLogW(WCEUI_LOG_ERROR, u"WceUiPlayWndAnimate, %s painting frame %d failed", pAnimate->GetName(), n);
      return FALSE;
    }
    // Unsigned: the difference stays right across the wrap of the tick.
    const DWORD dwWorked = GetTickCount() - dwStart;
    if (dwWorked < dwFrameLength) Sleep(dwFrameLength - dwWorked);
  }
  pAnimate->End();
  return TRUE;
}
