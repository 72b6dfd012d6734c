#include "wceui/core/CWceUiLayer.h"

#include "platform/kernel/wcestr.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiLayerHost.h"
#include "wceui/base/WceUiGeometry.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/styles/CFhStyleFile.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"

#include <cstddef>

namespace {

int FindValue(const CWceUiDWordArray& arr, DWORD dwValue) {
  for (int i = 0; i < arr.GetSize(); ++i) {
    if (arr[i] == dwValue) return i;
  }
  return -1;
}

void RemoveAtIndex(CWceUiDWordArray& arr, int nIndex) {
  for (int i = nIndex + 1; i < arr.GetSize(); ++i) arr[i - 1] = arr[i];
  arr.SetSize(arr.GetSize() - 1);
}

}  // namespace

// The lists reach a layer's links by byte offset. A layer class has one line of single inheritance
// and no virtual base, so the offsets are the same for every layer class.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
CWceUiLayer::CWceUiLayer()
    : m_Children(offsetof(CWceUiLayer, m_pChildPrev), offsetof(CWceUiLayer, m_pChildNext)) {
  SetClassName(WCEUI_CLASS_NAME(CWceUiLayer));
  m_Style.Bind(this);
}
#pragma GCC diagnostic pop

CWceUiLayer::~CWceUiLayer() {
  delete m_pLayerBitmap;
  m_pLayerBitmap = nullptr;
  m_Style.Bind(nullptr);
  if (m_pLayerCtrl == nullptr) return;
  CWceUiLayerHost* pWindow = m_pLayerCtrl->m_pWindow;
  if (pWindow != nullptr) {
    for (int i = 0; i < m_arrTimers.GetSize(); ++i) {
      pWindow->KillTimer(WceUiLayerTimerId(GetLayerId(), m_arrTimers[i]));
    }
    for (int i = 0; i < m_arrMsgs.GetSize(); ++i) pWindow->UnRegisterMsg(m_arrMsgs[i], this);
    if (pWindow->GetCaptureLayer() == this) pWindow->ReleaseCapture(this);
  }
  if (m_pParent != nullptr) m_pParent->RemoveChild(this);
}

// ---- tree and identity ----

BOOL CWceUiLayer::AppendChild(CWceUiLayer* pNewChild) {
  WCEUI_CHECK(NULL != GetLayerCtrl());
  WCEUI_CHECK(NULL != pNewChild);
  if (m_pLayerCtrl == nullptr || pNewChild == nullptr) return 0;
  WCEUI_CHECK(NULL == pNewChild->GetParent());
  if (pNewChild->GetParent() != nullptr) {
    WceUiLogA(WCEUI_LOG_ERROR, "CWceUiLayer::AppendChild failed, pNewChild->GetParent() must be NULL");
    return 0;
  }
  m_Children.AddTail(pNewChild);
  pNewChild->m_pParent = this;
  RebuildAllLists();
  return 1;
}

BOOL CWceUiLayer::RemoveChild(CWceUiLayer* pChild) {
  WCEUI_CHECK(NULL != GetLayerCtrl());
  WCEUI_CHECK(NULL != pChild);
  if (m_pLayerCtrl == nullptr || pChild == nullptr) return 0;
  WCEUI_CHECK(pChild->GetParent() == this);
  if (pChild->GetParent() != this) return 0;
  m_Children.Remove(pChild);
  pChild->m_pParent = nullptr;
  RebuildAllLists();
  return 1;
}

BOOL CWceUiLayer::RemoveTail() {
  CWceUiLayer* pTail = static_cast<CWceUiLayer*>(m_Children.RemoveTail());
  if (pTail == nullptr) return 0;
  pTail->m_pParent = nullptr;
  RebuildAllLists();
  return 1;
}

CWceUiLayer* CWceUiLayer::NextChild(CWceUiLayer* pCurLayer) const {
  WCEUI_CHECK(NULL != pCurLayer);
  return pCurLayer != nullptr ? static_cast<CWceUiLayer*>(m_Children.GetNext(pCurLayer)) : nullptr;
}

CWceUiLayer* CWceUiLayer::PrevChild(CWceUiLayer* pCurLayer) const {
  WCEUI_CHECK(NULL != pCurLayer);
  return pCurLayer != nullptr ? static_cast<CWceUiLayer*>(m_Children.GetPre(pCurLayer)) : nullptr;
}

