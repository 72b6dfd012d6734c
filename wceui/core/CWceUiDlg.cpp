#include "wceui/core/CWceUiDlg.h"

#include "wceui/core/CRealDlg.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/base/WceUiGeometry.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/styles/CFhStyleFile.h"
#include "wceui/resfiles/CWceUiXmlDoc.h"
#include "wceui/animate/CWceUiWndAnimate.h"

#include <vector>

struct CWceUiDlgData {
  CWceUiXmlDoc m_DlgDoc;
  CFhStyleFile m_StyleFile;
  RECT m_rcWindow = {0, 0, 0, 0};
  int m_DlgRunWay = DLG_RUN_NONE;
  BOOL m_bEnd = 0;
  int m_nResult = kRealDlgNoResult;
};

namespace {

constexpr WCHAR kAnimateIn[] = u"in";
constexpr WCHAR kAnimateOut[] = u"out";

}  // namespace

CWceUiDlg::CWceUiDlg() : m_pData(new CWceUiDlgData) {
  SetClassName(WCEUI_CLASS_NAME(CWceUiDlg));
  WCEUI_CHECK(NULL != m_pData);
}

CWceUiDlg::~CWceUiDlg() {
  delete m_pData;
  m_pData = nullptr;
}

CWceUiDlgData* CWceUiDlg::GetData() const {
  WCEUI_CHECK(NULL != m_pData);
  return m_pData;
}

CFhStyleFile* CWceUiDlg::GetStyleFile() {
  return &GetData()->m_StyleFile;
}

int CWceUiDlg::GetRunWay() const {
  return GetData()->m_DlgRunWay;
}

void CWceUiDlg::GetDlgWindowRect(LPRECT lpRect) const {
  *lpRect = GetData()->m_rcWindow;
}

// ---- building ----

BOOL CWceUiDlg::Init(LPCWSTR pDlgFileFullPath, LPCWSTR pStyleFileFullPath) {
  WCEUI_CHECK(NULL != pDlgFileFullPath);
  WCEUI_CHECK(NULL != pStyleFileFullPath);
  if (pDlgFileFullPath == nullptr || pStyleFileFullPath == nullptr) return FALSE;
  // The controller gives the dialog and every layer built below it their ids.
  CWceUiLayerCtrl* pCtrl = GetLayerCtrl();
  if (pCtrl == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiDlg::Init, %s, the dialog has no layer controller",
              pDlgFileFullPath);
    return FALSE;
  }
  CWceUiDlgData* pData = GetData();
  if (!pData->m_StyleFile.LoadStyleFile(pStyleFileFullPath)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiDlg::Init, can not load style file %s", pStyleFileFullPath);
    return FALSE;
  }
  if (!pData->m_DlgDoc.LoadXmlFile(pDlgFileFullPath, FALSE)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiDlg::Init, can not load dlg file %s", pDlgFileFullPath);
    return FALSE;
  }
  CWceUiXmlElem* pRootElem = pData->m_DlgDoc.GetRootElem();
  WCEUI_CHECK(NULL != pRootElem);
  // A document without a root element has no body either.
  CWceUiXmlElem* pBody = pRootElem != nullptr ? pRootElem->FindChildElem(u"body") : nullptr;
  if (pBody == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiDlg::Init, In %s, can not find body elements", pDlgFileFullPath);
    return FALSE;
  }
  pCtrl->InitLayerInfo(this, pBody->GetAttribute(u"name"));
  SetProperties(pBody);
  CWceUiLayer* pFirst = nullptr;
  if (!CreateAllChilds(pBody, &pFirst)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiDlg::Init, %s, can not create all childs", pDlgFileFullPath);
    return FALSE;
  }
  SendOnLoad();
  return TRUE;
}

void CWceUiDlg::SetProperties(CWceUiXmlElem* pCreateElem) {
  WCEUI_CHECK(NULL != pCreateElem);
  if (pCreateElem == nullptr) return;
  CWceUiLayer::SetProperties(pCreateElem);
  LPCWSTR pRect = pCreateElem->GetAttribute(u"windowrect");
  if (pRect == nullptr) return;
  RECT rc;
  if (!ConvertRectStrToRect(pRect, &rc)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiDlg::SetProperties, windowrect %s is not valid", pRect);
    return;
  }
  GetData()->m_rcWindow = rc;
}

void CWceUiDlg::SendToAll(void (CWceUiLayer::*pfnNotify)()) {
  (this->*pfnNotify)();
  // Layers whose children are still to be told. It grows as needed: a dialog may have any number
  // of siblings with children pending at once.
  std::vector<CWceUiLayer*> tmpStack;
  CWceUiLayer* pParent = this;
  for (;;) {
    for (CWceUiLayer* p = pParent->GetFirstChild(); p != nullptr; p = pParent->NextChild(p)) {
      (p->*pfnNotify)();
      if (p->GetChildCount() > 0) tmpStack.push_back(p);
    }
    if (tmpStack.empty()) break;
    pParent = tmpStack.back();
    tmpStack.pop_back();
  }
  WCEUI_CHECK(tmpStack.empty());
}

void CWceUiDlg::SendOnLoad() {
  SendToAll(&CWceUiLayer::OnLoad);
}

void CWceUiDlg::SendOnInitLayer() {
  SendToAll(&CWceUiLayer::OnInitLayer);
}

// ---- styles and animations ----

