// How a layer builds its children from the elements of a dialog file and takes its styles from
// an element's attributes; the layer controller creates each child by its class name.
#include "wceui/core/CWceUiLayer.h"

#include "wceui/base/WceUiLog.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/resfiles/CWceUiXmlElem.h"

#include <vector>

namespace {

CWceUiXmlElem* NextElem(CWceUiXmlElem* pElem) {
  CWceUiXmlElem* pParent = pElem->GetParent();
  if (pParent == nullptr) return nullptr;
  for (CWceUiXmlElem* p = pParent->GetNextChild(pElem); p != nullptr; p = pParent->GetNextChild(p)) {
    if (p->GetNodeType() == CWceUiXmlElem::kElement) return p;
  }
  return nullptr;
}

CWceUiXmlElem* FirstElem(CWceUiXmlElem* pParent) {
  CWceUiXmlElem* p = pParent->GetFirstChild();
  if (p == nullptr || p->GetNodeType() == CWceUiXmlElem::kElement) return p;
  return NextElem(p);
}

}  // namespace

BOOL CWceUiLayer::CreateAllChilds(CWceUiXmlElem* pElem, CWceUiLayer** ppFirstLayer) {
  WCEUI_CHECK(NULL != pElem);
  if (ppFirstLayer != nullptr) *ppFirstLayer = nullptr;
  if (pElem == nullptr) return 0;
  CWceUiXmlElem* pCur = FirstElem(pElem);
  if (pCur == nullptr) return 1;
  CWceUiLayerCtrl* pCtrl = GetLayerCtrl();
  if (pCtrl == nullptr) return 0;
  // Each entry is an element whose children are being built and the layer they go under. The
  // stack grows with the depth of the file: a legal dialog is never refused for its nesting.
  struct Pending {
    CWceUiXmlElem* m_pElem;
    CWceUiLayer* m_pLayer;
  };
  std::vector<Pending> stack;
  stack.push_back({pElem, this});
  while (pCur != nullptr) {
    LPCWSTR pType = pCur->GetAttribute(u"type");
    if (pType == nullptr || *pType == 0) {
      WceUiLogA(WCEUI_LOG_ERROR, "Create layer from XML element failed, no type attributes");
      return 0;
    }
    CWceUiLayer* pLayer =
        pCtrl->CreateLayerFromElem(stack.back().m_pLayer, pType, pCur->GetAttribute(u"name"));
    if (pLayer == nullptr) {
      WceUiLogW(WCEUI_LOG_ERROR, u"Create layer from XML element failed, the type is %s", pType);
      return 0;
    }
    pLayer->SetProperties(pCur);
    if (ppFirstLayer != nullptr && *ppFirstLayer == nullptr) *ppFirstLayer = pLayer;
    CWceUiXmlElem* pChild = FirstElem(pCur);
    if (pChild != nullptr) {
      stack.push_back({pCur, pLayer});
      pCur = pChild;
      continue;
    }
    CWceUiXmlElem* pNext = NextElem(pCur);
    while (pNext == nullptr && stack.size() > 1) {
      CWceUiXmlElem* pUp = stack.back().m_pElem;
      stack.pop_back();
      pNext = NextElem(pUp);
    }
    pCur = pNext;
  }
  return 1;
}

void CWceUiLayer::SetProperties(CWceUiXmlElem* pCreateElem) {
  WCEUI_CHECK(NULL != pCreateElem);
  if (pCreateElem == nullptr) return;
  LPCWSTR pCommon = pCreateElem->GetAttribute(u"common.style");
  if (pCommon != nullptr && *pCommon != 0 && !SetCommonStyle(pCommon)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiLayer::SetProperties, Set common style %s failed", pCommon);
  }
  LPCWSTR pStyle = pCreateElem->GetAttribute(u"style");
  if (pStyle != nullptr && *pStyle != 0 && !SetStyle(pStyle)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiLayer::SetProperties, Set style %s failed", pStyle);
  }
}
