#include "wceui/core/CWceUiLayerCtrl.h"

#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/drawing/CWceUiCoverMask.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/core/CWceUiLayerHost.h"
#include "wceui/base/FhPath.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"

#include <cstddef>

namespace {

// The id map's bucket count of the original table; the ids of one screen spread over it.
constexpr size_t kIdMapBuckets = 401;

// The next layer of a pre-order walk of pTop's subtree after pCur whose subtree is done, or none.
// The walk follows the parent links, so it needs no stack and no depth bounds it.
CWceUiLayer* NextAfterSubtree(CWceUiLayer* pCur, const CWceUiLayer* pTop) {
  while (pCur != pTop) {
    CWceUiLayer* pParent = pCur->GetParent();
    if (pParent == nullptr) return nullptr;
    CWceUiLayer* pNext = pParent->NextChild(pCur);
    if (pNext != nullptr) return pNext;
    pCur = pParent;
  }
  return nullptr;
}

}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
CWceUiLayerCtrl::CWceUiLayerCtrl()
    : m_DrawList(offsetof(CWceUiLayer, m_pDrawPrev), offsetof(CWceUiLayer, m_pDrawNext)),
      m_InputList(offsetof(CWceUiLayer, m_pInputNext)),
      m_PaintList(offsetof(CWceUiLayer, m_pPaintNext)) {
#pragma GCC diagnostic pop
  m_IdMap.rehash(kIdMapBuckets);
  m_pBody = new CWceUiLayer;
  WCEUI_CHECK(NULL != m_pBody);
  m_pBody->SetLayerCtrl(this);
  InitLayerInfo(m_pBody, u"__root_of_body__");
  m_pBody->OnLoad();
  m_pBody->SetLayerContainer(TRUE);
}

CWceUiLayerCtrl::~CWceUiLayerCtrl() {
  m_DrawList.RemoveAll();
  m_InputList.RemoveAll();
  m_PaintList.RemoveAll();
  // Dialogs still under the body are reported below, not deleted: their owners delete them. They
  // lose their parent, so they never reach back into a deleted body.
  while (!m_pBody->m_Children.IsEmpty()) {
    CWceUiLayer* pChild = static_cast<CWceUiLayer*>(m_pBody->m_Children.RemoveHead());
    pChild->m_pParent = nullptr;
    pChild->m_pLayerCtrl = nullptr;
  }
  impDeleteElement(m_pBody);
  m_pBody = nullptr;
  WCEUI_CHECK(m_IdMap.empty());
  if (!m_IdMap.empty()) {
    WceUiLogA(WCEUI_LOG_ERROR, "In CWceUiLayerCtrl::~CWceUiLayerCtrl, detect some layer is not free");
  }
}

CWceUiDlg* CWceUiLayerCtrl::CreateDlg(LPCWSTR pDlgPath) {
  WCEUI_CHECK(NULL != pDlgPath);
  if (pDlgPath == nullptr) return nullptr;
  WCHAR szPath[MAX_PATH];
  wcsncpy(szPath, pDlgPath, MAX_PATH - 1);
  szPath[MAX_PATH - 1] = 0;
  LPCWSTR pClassName = szPath;
  for (LPCWSTR p = szPath; *p != 0; ++p) {
    if (FhIsPathSeparator(*p)) pClassName = p + 1;
  }
  CWceUiObject* pObject = WceUiCreateObject(pClassName);
  if (pObject == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"in CWceUiLayerCtrl::CreateDlg, can not create class %s", pClassName);
    return nullptr;
  }
  if (!pObject->IsKindOf(WCEUI_CLASS_NAME(CWceUiDlg))) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiLayerCtrl::CreateDlg, %s is not a kind of %s", pClassName,
              WCEUI_CLASS_NAME(CWceUiDlg));
    delete pObject;
    return nullptr;
  }
  CWceUiDlg* pDlg = static_cast<CWceUiDlg*>(pObject);
  pDlg->SetLayerCtrl(this);
  LPCWSTR pWndDir = WceUiGetGlobals()->GetGlobalData()->GetWndDir();
  WCHAR szDlgFile[MAX_PATH];
  WCHAR szStyleFile[MAX_PATH];
  swprintf(szDlgFile, MAX_PATH, u"%s%s.dlg.xml", pWndDir, szPath);
  swprintf(szStyleFile, MAX_PATH, u"%s%s.style.xml", pWndDir, szPath);
  if (!pDlg->Init(szDlgFile, szStyleFile)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiLayerCtrl::CreateDlg, Create %s failed", szPath);
    DeleteLayer(pDlg);
    return nullptr;
  }
  return pDlg;
}