BOOL CWceUiDlg::GetStyleData(LPCWSTR pStyleName, CWceUiStyle* pStyle) {
  WCEUI_CHECK(NULL != pStyleName);
  if (pStyleName == nullptr) return FALSE;
  WCEUI_CHECK(*pStyleName);
  if (*pStyleName == 0) return FALSE;
  return GetData()->m_StyleFile.GetStyleData(pStyleName, pStyle);
}

CWceUiWndAnimate* CWceUiDlg::GetWndAnimate(LPCWSTR pName) {
  WCEUI_CHECK(NULL != pName);
  if (pName == nullptr) return nullptr;
  WCEUI_CHECK(*pName);
  if (*pName == 0) return nullptr;
  return GetData()->m_StyleFile.GetWndAnimate(pName);
}

BOOL CWceUiDlg::DoesHaveAnimate(LPCWSTR pName) {
  WCEUI_CHECK(NULL != pName);
  if (pName == nullptr) return FALSE;
  WCEUI_CHECK(*pName);
  if (*pName == 0) return FALSE;
  return GetData()->m_StyleFile.DoesHaveAnimate(pName);
}

BOOL CWceUiDlg::PrepareWndAnimate(BOOL bIn) {
  if (!DoesHaveAnimate(bIn ? kAnimateIn : kAnimateOut)) return FALSE;
  auto* pWnd = dynamic_cast<CWceUiRealWnd*>(GetWindow());
  return pWnd != nullptr ? pWnd->Apply(nullptr) : FALSE;
}

BOOL CWceUiDlg::PlayWndAnimate(BOOL bIn) {
  CWceUiWndAnimate* pAnimate = GetWndAnimate(bIn ? kAnimateIn : kAnimateOut);
  if (pAnimate == nullptr) return FALSE;
  auto* pWnd = dynamic_cast<CWceUiRealWnd*>(GetWindow());
  const BOOL bResult = pWnd != nullptr ? pWnd->Play(&pAnimate, 1, TRUE) : FALSE;
  delete pAnimate;
  return bResult;
}

// ---- running ----

int CWceUiDlg::DoModal() {
  CWceUiLayerCtrl* pCtrl = GetLayerCtrl();
  WCEUI_CHECK(NULL != pCtrl);
  if (pCtrl == nullptr) return 0;
  CWceUiDlgData* pData = GetData();
  pData->m_bEnd = 0;
  auto* pWnd = dynamic_cast<CWceUiRealWnd*>(GetWindow());
  CWceUiLayer* pLeftBrother = pCtrl->RootLayer()->GetLastChild();
  BOOL bAnimateIn = FALSE;
  BOOL bEnableBrother = FALSE;
  if (pLeftBrother == nullptr) {
    // The first dialog gives the window its place.
    if (pWnd != nullptr) pWnd->MoveWindow(&pData->m_rcWindow, TRUE);
    bAnimateIn = PrepareWndAnimate(TRUE);
  } else if (pLeftBrother->IsLayerEnable()) {
    WCEUI_CHECK(pLeftBrother->IsKindOf(WCEUI_CLASS_NAME(CWceUiDlg)));
    bAnimateIn = PrepareWndAnimate(TRUE);
    pLeftBrother->EnableLayer(FALSE, FALSE);
    bEnableBrother = TRUE;
  }
  // Over a disabled dialog nothing animates and nothing is given back.
  pCtrl->RootLayer()->AppendChild(this);
  pData->m_DlgRunWay = DLG_RUN_IN_MODAL;
  SendOnInitLayer();
  OnInitDialog();
  if (bAnimateIn) PlayWndAnimate(TRUE);
  WceUiRunModalLoop(&pData->m_bEnd);
  // The snapshot is taken while the dialog still shows.
  const BOOL bOverDisabled = pLeftBrother != nullptr && !bEnableBrother;
  const BOOL bAnimateOut = !bOverDisabled && PrepareWndAnimate(FALSE);
  pCtrl->RootLayer()->RemoveTail();
  if (bEnableBrother) pLeftBrother->EnableLayer(TRUE, FALSE);
  if (bAnimateOut) PlayWndAnimate(FALSE);
  if (pWnd != nullptr) pWnd->InvalidateRect(nullptr, TRUE);
  return pData->m_nResult;
}

BOOL CWceUiDlg::EndDialog(int nResult) {
  CWceUiDlgData* pData = GetData();
  WCEUI_CHECK(DLG_RUN_IN_MODAL == GetData()->m_DlgRunWay);
  if (pData->m_DlgRunWay != DLG_RUN_IN_MODAL) return FALSE;
  pData->m_nResult = nResult;
  pData->m_bEnd = 1;
  auto* pWnd = dynamic_cast<CWceUiRealWnd*>(GetWindow());
  // Wakes GetMessageW so that the loop sees the end flag.
  if (pWnd != nullptr) ::PostMessageW(pWnd->GetSafeHwnd(), WM_NULL, 0, 0);
  pData->m_DlgRunWay = DLG_RUN_NONE;
  return TRUE;
}

BOOL CWceUiDlg::EndModeless() {
  CWceUiLayerCtrl* pCtrl = GetLayerCtrl();
  WCEUI_CHECK(NULL != GetLayerCtrl());
  WCEUI_CHECK(DLG_RUN_IN_MODELESS == GetData()->m_DlgRunWay);
  if (pCtrl == nullptr || GetData()->m_DlgRunWay != DLG_RUN_IN_MODELESS) return FALSE;
  pCtrl->RootLayer()->RemoveChild(this);
  GetData()->m_DlgRunWay = DLG_RUN_NONE;
  return TRUE;
}
