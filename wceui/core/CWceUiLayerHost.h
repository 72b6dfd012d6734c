// What a layer tree needs from the real window that hosts it: invalidation, window timers,
// registered window messages and the mouse capture. The UI real window implements it; the layer
// controller hands it to its layers through GetWindow.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

class CWceUiLayer;

class CWceUiLayerHost {
 public:
  virtual ~CWceUiLayerHost() = default;

  // lpRect in window coordinates; NULL is the whole window.
  virtual BOOL InvalidateRect(const RECT* lpRect, BOOL bErase) = 0;
  // nIDEvent is the composed window timer id of a layer timer (WceUiLayerTimerId).
  virtual BOOL SetTimer(UINT nIDEvent, UINT nElapse) = 0;
  virtual BOOL KillTimer(UINT nIDEvent) = 0;
  // The layer side keeps one registration per message and layer.
  virtual void RegisterMsg(UINT nMsg, CWceUiLayer* pLayer) = 0;
  virtual void UnRegisterMsg(UINT nMsg, CWceUiLayer* pLayer) = 0;
  // The previous capture layer.
  virtual CWceUiLayer* SetCapture(CWceUiLayer* pCaptureLayer) = 0;
  // Only the capture layer releases the capture; any other layer changes nothing.
  virtual void ReleaseCapture(CWceUiLayer* pLayer) = 0;
  virtual CWceUiLayer* GetCaptureLayer() = 0;
};

// A layer timer reaches the window as (layer id & 0xFFFF) | (layer timer id << 16); a window timer
// whose low 16 bits are 0 is no layer's.
inline UINT WceUiLayerTimerId(DWORD dwLayerId, UINT nTimerId) {
  return (dwLayerId & 0xFFFF) | ((nTimerId & 0xFFFF) << 16);
}
