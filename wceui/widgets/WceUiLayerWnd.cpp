#include "widgets/WceUiLayerWnd.h"

#include "core/CWceUiLayer.h"
#include "core/CWceUiRealWnd.h"

CWceUiRealWnd* WceUiLayerRealWnd(CWceUiLayer* pLayer) {
  if (pLayer == nullptr || pLayer->GetLayerCtrl() == nullptr) return nullptr;
  return dynamic_cast<CWceUiRealWnd*>(pLayer->GetWindow());
}

void WceUiRedrawLayerNow(CWceUiLayer* pLayer) {
  if (pLayer == nullptr) return;
  pLayer->InvalidateRect(nullptr);
  CWceUiRealWnd* pWnd = WceUiLayerRealWnd(pLayer);
  if (pWnd != nullptr && ::IsWindow(pWnd->GetSafeHwnd())) pWnd->UpdateWindow();
}
