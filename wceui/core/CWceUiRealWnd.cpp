#include "wceui/core/CWceUiRealWnd.h"

#include "platform/kernel/kernel.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/base/CWceUiPtrMap.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"
#include "wceui/resfiles/WceUiResource.h"
#include "wceui/animate/CWceUiWndAnimate.h"

#include <vector>

// The layers registered for one message, in registration order.
using WceUiMsgLayers = std::vector<CWceUiLayer*>;

struct CWceUiRealWndData {
  CWceUiLayer* m_curCaptureLayer = nullptr;
  CWceUiGenericBitmap* m_pWndBitmap = nullptr;
  // Message number -> WceUiMsgLayers*. Declared before the controller so that it outlives it: the
  // layers the controller deletes as it goes unregister from a live map, which frees their lists.
  CWceUiPtrMap m_MsgLayerMap;
  CWceUiLayerCtrl m_LayerCtrl;
  BOOL m_bCapture = 0;
  BOOL m_bSnapshotReady = 0;
  CWceUiGenericBitmap* m_pFromBitmap = nullptr;
  CWceUiGenericBitmap* m_pMixedBitmap = nullptr;
};

namespace {

WceUiMsgLayers* FindMsgLayers(const CWceUiPtrMap& map, UINT nMsg) {
  void* pValue = nullptr;
  if (!map.Lookup(reinterpret_cast<const void*>(static_cast<uintptr_t>(nMsg)), pValue)) return nullptr;
  return static_cast<WceUiMsgLayers*>(pValue);
}

BOOL IsInList(const WceUiMsgLayers* pList, const CWceUiLayer* pLayer) {
  if (pList == nullptr) return FALSE;
  for (const CWceUiLayer* p : *pList) {
    if (p == pLayer) return TRUE;
  }
  return FALSE;
}

}  // namespace

CWceUiRealWnd::CWceUiRealWnd() : m_pData(new CWceUiRealWndData) {
  SetClassName(WCEUI_CLASS_NAME(CWceUiRealWnd));
  WCEUI_CHECK(NULL != m_pData);
  m_pData->m_LayerCtrl.SetWindow(this);
  m_pData->m_pWndBitmap = WceUiCreateBitmapObject(WceUiGetScreenBitsPixel());
}

CWceUiRealWnd::~CWceUiRealWnd() {
  CWceUiRealWndData* pData = GetData();
  delete pData->m_pWndBitmap;
  delete pData->m_pFromBitmap;
  delete pData->m_pMixedBitmap;
  pData->m_pWndBitmap = pData->m_pFromBitmap = pData->m_pMixedBitmap = nullptr;
  WCEUI_CHECK(NULL == GetData()->m_curCaptureLayer);
  WCEUI_CHECK(GetData()->m_MsgLayerMap.IsEmpty());
  // The controller goes first: layers it still holds unregister their messages as they die.
  delete m_pData;
  m_pData = nullptr;
}

CWceUiRealWndData* CWceUiRealWnd::GetData() const {
  WCEUI_CHECK(NULL != m_pData);
  return m_pData;
}

CWceUiLayerCtrl* CWceUiRealWnd::GetLayerCtrl() {
  return &GetData()->m_LayerCtrl;
}

CWceUiDlg* CWceUiRealWnd::GetTopDlg() {
  CWceUiLayer* pTop = GetData()->m_LayerCtrl.RootLayer()->GetLastChild();
  return pTop != nullptr && pTop->IsKindOf(WCEUI_CLASS_NAME(CWceUiDlg)) ? static_cast<CWceUiDlg*>(pTop)
                                                                        : nullptr;
}

// ---- input ----

CWceUiLayer* CWceUiRealWnd::HitTest(int x, int y) {
  CWceUiRealWndData* pData = GetData();
  if (pData->m_curCaptureLayer != nullptr) {
    return ::GetCapture() == m_hWnd ? pData->m_curCaptureLayer : nullptr;
  }
  return pData->m_LayerCtrl.GetInputLayerAt(x, y);
}

void CWceUiRealWnd::OnLButtonDown(UINT nFlags, int x, int y) {
  CWceUiLayer* pLayer = HitTest(x, y);
  if (pLayer != nullptr) {
    pLayer->OnLButtonDown(nFlags, x, y);
    return;
  }
  CWceUiDlg* pDlg = GetTopDlg();
  if (pDlg != nullptr) pDlg->OnLButtonDownNoHit(nFlags, x, y);
}

