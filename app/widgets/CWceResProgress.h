// A frame animation that runs once per start (the "starting" progress): a frame every 65 ms, the
// layer's own background images shown again for the last two frames and when it is not running;
// at the end it posts "WCEUI_RESPRO_END" (0, 0) to its window.
#pragma once

#include "wceui/core/CWceUiLayer.h"
#include "wceui/resfiles/CWceUiLoadBitmap.h"

constexpr WORD kWceResProgressTimerId = 5654;
constexpr UINT kWceResProgressFrameMs = 65;

class CWceResProgress : public CWceUiLayer {
 public:
  static constexpr int kFrameHolders = 16;

  CWceResProgress();
  ~CWceResProgress() override;

  // "res_count" frames named "res_name_1" ...; frames past the holders are empty but still take
  // their time. Frames stored with per-pixel alpha (the last name has "32a.conf" or "565a.conf")
  // are blended, others copied.
  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnInitLayer() override {}
  void OnTimer(WORD nTimerId) override;
  void OnLButtonDown(UINT /*nFlags*/, int /*x*/, int /*y*/) override {}
  void OnLButtonUp(UINT /*nFlags*/, int /*x*/, int /*y*/) override {}
  void OnMouseMove(UINT /*nFlags*/, int /*x*/, int /*y*/) override {}
  void OnDrawBgImgs(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap) override;

  // From the first frame; starting a running animation changes nothing.
  void Start();
  int GetFrameCount() const { return m_nFrameCount; }
  int GetCurFrame() const { return m_nCurFrame; }
  BOOL IsRunning() const { return m_bRunning; }
  BOOL IsAlpha() const { return m_bAlpha; }

 private:
  void End();

  CWceUiLoadBitmap m_aFrames[kFrameHolders];
  int m_nFrameCount = 0;
  int m_nCurFrame = 0;
  BOOL m_bRunning = 0;
  BOOL m_bAlpha = 0;
};

WCEUI_DYNCREATE_BEGIN(CWceResProgress, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceResProgress)