CWceUiLayer* CWceUiLayer::GetChildByName(LPCWSTR pChildName) const {
  WCEUI_CHECK(NULL != pChildName);
  if (pChildName == nullptr) return nullptr;
  WCEUI_CHECK(*pChildName);
  if (*pChildName == 0) return nullptr;
  for (CWceUiLayer* p = GetFirstChild(); p != nullptr; p = p->m_pChildNext) {
    if (!p->m_strName.IsEmpty() && _wcsicmp(p->m_strName, pChildName) == 0) return p;
  }
  return nullptr;
}

BOOL CWceUiLayer::IsEqualName(LPCWSTR pName) const {
  WCEUI_CHECK(NULL != pName);
  return pName != nullptr && _wcsicmp(m_strName, pName) == 0;
}

void CWceUiLayer::SetName(LPCWSTR pName) {
  WCEUI_CHECK(NULL != pName);
  if (pName != nullptr) m_strName.SetString(pName);
}

CWceUiLayer* CWceUiLayer::GetOwnerLayer() {
  // A parent without a parent of its own is still an owner: a dialog is one while it is built,
  // before it goes under the root body.
  if (m_pParent == nullptr) return this;
  if (m_pLayerCtrl != nullptr && m_pParent == m_pLayerCtrl->m_pBody) return this;
  return m_pParent;
}

CWceUiLayer* CWceUiLayer::GetDlg() {
  CWceUiLayer* pLayer = this;
  while (pLayer != nullptr && !pLayer->IsKindOf(u"CWceUiDlg")) pLayer = pLayer->m_pParent;
  WCEUI_CHECK(NULL != pLayer);
  return pLayer;
}

void CWceUiLayer::SetLayerCtrl(CWceUiLayerCtrl* pLayerCtrl) {
  WCEUI_CHECK(NULL != pLayerCtrl);
  m_pLayerCtrl = pLayerCtrl;
}

CWceUiLayerCtrl* CWceUiLayer::GetLayerCtrl() const {
  WCEUI_CHECK(NULL != m_pLayerCtrl);
  return m_pLayerCtrl;
}

CWceUiLayerHost* CWceUiLayer::GetWindow() const {
  CWceUiLayerCtrl* pCtrl = GetLayerCtrl();
  return pCtrl != nullptr ? pCtrl->GetWindow() : nullptr;
}

void CWceUiLayer::RebuildAllLists() {
  if (m_pLayerCtrl != nullptr) m_pLayerCtrl->ReBuildAllList();
}

// ---- position ----

void CWceUiLayer::GetWindowRect(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return;
  // Each relative layer adds its parent's offset; the chain ends at a layer in window coordinates
  // or at the top. A loop, not recursion: a legal tree may be deeper than any stack of calls.
  const CWceUiLayer* pCur = this;
  int nWay = pCur->m_Style.m_nPositionWay;
  *lpRect = pCur->m_Style.m_rcPosition;
  while (true) {
    if (nWay == WCEUI_POSITION_WINDOW) return;
    if (nWay != WCEUI_POSITION_RELATIVE) {
      WceUiLogA(WCEUI_LOG_ERROR, "%s::GetWindowRect, posWay is invalid", WCEUI_LOG_TAG);
      return;
    }
    pCur = pCur->m_pParent;
    if (pCur == nullptr) return;
    OffsetRect(lpRect, pCur->m_Style.m_rcPosition.left, pCur->m_Style.m_rcPosition.top);
    nWay = pCur->m_Style.m_nPositionWay;
  }
}

void CWceUiLayer::GetClientRect(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return;
  const RECT& rc = m_Style.m_rcPosition;
  SetRect(lpRect, 0, 0, WceUiRectWidth(rc), WceUiRectHeight(rc));
}

void CWceUiLayer::GetWindowRectVisible(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return;
  GetWindowRect(lpRect);
  const CWceUiLayer* pBody = m_pLayerCtrl != nullptr ? m_pLayerCtrl->m_pBody : nullptr;
  for (const CWceUiLayer* p = m_pParent; p != nullptr && p != pBody; p = p->m_pParent) {
    RECT rcParent;
    p->GetWindowRect(&rcParent);
    IntersectRect(lpRect, lpRect, &rcParent);
  }
}

void CWceUiLayer::GetClientRectVisible(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return;
  GetWindowRectVisible(lpRect);
  WindowToClient(lpRect);
}

void CWceUiLayer::ClientToWindow(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return;
  RECT rcWindow;
  GetWindowRect(&rcWindow);
  OffsetRect(lpRect, rcWindow.left, rcWindow.top);
}

void CWceUiLayer::WindowToClient(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return;
  RECT rcWindow;
  GetWindowRect(&rcWindow);
  OffsetRect(lpRect, -rcWindow.left, -rcWindow.top);
}