void CWceUiRealWnd::OnLButtonUp(UINT nFlags, int x, int y) {
  CWceUiLayer* pLayer = HitTest(x, y);
  if (pLayer != nullptr) pLayer->OnLButtonUp(nFlags, x, y);
}

void CWceUiRealWnd::OnMouseMove(UINT nFlags, int x, int y) {
  CWceUiLayer* pLayer = HitTest(x, y);
  if (pLayer != nullptr) pLayer->OnMouseMove(nFlags, x, y);
}

void CWceUiRealWnd::OnLButtonDblClk(UINT nFlags, int x, int y) {
  CWceUiLayer* pLayer = HitTest(x, y);
  if (pLayer != nullptr) pLayer->OnLButtonDblClk(nFlags, x, y);
}

void CWceUiRealWnd::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  CWceUiLayer* pDlg = GetData()->m_LayerCtrl.RootLayer()->GetLastChild();
  if (pDlg != nullptr) pDlg->OnKeyDown(nChar, nRepCnt, nFlags);
}

void CWceUiRealWnd::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) {
  CWceUiLayer* pDlg = GetData()->m_LayerCtrl.RootLayer()->GetLastChild();
  if (pDlg != nullptr) pDlg->OnKeyUp(nChar, nRepCnt, nFlags);
}

// ---- capture ----

CWceUiLayer* CWceUiRealWnd::SetCapture(CWceUiLayer* pCaptureLayer) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  WCEUI_CHECK(NULL != pCaptureLayer);
  if (!::IsWindow(m_hWnd) || pCaptureLayer == nullptr) return nullptr;
  CWceUiRealWndData* pData = GetData();
  pData->m_bCapture = 1;
  if (::GetCapture() != m_hWnd) ::SetCapture(m_hWnd);
  CWceUiLayer* pOld = pData->m_curCaptureLayer;
  // The previous holder hears of its loss even when it takes the capture again. It no longer
  // holds it by then, so a release from its handler cannot take USER's capture from the new one.
  pData->m_curCaptureLayer = nullptr;
  if (pOld != nullptr) pOld->OnLoseCapture();
  pData->m_curCaptureLayer = pCaptureLayer;
  return pOld;
}

void CWceUiRealWnd::ReleaseCapture(CWceUiLayer* pLayer) {
  CWceUiRealWndData* pData = GetData();
  if (pLayer == nullptr || pLayer != pData->m_curCaptureLayer) return;
  // Cleared first, so the WM_CAPTURECHANGED that USER sends next tells nobody.
  pData->m_bCapture = 0;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  pData->m_curCaptureLayer = nullptr;
}

CWceUiLayer* CWceUiRealWnd::GetCaptureLayer() {
  return GetData()->m_curCaptureLayer;
}

void CWceUiRealWnd::OnCaptureChanged(HWND) {
  CWceUiRealWndData* pData = GetData();
  if (!pData->m_bCapture) return;
  if (pData->m_curCaptureLayer != nullptr) pData->m_curCaptureLayer->OnLoseCapture();
  // OnLoseCapture may have released it already.
  if (pData->m_bCapture && pData->m_curCaptureLayer != nullptr) {
    pData->m_curCaptureLayer->ReleaseCapture();
  }
}

void CWceUiRealWnd::IgnoreMsgBeforeTime(DWORD dwTime) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  ::PostMessageW(m_hWnd, kWceUiCancelCaptureMsg, 0, 0);
  WceUiGetGlobals()->GetIgnoreMsg()->AddHwnd(m_hWnd, dwTime);
}

// ---- timers and registered messages ----

BOOL CWceUiRealWnd::InvalidateRect(const RECT* lpRect, BOOL bErase) {
  return CRealGenericWnd::InvalidateRect(lpRect, bErase);
}

BOOL CWceUiRealWnd::SetTimer(UINT nIDEvent, UINT nElapse) {
  return CRealGenericWnd::SetTimer(nIDEvent, nElapse, nullptr) != 0;
}

BOOL CWceUiRealWnd::KillTimer(UINT nIDEvent) {
  return CRealGenericWnd::KillTimer(nIDEvent);
}

