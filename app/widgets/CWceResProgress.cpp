#include "app/widgets/CWceResProgress.h"

#include "app/AppWindowMessages.h"
#include "app/widgets/WceAppFrames.h"
#include "engine/CorvaneEngine.h"
#include "platform/kernel/wcestr.h"
#include "wceui/core/CWceUiRealWnd.h"

CWceResProgress::CWceResProgress() {
  SetClassName(WCEUI_CLASS_NAME(CWceResProgress));
}

CWceResProgress::~CWceResProgress() = default;

void CWceResProgress::SetProperties(CWceUiXmlElem* pCreateElem) {
  LPCWSTR pLastName = nullptr;
  m_nFrameCount = WceAppReadFrames(pCreateElem, m_aFrames, kFrameHolders, &pLastName);
  if (WceAppIsAlphaFrameName(pLastName)) {
    m_bAlpha = 1;
    EngineLog("ResProgress Alpha (%d)  \r\n", m_bAlpha);
  }
  CWceUiLayer::SetProperties(pCreateElem);
}

void CWceResProgress::Start() {
  if (m_bRunning) return;
  m_bRunning = 1;
  SetTimer(kWceResProgressTimerId, kWceResProgressFrameMs);
  m_nCurFrame = 0;
}

void CWceResProgress::End() {
  m_nCurFrame = 0;
  m_bRunning = 0;
  KillTimer(kWceResProgressTimerId);
  WceUiPostToLayerWindow(this, WCEUI_RESPRO_END, 0, 0);
}

void CWceResProgress::OnTimer(WORD nTimerId) {
  if (nTimerId != kWceResProgressTimerId) return;
  // Compared with >=, so a progress of no frames ends on its first tick instead of never.
  if (++m_nCurFrame >= m_nFrameCount) End();
  InvalidateRect(nullptr);
}

void CWceResProgress::OnDrawBgImgs(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap) {
  if (!m_bRunning || m_nCurFrame >= m_nFrameCount - 2) CWceUiLayer::OnDrawBgImgs(pDrawBitmap, bOwnBitmap);
  if (m_nCurFrame < 0 || m_nCurFrame >= kFrameHolders || m_nCurFrame >= m_nFrameCount) return;
  WceAppDrawFrame(this, pDrawBitmap, bOwnBitmap, m_aFrames[m_nCurFrame].GetBitmap(), m_bAlpha);
}