void CWceUiLayer::SetLayerPosition(const RECT* lpRect, int nPosWay, BOOL bRedraw) {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return;
  RECT rcNew = *lpRect;
  if (nPosWay == WCEUI_POSITION_RELATIVE) {
    if (m_pParent != nullptr) {
      RECT rcParent;
      m_pParent->GetWindowRect(&rcParent);
      OffsetRect(&rcNew, rcParent.left, rcParent.top);
    }
  } else if (nPosWay != WCEUI_POSITION_WINDOW) {
    // Nothing is stored: a layer keeps a position it can compute.
    WceUiLogA(WCEUI_LOG_ERROR, "%s::SetLayerPosition, posWay is invalid", WCEUI_LOG_TAG);
    return;
  }
  RECT rcOld;
  GetWindowRect(&rcOld);
  const BOOL bMoved = !EqualRect(&rcOld, &rcNew);
  if (bMoved && bRedraw && IsLayerShow()) {
    InvalidateRectAlways(&rcOld);
  }
  const BOOL bStoredChanged = !EqualRect(&m_Style.m_rcPosition, lpRect) || m_Style.m_nPositionWay != nPosWay;
  m_Style.m_rcPosition = *lpRect;
  m_Style.m_nPositionWay = nPosWay;
  if (bMoved && bRedraw && IsLayerShow()) InvalidateRectAlways(&rcNew);
  if ((bMoved || bStoredChanged) && m_pLayerCtrl != nullptr) m_pLayerCtrl->ReBuildInputList();
}

void CWceUiLayer::MoveLayer(int x, int y, int nWidth, int nHeight, BOOL bRedraw) {
  const int nWay = m_Style.m_nPositionWay;
  if (nWay == WCEUI_POSITION_RELATIVE) {
    if (m_pParent != nullptr) {
      RECT rcParent;
      m_pParent->GetWindowRect(&rcParent);
      x -= rcParent.left;
      y -= rcParent.top;
    }
  } else if (nWay != WCEUI_POSITION_WINDOW) {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::MoveLayer, posWay is invalid", WCEUI_LOG_TAG);
    return;
  }
  const RECT rc = WceUiRectOf(x, y, nWidth, nHeight);
  SetLayerPosition(&rc, nWay, bRedraw);
}

void CWceUiLayer::MoveLayer(const RECT* lpRect, BOOL bRedraw) {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return;
  MoveLayer(lpRect->left, lpRect->top, WceUiRectWidth(*lpRect), WceUiRectHeight(*lpRect), bRedraw);
}

void CWceUiLayer::SetLayerWindowPos(int x, int y, int nWidth, int nHeight, UINT nFlags) {
  RECT rcCur;
  GetWindowRect(&rcCur);
  if (nFlags & WCEUI_LAYER_KEEP_SIZE) {
    nWidth = WceUiRectWidth(rcCur);
    nHeight = WceUiRectHeight(rcCur);
  }
  if (nFlags & WCEUI_LAYER_KEEP_POSITION) {
    x = rcCur.left;
    y = rcCur.top;
  }
  MoveLayer(x, y, nWidth, nHeight, TRUE);
}

void CWceUiLayer::GetNeedDrawRect(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect != nullptr) *lpRect = m_rcNeedDraw;
}

void CWceUiLayer::SetNeedDrawRect(const RECT* lpRect) {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect != nullptr) m_rcNeedDraw = *lpRect;
}

// ---- state flags ----

void CWceUiLayer::ShowLayer(BOOL bShow, BOOL bAlsoCommonStyle) {
  WCEUI_CHECK(NULL != GetLayerCtrl());
  bShow = bShow ? 1 : 0;
  if (bAlsoCommonStyle) {
    m_CommonStyle.m_bShow = bShow;
    m_CommonStyle.SetHas(kStyleHasShow, 1);
  }
  if (m_Style.m_bShow == bShow) return;
  m_Style.m_bShow = bShow;
  RebuildAllLists();
  // A layer just hidden must be painted over as well; one under a hidden ancestor shows nothing.
  if (m_pParent == nullptr || m_pParent->IsLayerShow()) InvalidateRectAlways(nullptr);
}

void CWceUiLayer::EnableLayer(BOOL bEnable, BOOL bAlsoCommonStyle) {
  WCEUI_CHECK(NULL != GetLayerCtrl());
  bEnable = bEnable ? 1 : 0;
  if (bAlsoCommonStyle) {
    m_CommonStyle.m_bEnable = bEnable;
    m_CommonStyle.SetHas(kStyleHasEnable, 1);
  }
  if (m_Style.m_bEnable == bEnable) return;
  m_Style.m_bEnable = bEnable;
  if (!bEnable) ReleaseCapture();
  RebuildAllLists();
  InvalidateRect(nullptr);
}