void CWceUiRealWnd::OnTimer(UINT_PTR nIDEvent) {
  const DWORD dwLayerId = static_cast<DWORD>(nIDEvent) & 0xFFFF;
  if (dwLayerId == 0) return;
  // A timer can still fire for a layer deleted since: its id is no longer mapped.
  CWceUiLayer* pLayer = GetData()->m_LayerCtrl.GetLayerById(dwLayerId);
  if (pLayer != nullptr) pLayer->OnTimer(static_cast<WORD>((nIDEvent >> 16) & 0xFFFF));
}

void CWceUiRealWnd::RegisterMsg(UINT nMsg, CWceUiLayer* pLayer) {
  WCEUI_CHECK(NULL != pLayer);
  if (pLayer == nullptr) return;
  CWceUiPtrMap& map = GetData()->m_MsgLayerMap;
  WceUiMsgLayers* pList = FindMsgLayers(map, nMsg);
  if (pList == nullptr) {
    pList = new WceUiMsgLayers;
    WCEUI_CHECK(NULL != pList);
    if (!map.SetAt(reinterpret_cast<const void*>(static_cast<uintptr_t>(nMsg)), pList)) {
      delete pList;
      return;
    }
  }
  pList->push_back(pLayer);
}

void CWceUiRealWnd::UnRegisterMsg(UINT nMsg, CWceUiLayer* pLayer) {
  WCEUI_CHECK(NULL != pLayer);
  if (pLayer == nullptr) return;
  CWceUiPtrMap& map = GetData()->m_MsgLayerMap;
  WceUiMsgLayers* pList = FindMsgLayers(map, nMsg);
  if (pList == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiRealWnd::UnRegisterMsg failed, nMsg %d is not registered",
              static_cast<int>(nMsg));
    return;
  }
  for (auto it = pList->begin(); it != pList->end(); ++it) {
    if (*it != pLayer) continue;
    pList->erase(it);
    if (pList->empty()) {
      map.RemoveKey(reinterpret_cast<const void*>(static_cast<uintptr_t>(nMsg)));
      delete pList;
    }
    return;
  }
  WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiRealWnd::UnRegisterMsg failed, can not find the layer");
}

LRESULT CWceUiRealWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const CWceUiPtrMap& map = GetData()->m_MsgLayerMap;
  const WceUiMsgLayers* pList = FindMsgLayers(map, msg);
  if (pList == nullptr) return CRealDlg::DefWindowProc(msg, wParam, lParam);
  // A handler may unregister or delete layers (a nested modal run does both), so the walk goes
  // over a copy, and a layer is asked only while it is still registered: a deleted one never is.
  const WceUiMsgLayers snapshot = *pList;
  LRESULT lResult = 0;
  for (CWceUiLayer* pLayer : snapshot) {
    if (!IsInList(FindMsgLayers(map, msg), pLayer)) continue;
    lResult = pLayer->OnMessage(msg, wParam, lParam);
  }
  return lResult;
}

// ---- painting ----

BOOL CWceUiRealWnd::GetClientSize(int* pWidth, int* pHeight) {
  RECT rc = {0, 0, 0, 0};
  if (m_hWnd != nullptr) ::GetClientRect(m_hWnd, &rc);
  *pWidth = rc.right - rc.left;
  *pHeight = rc.bottom - rc.top;
  return *pWidth > 0 && *pHeight > 0;
}

BOOL CWceUiRealWnd::OnWndBmpReady(CWceUiGenericBitmap*) {
  return TRUE;
}

void CWceUiRealWnd::OnPaint(HDC hdc, const RECT& rcPaint) {
  if (::IsRectEmpty(&rcPaint)) return;
  int nWidth = 0;
  int nHeight = 0;
  // A window of no size has no surface to draw into or copy from.
  if (!GetClientSize(&nWidth, &nHeight)) return;
  CWceUiGenericBitmap* pWndBmp = GetData()->m_pWndBitmap;
  if (pWndBmp == nullptr) return;
  // CreateDIB lets the pixels of the old size go before it makes the new ones.
  const BOOL bSized = pWndBmp->IsLoaded() && pWndBmp->GetWidth() == nWidth && pWndBmp->GetHeight() == nHeight;
  if (!bSized && !pWndBmp->CreateDIB(nWidth, nHeight)) return;
  // Invalidations that layers raise while they draw would only repaint what is being drawn.
  EnableInvalidate(FALSE);
  GetData()->m_LayerCtrl.Draw(pWndBmp, rcPaint);
  EnableInvalidate(TRUE);
  if (!OnWndBmpReady(pWndBmp)) return;
  pWndBmp->BltToDc(hdc, rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left, rcPaint.bottom - rcPaint.top,
                   rcPaint.left, rcPaint.top, SRCCOPY);
}

