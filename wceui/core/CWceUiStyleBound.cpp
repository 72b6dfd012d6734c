// The setters of a style that may be bound to a layer. They are the style's, but a bound style
// hands the change to its layer, so they are defined here in core, where the layer is known, and
// the styles below never include it.
#include "wceui/styles/CWceUiStyle.h"

#include "wceui/base/WceUiLog.h"
#include "wceui/core/CWceUiLayer.h"

void CWceUiStyle::SetPosition(const RECT* lpRect, int nWay) {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return;
  if (m_pLayer != nullptr) {
    m_pLayer->SetLayerPosition(lpRect, nWay, TRUE);
    return;
  }
  m_rcPosition = *lpRect;
  m_nPositionWay = nWay;
}

void CWceUiStyle::SetShow(BOOL bShow) {
  if (m_pLayer != nullptr) {
    m_pLayer->ShowLayer(bShow, FALSE);
    return;
  }
  m_bShow = bShow;
}

void CWceUiStyle::SetEnable(BOOL bEnable) {
  if (m_pLayer != nullptr) {
    m_pLayer->EnableLayer(bEnable, FALSE);
    return;
  }
  m_bEnable = bEnable;
}

void CWceUiStyle::SetContainer(BOOL bContainer) {
  if (m_pLayer != nullptr) {
    m_pLayer->SetLayerContainer(bContainer);
    return;
  }
  m_bContainer = bContainer;
}

void CWceUiStyle::SetNoDraw(BOOL bNoDraw) {
  if (m_pLayer != nullptr) {
    m_pLayer->SetLayerNoDraw(bNoDraw);
    return;
  }
  m_bNoDraw = bNoDraw;
}

void CWceUiStyle::SetNoInput(BOOL bNoInput) {
  if (m_pLayer != nullptr) {
    m_pLayer->SetLayerNoInput(bNoInput);
    return;
  }
  m_bNoInput = bNoInput;
}