void CWceUiLayer::SetLayerContainer(BOOL bContainer) {
  bContainer = bContainer ? 1 : 0;
  if (m_Style.m_bContainer == bContainer) return;
  m_Style.m_bContainer = bContainer;
  RebuildAllLists();
  InvalidateRect(nullptr);
}

void CWceUiLayer::SetLayerNoDraw(BOOL bNoDraw) {
  bNoDraw = bNoDraw ? 1 : 0;
  if (m_Style.m_bNoDraw == bNoDraw) return;
  m_Style.m_bNoDraw = bNoDraw;
  if (m_pLayerCtrl != nullptr) m_pLayerCtrl->ReBuildDrawList();
}

void CWceUiLayer::SetLayerNoInput(BOOL bNoInput) {
  bNoInput = bNoInput ? 1 : 0;
  if (m_Style.m_bNoInput == bNoInput) return;
  m_Style.m_bNoInput = bNoInput;
  if (m_pLayerCtrl != nullptr) m_pLayerCtrl->ReBuildInputList();
}

BOOL CWceUiLayer::IsLayerShow() const {
  for (const CWceUiLayer* p = this; p != nullptr; p = p->m_pParent) {
    if (!p->m_Style.m_bShow) return 0;
  }
  return 1;
}

BOOL CWceUiLayer::IsLayerEnable() const {
  for (const CWceUiLayer* p = this; p != nullptr; p = p->m_pParent) {
    if (!p->m_Style.m_bEnable) return 0;
  }
  return 1;
}

BOOL CWceUiLayer::IsNoDraw() const {
  return m_Style.m_bContainer || !m_bReDraw || m_Style.m_bNoDraw;
}

BOOL CWceUiLayer::IsNoInput() const {
  return m_Style.m_bContainer || m_Style.m_bNoInput;
}

// ---- invalidation ----

void CWceUiLayer::InvalidateRect(const RECT* lpRect) {
  if (!IsLayerShow()) return;
  InvalidateRectAlways(lpRect);
}

void CWceUiLayer::InvalidateRectAlways(const RECT* lpRect) {
  CWceUiLayerHost* pWindow = m_pLayerCtrl != nullptr ? m_pLayerCtrl->m_pWindow : nullptr;
  if (pWindow == nullptr) return;
  // A container is never drawn itself: its shown children are, down to the first non-container of
  // each branch. The walk follows the links, so no stack bounds the depth.
  CWceUiLayer* pCur = this;
  while (pCur != nullptr) {
    BOOL bDescend = 0;
    if (!pCur->m_Style.m_bContainer) {
      RECT rc;
      if (lpRect != nullptr) {
        rc = *lpRect;
      } else {
        pCur->GetWindowRect(&rc);
      }
      // A layer of no size has nothing to repaint.
      if (!IsRectEmpty(&rc)) pWindow->InvalidateRect(&rc, TRUE);
    } else {
      bDescend = pCur->GetFirstChild() != nullptr;
    }
    CWceUiLayer* pNext = nullptr;
    if (bDescend) {
      pNext = pCur->GetFirstChild();
    } else {
      while (pCur != this && pCur->m_pChildNext == nullptr) pCur = pCur->m_pParent;
      if (pCur != this) pNext = pCur->m_pChildNext;
    }
    // Hidden children are skipped with their subtrees.
    while (pNext != nullptr && !pNext->m_Style.m_bShow) {
      CWceUiLayer* pSkip = pNext;
      while (pSkip != this && pSkip->m_pChildNext == nullptr) pSkip = pSkip->m_pParent;
      pNext = pSkip != this ? pSkip->m_pChildNext : nullptr;
    }
    pCur = pNext;
  }
}

// ---- text ----

void CWceUiLayer::SetText(LPCWSTR pText) {
  WCEUI_CHECK(NULL != pText);
  if (pText == nullptr) return;
  m_bTextSetDirectly = 1;
  if (wcscmp(m_strText, pText) == 0) return;
  m_strText.SetString(pText);
  InvalidateRect(nullptr);
}

void CWceUiLayer::UpdateTextFromRes() {
  if (m_bTextSetDirectly) return;
  LPCWSTR pResID = m_Style.GetTextResID();
  if (pResID == nullptr || *pResID == 0) {
    m_strText.SetString(u"");
    return;
  }
  m_TextByRes.SetTextResID(pResID);
  LPCWSTR pText = m_TextByRes.GetString();
  if (wcscmp(m_strText, pText) != 0) m_strText.SetString(pText);
}