BOOL CWceUiRealWnd::PaintWnd(CWceUiGenericBitmap* pWndBmp) {
  WCEUI_CHECK(NULL != pWndBmp);
  WCEUI_CHECK(::IsWindow(m_hWnd));
  if (pWndBmp == nullptr || !::IsWindow(m_hWnd)) return FALSE;
  WCEUI_CHECK(pWndBmp->IsLoaded());
  if (!pWndBmp->IsLoaded()) return FALSE;
  int nWidth = 0;
  int nHeight = 0;
  GetClientSize(&nWidth, &nHeight);
  if (pWndBmp->GetWidth() != nWidth || pWndBmp->GetHeight() != nHeight) {
    WceUiLogW(WCEUI_LOG_ERROR,
              u"CWceUiRealWnd::PaintWnd failed, the size of pWndBmp is not match the window size");
    return FALSE;
  }
  HDC hdc = ::GetDC(m_hWnd);
  OnWndBmpReady(pWndBmp);
  const BOOL bResult = pWndBmp->BltToDc(hdc, 0, 0, nWidth, nHeight, 0, 0, SRCCOPY);
  ::ReleaseDC(m_hWnd, hdc);
  return bResult;
}

CWceUiGenericBitmap* CWceUiRealWnd::GetCurWndBmp() {
  CWceUiGenericBitmap* pBmp = WceUiCreateBitmapObject(WceUiGetScreenBitsPixel());
  if (pBmp == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiRealWnd::GetCurWndBmp, Create Bitmap failed");
    return nullptr;
  }
  int nWidth = 0;
  int nHeight = 0;
  if (!GetClientSize(&nWidth, &nHeight) || !pBmp->CreateDIB(nWidth, nHeight)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiRealWnd::GetCurWndBmp, CreateDIB failed");
    delete pBmp;
    return nullptr;
  }
  const RECT rcAll = {0, 0, nWidth, nHeight};
  EnableInvalidate(FALSE);
  GetData()->m_LayerCtrl.Draw(pBmp, rcAll);
  EnableInvalidate(TRUE);
  return pBmp;
}

// ---- transitions ----

BOOL CWceUiRealWnd::Apply(CWceUiGenericBitmap* pFromBitmap) {
  CWceUiRealWndData* pData = GetData();
  delete pData->m_pFromBitmap;
  pData->m_pFromBitmap = nullptr;
  pData->m_bSnapshotReady = 0;
  if (pFromBitmap == nullptr) {
    pData->m_pFromBitmap = GetCurWndBmp();
    if (pData->m_pFromBitmap == nullptr) {
      WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiRealWnd::Apply, GetCurWndBmp failed");
      return FALSE;
    }
    pData->m_bSnapshotReady = 1;
    return TRUE;
  }
  WCEUI_CHECK(pFromBitmap->IsLoaded());
  if (!pFromBitmap->IsLoaded()) return FALSE;
  if (pFromBitmap->GetBitsPixel() != WceUiGetScreenBitsPixel()) {
    WceUiLogW(WCEUI_LOG_ERROR,
              u"CWceUiRealWnd::Apply, the pFromBitmap's BitsPixel is not match screen's BitsPixel");
    return FALSE;
  }
  int nWidth = 0;
  int nHeight = 0;
  GetClientSize(&nWidth, &nHeight);
  if (pFromBitmap->GetWidth() != nWidth || pFromBitmap->GetHeight() != nHeight) {
    WceUiLogW(WCEUI_LOG_ERROR, u"the size of pFromBitmap does not match the window rect size");
    return FALSE;
  }
  CWceUiGenericBitmap* pCopy = nullptr;
  if (!pFromBitmap->MakeACopy(&pCopy) || pCopy == nullptr) {
    delete pCopy;
    WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiRealWnd::Apply, pFromBitmap->MakeACopy failed");
    return FALSE;
  }
  pData->m_pFromBitmap = pCopy;
  pData->m_bSnapshotReady = 1;
  return TRUE;
}