CWceUiLayer* CWceUiLayerCtrl::impCreateLayer(CWceUiLayer* pParent, LPCWSTR pType) {
  WCEUI_CHECK(NULL != pType);
  WCEUI_CHECK(NULL != pParent);
  if (pType == nullptr || pParent == nullptr) return nullptr;
  if (pParent == m_pBody) {
    WceUiLogA(WCEUI_LOG_ERROR, "CWceUiLayerCtrl::impCreateLayer, pParent can not be root layer");
    return nullptr;
  }
  CWceUiObject* pObject = WceUiCreateObject(pType);
  if (pObject == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiLayerCtrl::impCreateLayer, can not create layer, type is %s", pType);
    return nullptr;
  }
  if (!pObject->IsKindOf(WCEUI_CLASS_NAME(CWceUiLayer))) {
    WceUiLogA(WCEUI_LOG_ERROR, "CWceUiLayerCtrl::impCreateLayer, the type is not a kind of CWceUiLayer");
    delete pObject;
    return nullptr;
  }
  return static_cast<CWceUiLayer*>(pObject);
}

CWceUiLayer* CWceUiLayerCtrl::CreateLayerFromElem(CWceUiLayer* pParent, LPCWSTR pType, LPCWSTR pName) {
  CWceUiLayer* pLayer = impCreateLayer(pParent, pType);
  if (pLayer == nullptr) return nullptr;
  pLayer->SetLayerCtrl(this);
  pParent->AppendChild(pLayer);
  InitLayerInfo(pLayer, pName);
  pLayer->OnLoad();
  return pLayer;
}

void CWceUiLayerCtrl::InitLayerInfo(CWceUiLayer* pNode, LPCWSTR pName) {
  WCEUI_CHECK(NULL != pNode);
  if (pNode == nullptr) return;
  const DWORD dwId = m_IdGen.GetID() & 0xFFFF;
  pNode->SetLayerId(dwId);
  m_IdMap[dwId] = pNode;
  pNode->SetName(pName != nullptr ? pName : u"");
}

void CWceUiLayerCtrl::DeleteLayer(CWceUiLayer* pNode) {
  if (pNode == nullptr) return;
  WCEUI_CHECK(pNode != RootLayer());
  if (pNode == m_pBody) {
    WceUiLogA(WCEUI_LOG_ERROR, "In CWceUiLayerCtrl::DeleteLayer, dont call delete root layer directly");
    return;
  }
  if (pNode->GetParent() != nullptr) pNode->GetParent()->RemoveChild(pNode);
  // The last paint list may name layers of this subtree.
  m_PaintList.RemoveAll();
  // Post-order through the links: down the last children, delete a leaf, go back to its parent.
  // Children go before their parent, the siblings of one list from the last to the first, and
  // pNode last. The subtree is off every list, so a leaf is unlinked without rebuilding them.
  CWceUiLayer* pCur = pNode;
  while (true) {
    while (pCur->GetLastChild() != nullptr) pCur = pCur->GetLastChild();
    if (pCur == pNode) break;
    CWceUiLayer* pParent = pCur->m_pParent;
    pParent->m_Children.Remove(pCur);
    pCur->m_pParent = nullptr;
    impDeleteElement(pCur);
    pCur = pParent;
  }
  impDeleteElement(pNode);
}

void CWceUiLayerCtrl::impDeleteElement(CWceUiLayer* pNode) {
  WCEUI_CHECK(NULL != pNode);
  if (pNode == nullptr) return;
  const DWORD dwId = pNode->GetLayerId();
  auto it = m_IdMap.find(dwId);
  if (it != m_IdMap.end() && it->second == pNode) {
    m_IdMap.erase(it);
    m_IdGen.ReleaseID(dwId);
  }
  delete pNode;
}

CWceUiLayer* CWceUiLayerCtrl::GetLayerById(DWORD dwId) const {
  auto it = m_IdMap.find(dwId & 0xFFFF);
  return it != m_IdMap.end() ? it->second : nullptr;
}

CWceUiLayer* CWceUiLayerCtrl::RootLayer() const {
  WCEUI_CHECK(NULL != m_pBody);
  return m_pBody;
}

CWceUiLayerHost* CWceUiLayerCtrl::GetWindow() const {
  WCEUI_CHECK(NULL != m_pWindow);
  return m_pWindow;
}

void CWceUiLayerCtrl::SetWindow(CWceUiLayerHost* pWindow) {
  WCEUI_CHECK(NULL != pWindow);
  m_pWindow = pWindow;
}

void CWceUiLayerCtrl::ReBuildDrawList() {
  if (RootLayer() == nullptr) return;
  m_DrawList.RemoveAll();
  for (CWceUiLayer* p = m_pBody; p != nullptr;) {
    m_DrawList.AddTail(p);
    p = p->GetFirstChild() != nullptr ? p->GetFirstChild() : NextAfterSubtree(p, m_pBody);
  }
}

