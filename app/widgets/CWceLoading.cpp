#include "app/widgets/CWceLoading.h"

#include "app/widgets/WceAppFrames.h"

CWceLoading::CWceLoading() {
  SetClassName(WCEUI_CLASS_NAME(CWceLoading));
}

CWceLoading::~CWceLoading() = default;

void CWceLoading::SetProperties(CWceUiXmlElem* pCreateElem) {
  const int nCount = WceAppReadFrames(pCreateElem, m_aFrames, kFrameHolders, nullptr);
  m_nFrameCount = nCount < kFrameHolders ? nCount : kFrameHolders;
  CWceUiLayer::SetProperties(pCreateElem);
}

void CWceLoading::Start() {
  if (m_bRunning) return;
  SetTimer(kWceLoadingTimerId, kWceLoadingFrameMs);
  m_bRunning = 1;
}

void CWceLoading::Stop() {
  KillTimer(kWceLoadingTimerId);
  m_bRunning = 0;
}

void CWceLoading::OnTimer(WORD nTimerId) {
  if (nTimerId != kWceLoadingTimerId) return;
  // With no frames the index stays at the first one, which draws nothing.
  if (m_nFrameCount <= 0) return;
  ++m_nCurFrame;
  if (m_nCurFrame >= m_nFrameCount) m_nCurFrame = 0;
  InvalidateRect(nullptr);
}

void CWceLoading::OnDrawText(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap) {
  CWceUiLayer::OnDrawText(pDrawBitmap, bOwnBitmap);
  if (m_nCurFrame < 0 || m_nCurFrame >= m_nFrameCount) return;
  WceAppDrawFrame(this, pDrawBitmap, bOwnBitmap, m_aFrames[m_nCurFrame].GetBitmap(), TRUE);
}