CWceUiGenericBitmap* CWceUiRealWnd::CreateMixedBitmap(int nWidth, int nHeight) {
  CWceUiRealWndData* pData = GetData();
  if (pData->m_pMixedBitmap == nullptr) {
    const int nBitsPixel = WceUiGetScreenBitsPixel();
    pData->m_pMixedBitmap = WceUiCreateBitmapObject(nBitsPixel);
    if (pData->m_pMixedBitmap == nullptr) {
      WceUiLogW(WCEUI_LOG_ERROR,
                u"CWceUiRealWnd::CreateMixedBitmap, Can not create bitmap object, nBitsPixel = %d",
                nBitsPixel);
      return nullptr;
    }
  }
  CWceUiGenericBitmap* pMixed = pData->m_pMixedBitmap;
  // Kept between transitions until the client size changes.
  if (pMixed->IsLoaded() && pMixed->GetWidth() == nWidth && pMixed->GetHeight() == nHeight) return pMixed;
  if (!pMixed->CreateDIB(nWidth, nHeight)) {
    WceUiLogW(WCEUI_LOG_ERROR,
              u"CWceUiRealWnd::CreateMixedBitmap, Can not create bitmap object, width = %d, height = %d",
              nWidth, nHeight);
    delete pMixed;
    pData->m_pMixedBitmap = nullptr;
    return nullptr;
  }
  return pMixed;
}

BOOL CWceUiRealWnd::PlayFrames(CWceUiWndAnimate** ppCollected, int nCollected, CWceUiGenericBitmap* pMixed,
                               CWceUiGenericBitmap* pFrom, CWceUiGenericBitmap* pTo) {
  for (int i = 0; i < nCollected; ++i) {
    if (!ppCollected[i]->ReStart(pMixed, pFrom, pTo)) {
      WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiRealWnd::Play, %s pAnimate->ReStart failed",
                ppCollected[i]->GetName());
      return FALSE;
    }
  }
  int nFrames = 0;
  for (int i = 0; i < nCollected; ++i) {
    if (ppCollected[i]->GetFrameCount() > nFrames) nFrames = ppCollected[i]->GetFrameCount();
  }
  for (int n = 0; n < nFrames; ++n) {
    DWORD dwWorked = 0;
    DWORD dwFrameLength = 0;
    BOOL bLengthSet = FALSE;
    for (int i = 0; i < nCollected; ++i) {
      CWceUiWndAnimate* pAnimate = ppCollected[i];
      if (pAnimate->GetFrameCount() <= n) continue;
      const DWORD dwStart = GetTickCount();
      DWORD dwLength = 0;
      if (!pAnimate->Play(pMixed, pFrom, pTo, n, &dwLength)) {
        WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiRealWnd::Play, %s pAnimate->Play failed", pAnimate->GetName());
        return FALSE;
      }
      // Unsigned: the difference stays right across the wrap of the tick.
      dwWorked += GetTickCount() - dwStart;
      if (!bLengthSet) {
        dwFrameLength = dwLength;
        bLengthSet = TRUE;
      }
    }
    const DWORD dwPaintStart = GetTickCount();
    if (!PaintWnd(pMixed)) {
      WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiRealWnd::Play failed, PaintWnd failed");
      return FALSE;
    }
    const DWORD dwSpent = dwWorked + (GetTickCount() - dwPaintStart);
    if (dwSpent < dwFrameLength) Sleep(dwFrameLength - dwSpent);
  }
  for (int i = 0; i < nCollected; ++i) ppCollected[i]->End();
  return TRUE;
}