void CWceUiLayerCtrl::ReBuildInputList() {
  if (RootLayer() == nullptr) return;
  m_InputList.RemoveAll();
  // The walk enters only shown and enabled layers, so each layer's own flags tell the whole story.
  if (!m_pBody->GetStyle()->GetShow() || !m_pBody->GetStyle()->GetEnable()) return;
  for (CWceUiLayer* p = m_pBody->GetFirstChild(); p != nullptr;) {
    const BOOL bLive = p->GetStyle()->GetShow() && p->GetStyle()->GetEnable();
    const BOOL bTakesInput = bLive && !p->IsNoInput();
    if (bTakesInput) m_InputList.AddHead(p);
    const BOOL bDescend = p->GetFirstChild() != nullptr && (bTakesInput || (bLive && p->IsContainer()));
    p = bDescend ? p->GetFirstChild() : NextAfterSubtree(p, m_pBody);
  }
}

void CWceUiLayerCtrl::ReBuildAllList() {
  ReBuildDrawList();
  ReBuildInputList();
}

CWceUiLayer* CWceUiLayerCtrl::GetDrawFirst() const {
  return static_cast<CWceUiLayer*>(m_DrawList.GetHead());
}

CWceUiLayer* CWceUiLayerCtrl::GetDrawNext(CWceUiLayer* pCurLayer) const {
  WCEUI_CHECK(NULL != pCurLayer);
  return pCurLayer != nullptr ? static_cast<CWceUiLayer*>(m_DrawList.GetNext(pCurLayer)) : nullptr;
}

CWceUiLayer* CWceUiLayerCtrl::GetInputFirst() const {
  return static_cast<CWceUiLayer*>(m_InputList.GetHead());
}

CWceUiLayer* CWceUiLayerCtrl::GetInputNext(CWceUiLayer* pCurLayer) const {
  WCEUI_CHECK(NULL != pCurLayer);
  return pCurLayer != nullptr ? static_cast<CWceUiLayer*>(m_InputList.GetNext(pCurLayer)) : nullptr;
}

CWceUiLayer* CWceUiLayerCtrl::GetInputLayerAt(int x, int y) const {
  for (CWceUiLayer* p = GetInputFirst(); p != nullptr; p = GetInputNext(p)) {
    RECT rc;
    p->GetWindowRectVisible(&rc);
    if (x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom) return p;
  }
  return nullptr;
}

CWceUiLayer* CWceUiLayerCtrl::GetPaintFirst() const {
  return static_cast<CWceUiLayer*>(m_PaintList.GetHead());
}

CWceUiLayer* CWceUiLayerCtrl::GetPaintNext(CWceUiLayer* pCurLayer) const {
  WCEUI_CHECK(NULL != pCurLayer);
  return pCurLayer != nullptr ? static_cast<CWceUiLayer*>(m_PaintList.GetNext(pCurLayer)) : nullptr;
}

void CWceUiLayerCtrl::BuildPaintList(const RECT& rcDirty) {
  m_PaintList.RemoveAll();
  const int nWidth = rcDirty.right - rcDirty.left;
  const int nHeight = rcDirty.bottom - rcDirty.top;
  if (nWidth <= 0 || nHeight <= 0) return;
  CWceUiCoverMask mask;
  if (!mask.Create(nWidth, nHeight)) return;
  // Front to back: a layer is listed when some of its part inside the dirty rectangle is not yet
  // covered by opaque layers in front of it; listing at the head leaves the list back to front.
  for (CWceUiLayer* p = static_cast<CWceUiLayer*>(m_DrawList.GetTail()); p != nullptr;
       p = static_cast<CWceUiLayer*>(m_DrawList.GetPre(p))) {
    if (p->IsNoDraw() || !p->IsLayerShow()) continue;
    RECT rcVisible;
    p->GetWindowRectVisible(&rcVisible);
    RECT rcPart;
    if (!IntersectRect(&rcPart, &rcVisible, &rcDirty)) continue;
    RECT rcMask = rcPart;
    OffsetRect(&rcMask, -rcDirty.left, -rcDirty.top);
    if (mask.IsFull(rcMask)) continue;
    p->SetNeedDrawRect(&rcPart);
    m_PaintList.AddHead(p);
    if (!p->IsSeeThrough() && mask.Fill(rcMask)) break;
  }
  mask.Free();
}

void CWceUiLayerCtrl::Draw(CWceUiGenericBitmap* pWndBmp, const RECT& rcDirty) {
  WCEUI_CHECK(NULL != pWndBmp);
  // An unloaded window bitmap has no pixels to draw into.
  if (pWndBmp == nullptr || !pWndBmp->IsLoaded()) return;
  BuildPaintList(rcDirty);
  for (CWceUiLayer* p = GetPaintFirst(); p != nullptr; p = GetPaintNext(p)) {
    RECT rcNeedDraw;
    p->GetNeedDrawRect(&rcNeedDraw);
    p->OnDraw(pWndBmp, rcNeedDraw);
  }
}