// ---- styles ----

BOOL CWceUiLayer::LoadStyleData(LPCWSTR pStyleName, CWceUiStyle* pStyle) {
  // A layer under no dialog has no style file to look in.
  CWceUiLayer* pDlg = GetDlg();
  if (pDlg == nullptr) return 0;
  CFhStyleFile* pStyleFile = pDlg->GetStyleFile();
  if (pStyleFile == nullptr) return 0;
  return pStyleFile->GetStyleData(pStyleName, pStyle);
}

BOOL CWceUiLayer::SetStyle(LPCWSTR pStyleName) {
  WCEUI_CHECK(NULL != pStyleName);
  if (pStyleName == nullptr) return 0;
  WCEUI_CHECK(*pStyleName);
  if (*pStyleName == 0) return 0;
  CWceUiStyle loaded;
  if (!LoadStyleData(pStyleName, &loaded)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Can not load style %s", pStyleName);
    return 0;
  }
  // What the named style sets wins, then what the common style sets, and the layer keeps the
  // rest: a style that changes only the background leaves the position alone. The background
  // items are the named style's when it has some; the common style's join them when drawing.
  CWceUiStyle current(m_Style);
  CWceUiStyle underCommon;
  underCommon.Merge(m_CommonStyle, current);
  CWceUiStyle merged;
  merged.Merge(loaded, underCommon);
  if (loaded.GetHas(kStyleHasBgItems)) merged.GetBgItemCtrl() = loaded.GetBgItemCtrl();
  for (int i = 0; i < kStyleHasCount; ++i) {
    const WceUiStyleHas nWhat = static_cast<WceUiStyleHas>(i);
    merged.SetHas(nWhat, loaded.GetHas(nWhat) || m_CommonStyle.GetHas(nWhat) || current.GetHas(nWhat));
  }
  // Through the bound style's setters: the layer moves, shows and rebuilds its lists as it must.
  m_Style = merged;
  InvalidateRect(nullptr);
  return 1;
}

BOOL CWceUiLayer::SetCommonStyle(LPCWSTR pCommonStyleName) {
  WCEUI_CHECK(NULL != pCommonStyleName);
  if (pCommonStyleName == nullptr) return 0;
  WCEUI_CHECK(*pCommonStyleName);
  if (*pCommonStyleName == 0) return 0;
  CWceUiStyle loaded;
  if (!LoadStyleData(pCommonStyleName, &loaded)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Can not load the style %s", pCommonStyleName);
    return 0;
  }
  m_CommonStyle = loaded;
  m_bHasCommonStyle = 1;
  return 1;
}

// ---- timers, messages, capture ----

void CWceUiLayer::SetTimer(WORD nTimerId, UINT nElapse) {
  CWceUiLayerHost* pWindow = GetWindow();
  if (pWindow == nullptr) return;
  if (FindValue(m_arrTimers, nTimerId) < 0) m_arrTimers.Add(nTimerId);
  pWindow->SetTimer(WceUiLayerTimerId(GetLayerId(), nTimerId), nElapse);
}

void CWceUiLayer::KillTimer(WORD nTimerId) {
  const int nIndex = FindValue(m_arrTimers, nTimerId);
  if (nIndex < 0) return;
  RemoveAtIndex(m_arrTimers, nIndex);
  CWceUiLayerHost* pWindow = GetWindow();
  if (pWindow != nullptr) pWindow->KillTimer(WceUiLayerTimerId(GetLayerId(), nTimerId));
}

void CWceUiLayer::RegisterMsg(UINT nMsg) {
  if (FindValue(m_arrMsgs, nMsg) >= 0) return;
  CWceUiLayerHost* pWindow = GetWindow();
  if (pWindow == nullptr) return;
  m_arrMsgs.Add(nMsg);
  pWindow->RegisterMsg(nMsg, this);
}

void CWceUiLayer::SetCapture() {
  CWceUiLayerHost* pWindow = GetWindow();
  if (pWindow != nullptr) pWindow->SetCapture(this);
}

void CWceUiLayer::ReleaseCapture() {
  CWceUiLayerHost* pWindow = m_pLayerCtrl != nullptr ? m_pLayerCtrl->m_pWindow : nullptr;
  if (pWindow != nullptr && pWindow->GetCaptureLayer() == this) pWindow->ReleaseCapture(this);
}