BOOL CWceUiRealWnd::Play(CWceUiWndAnimate** ppWndAnimate, int nWndAnimate, BOOL bIgnoreInput) {
  WCEUI_CHECK(NULL != ppWndAnimate);
  if (ppWndAnimate == nullptr) return FALSE;
  WCEUI_CHECK(nWndAnimate > 0);
  if (nWndAnimate <= 0) return FALSE;
  WCEUI_CHECK(::IsWindow(m_hWnd));
  if (!::IsWindow(m_hWnd)) return FALSE;
  CWceUiRealWndData* pData = GetData();
  BOOL bResult = FALSE;
  if (!pData->m_bSnapshotReady || pData->m_pFromBitmap == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR,
              u"CWceUiRealWnd::Play failed, please make sure the previous Apply return TRUE");
  } else {
    std::vector<CWceUiWndAnimate*> collected;
    for (int i = 0; i < nWndAnimate; ++i) {
      WCEUI_CHECK(NULL != ppWndAnimate[i]);
      if (ppWndAnimate[i] != nullptr && ppWndAnimate[i]->IsEnabled()) collected.push_back(ppWndAnimate[i]);
    }
    CWceUiGenericBitmap* pTo = nullptr;
    if (collected.empty()) {
      bResult = TRUE;
    } else {
      CWceUiGenericBitmap* pFrom = pData->m_pFromBitmap;
      int nWidth = 0;
      int nHeight = 0;
      GetClientSize(&nWidth, &nHeight);
      CWceUiGenericBitmap* pMixed = CreateMixedBitmap(nWidth, nHeight);
      if (pMixed == nullptr) {
        WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiRealWnd::Play, CreateMixedBitmap return NULL");
      } else if (nWidth != pFrom->GetWidth() || nHeight != pFrom->GetHeight()) {
        WceUiLogW(WCEUI_LOG_ERROR,
                  u"In CWceUiRealWnd::Play, the size of pFromBitmap is not equal pWndBitmap");
      } else if (pMixed->BitBlt(0, 0, nWidth, nHeight, pFrom, 0, 0, SRCCOPY)) {
        pTo = GetCurWndBmp();
        if (pTo == nullptr) {
          WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiRealWnd::Play failed, GetCurWndBmp failed");
        } else {
          bResult = PlayFrames(collected.data(), static_cast<int>(collected.size()), pMixed, pFrom, pTo);
        }
      }
    }
    delete pTo;
    if (bResult && bIgnoreInput) IgnoreMsgBeforeTime(0);
  }
  delete pData->m_pFromBitmap;
  pData->m_pFromBitmap = nullptr;
  pData->m_bSnapshotReady = 0;
  return bResult;
}

// ---- lifecycle ----

void CWceUiRealWnd::OnClose() {}

void CWceUiRealWnd::OnDestroy() {
  // Dialogs end their runs and leave the root body before the window goes.
  CWceUiLayerCtrl& ctrl = GetData()->m_LayerCtrl;
  const int nDlgs = ctrl.RootLayer()->GetChildCount();
  CWceUiDlg* pDlg = GetTopDlg();
  if (nDlgs == 1 && pDlg != nullptr && pDlg->GetRunWay() == DLG_RUN_IN_MODELESS) {
    pDlg->EndModeless();
    ctrl.DeleteLayer(pDlg);
  } else if (nDlgs == 1) {
    WceUiLogW(WCEUI_LOG_ERROR,
              u"error in CWceUiRealWnd::OnDestroy, the WceUiDlgLayer was not closed normally 2");
  } else if (nDlgs >= 2) {
    WceUiLogW(WCEUI_LOG_ERROR,
              u"error in CWceUiRealWnd::OnDestroy, the WceUiDlgLayer was not closed normally");
  }
}

CWceUiRealWnd* WceUiLayerRealWnd(CWceUiLayer* pLayer) {
  WCEUI_CHECK(NULL != pLayer);
  if (pLayer == nullptr || pLayer->GetLayerCtrl() == nullptr) return nullptr;
  auto* pWnd = dynamic_cast<CWceUiRealWnd*>(pLayer->GetWindow());
  if (pWnd == nullptr || !::IsWindow(pWnd->GetSafeHwnd())) return nullptr;
  return pWnd;
}

BOOL WceUiPostToLayerWindow(CWceUiLayer* pLayer, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  CWceUiRealWnd* pWnd = WceUiLayerRealWnd(pLayer);
  if (pWnd == nullptr) return FALSE;
  return ::PostMessageW(pWnd->GetSafeHwnd(), nMsg, wParam, lParam);
}

void WceUiRedrawLayerNow(CWceUiLayer* pLayer) {
  if (pLayer == nullptr) return;
  pLayer->InvalidateRect(nullptr);
  CWceUiRealWnd* pWnd = WceUiLayerRealWnd(pLayer);
  if (pWnd != nullptr) pWnd->UpdateWindow();
}
