// A looping frame animation (the "linking" spinner): up to 10 frame bitmaps shown one after
// another every 300 ms from Start until Stop, drawn over the layer's text. It swallows presses.
#pragma once

#include "wceui/core/CWceUiLayer.h"
#include "wceui/resfiles/CWceUiLoadBitmap.h"

constexpr WORD kWceLoadingTimerId = 5397;
constexpr UINT kWceLoadingFrameMs = 300;

class CWceLoading : public CWceUiLayer {
 public:
  static constexpr int kFrameHolders = 10;

  CWceLoading();
  ~CWceLoading() override;

  // "res_count" frames named "res_name_1" ...; a count past the holders loops over the held ones.
  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnInitLayer() override {}
  void OnTimer(WORD nTimerId) override;
  void OnLButtonDown(UINT /*nFlags*/, int /*x*/, int /*y*/) override {}
  void OnLButtonUp(UINT /*nFlags*/, int /*x*/, int /*y*/) override {}
  void OnMouseMove(UINT /*nFlags*/, int /*x*/, int /*y*/) override {}
  void OnDrawText(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap) override;

  // Starting a running animation changes nothing.
  void Start();
  void Stop();
  int GetFrameCount() const { return m_nFrameCount; }
  int GetCurFrame() const { return m_nCurFrame; }
  BOOL IsRunning() const { return m_bRunning; }

 private:
  CWceUiLoadBitmap m_aFrames[kFrameHolders];
  int m_nFrameCount = 0;
  int m_nCurFrame = 0;
  BOOL m_bRunning = 0;
};

WCEUI_DYNCREATE_BEGIN(CWceLoading, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceLoading)
