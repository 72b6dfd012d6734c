// A stand-in for the real window under a layer tree: it records what the layers ask of it
// (invalidated rectangles, window timers, registered messages, capture) so tests read them back.
#pragma once

#include "wceui/core/CWceUiLayer.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiLayerHost.h"

#include <map>
#include <utility>
#include <vector>

class LayerTestHost : public CWceUiLayerHost {
 public:
  BOOL InvalidateRect(const RECT* lpRect, BOOL) override {
    m_Invalid.push_back(lpRect != nullptr ? *lpRect : RECT{0, 0, 0, 0});
    return 1;
  }
  BOOL SetTimer(UINT nIDEvent, UINT nElapse) override {
    m_Timers[nIDEvent] = nElapse;
    return 1;
  }
  BOOL KillTimer(UINT nIDEvent) override { return m_Timers.erase(nIDEvent) == 1; }
  void RegisterMsg(UINT nMsg, CWceUiLayer* pLayer) override { m_Msgs.emplace_back(nMsg, pLayer); }
  void UnRegisterMsg(UINT nMsg, CWceUiLayer* pLayer) override {
    for (auto it = m_Msgs.begin(); it != m_Msgs.end(); ++it) {
      if (*it == std::make_pair(nMsg, pLayer)) {
        m_Msgs.erase(it);
        return;
      }
    }
  }
  CWceUiLayer* SetCapture(CWceUiLayer* pCaptureLayer) override {
    CWceUiLayer* pOld = m_pCapture;
    m_pCapture = pCaptureLayer;
    return pOld;
  }
  void ReleaseCapture(CWceUiLayer* pLayer) override {
    if (pLayer == m_pCapture) m_pCapture = nullptr;
  }
  CWceUiLayer* GetCaptureLayer() override { return m_pCapture; }

  std::vector<RECT> m_Invalid;
  std::map<UINT, UINT> m_Timers;
  std::vector<std::pair<UINT, CWceUiLayer*>> m_Msgs;
  CWceUiLayer* m_pCapture = nullptr;
};

// A top layer under the root body, as a dialog is put there: created, given an id, appended.
inline CWceUiLayer* AddTopLayer(CWceUiLayerCtrl& ctrl, const RECT& rc) {
  CWceUiLayer* pTop = new CWceUiLayer;
  pTop->SetLayerCtrl(&ctrl);
  ctrl.InitLayerInfo(pTop, u"top");
  pTop->MoveLayer(&rc, FALSE);
  ctrl.RootLayer()->AppendChild(pTop);
  return pTop;
}

// A plain layer under pParent at rc (way 0: window coordinates; way 1: relative to the parent).
inline CWceUiLayer* AddLayer(CWceUiLayerCtrl& ctrl, CWceUiLayer* pParent, const RECT& rc, int nWay = 0,
                             LPCWSTR pName = nullptr) {
  CWceUiLayer* p = ctrl.CreateLayerFromElem(pParent, u"CWceUiLayer", pName);
  if (p != nullptr) p->GetStyle()->SetPosition(&rc, nWay);
  return p;
}
