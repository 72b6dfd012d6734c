#include "wceui/widgets/CWceUiScrollLayer.h"

#include "platform/kernel/kernel.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/base/WceUiGeometry.h"

#include <algorithm>
#include <cstdlib>

CWceUiScrollLayer::CWceUiScrollLayer() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiScrollLayer));
}

CWceUiScrollLayer::~CWceUiScrollLayer() = default;

int CWceUiScrollLayer::Extent() const {
  RECT rc;
  GetClientRect(&rc);
  return m_nAxis == kWceUiScrollAxisVertical ? rc.bottom - rc.top : rc.right - rc.left;
}

void CWceUiScrollLayer::SetScrollDirection(int nAxis) {
  if (nAxis == kWceUiScrollAxisHorizontal || nAxis == kWceUiScrollAxisVertical) m_nAxis = nAxis;
}

void CWceUiScrollLayer::ScrollBy(int nDelta, BOOL bRedraw) {
  if (nDelta == 0) return;
  const int nNew = std::min(std::max(m_nOffset + nDelta, m_nMin - m_nOverscroll), m_nMax + m_nOverscroll);
  m_bMoving = 1;
  m_nPrevOffset = m_nOffset;
  m_nOffset = nNew;
  if (m_nThumbLength > 0) {
    // The thumb runs along the track as the offset runs from the minimum to the maximum.
    m_nThumbPos = (Extent() - m_nThumbLength) * (m_nOffset - m_nMin) / (m_nMax - m_nMin);
  }
  if (bRedraw) WceUiRedrawLayerNow(this);
  m_bMoving = 0;
}

void CWceUiScrollLayer::SetScrollRange(int nMin, int nMax, BOOL bRedraw) {
  m_nMin = nMin;
  m_nMax = nMax;
  if (nMax > nMin && nMax >= 1) {
    // The thumb is to the track as the view is to the whole content.
    const int nExtent = Extent();
    m_nThumbLength = std::max(nExtent * nExtent / (nExtent - nMin + nMax), kMinThumbLength);
  } else {
    m_nThumbLength = 0;
  }
  ScrollBy(DeltaIntoRange(), bRedraw);
}

int CWceUiScrollLayer::DeltaIntoRange() const {
  if (m_nOffset < m_nMin) return m_nMin - m_nOffset;
  // A range whose maximum lies below its minimum holds only the minimum, so settling ends.
  if (m_nOffset > std::max(m_nMax, m_nMin)) return std::max(m_nMax, m_nMin) - m_nOffset;
  return 0;
}

void CWceUiScrollLayer::OnLButtonDown(UINT /*nFlags*/, int x, int y) {
  KillTimer(kFlingTimer);
  m_nFlingFrame = 0x7FFFFFFF;
  SetCapture();
  m_nPressOffset = m_nOffset;
  m_bPressed = 1;
  m_bDragging = 0;
  m_ptLast.x = x;
  m_ptLast.y = y;
  m_ptPress = m_ptLast;
  m_dwDragTick = GetTickCount();
}

void CWceUiScrollLayer::OnMouseMove(UINT /*nFlags*/, int x, int y) {
  if (!m_bPressed) return;
  const BOOL bVertical = m_nAxis == kWceUiScrollAxisVertical;
  const int nLast = bVertical ? m_ptLast.y : m_ptLast.x;
  const int nCur = bVertical ? y : x;
  if (!m_bDragging) {
    if (std::abs(nCur - nLast) < kDragThreshold) return;
    m_bDragging = 1;
  }
  ScrollBy(nLast - nCur, TRUE);
  const int nStep = nCur - nLast;
  const BOOL bTurned = (nStep > 0 && m_nDirectionFlag == 0) || (nStep < 0 && m_nDirectionFlag == 1);
  if (bTurned && std::abs(nStep) >= kDragThreshold) {
    m_nDirectionFlag = m_nDirectionFlag == 0 ? 1 : 0;
    m_dwDragTick = GetTickCount();
  }
  m_ptLast.x = x;
  m_ptLast.y = y;
  OnScrollChanged();
}

void CWceUiScrollLayer::OnLButtonUp(UINT /*nFlags*/, int x, int y) {
  const DWORD dwElapsed = GetTickCount() - m_dwDragTick;
  if (m_bDragging && dwElapsed < m_dwNoFlingMs && m_nOffset > m_nMin && m_nOffset < m_nMax) {
    Fling(GetFlingDistance(dwElapsed, x, y));
    if (m_bBlockingFling) Settle(TRUE, TRUE);
  } else {
    Settle(TRUE, TRUE);
  }
  if (m_bPressed) {
    if (m_bDragging) {
      OnDragEnd();
    } else {
      OnClick();
    }
    ReleaseCapture();
    m_bPressed = 0;
    m_bDragging = 0;
  }
  // What the finger did while the content moved was not aimed at where it is now.
  CWceUiRealWnd* pWnd = WceUiLayerRealWnd(this);
  if (pWnd != nullptr) pWnd->IgnoreMsgBeforeTime(0);
}

void CWceUiScrollLayer::OnLoseCapture() {
  if (!m_bPressed) return;
  m_bPressed = 0;
  m_bDragging = 0;
  ReleaseCapture();
  Settle(TRUE, TRUE);
}

int CWceUiScrollLayer::GetFlingDistance(DWORD dwElapsed, int /*x*/, int /*y*/) {
  RECT rc;
  GetClientRect(&rc);
  int nDistance = m_nAxis == kWceUiScrollAxisHorizontal ? (rc.right - rc.left) / 2 : (rc.bottom - rc.top) * 2;
  if (dwElapsed < m_dwFastFlingMs) {
    nDistance *= 2;
  } else if (dwElapsed < m_dwSlowFlingMs) {
  } else if (dwElapsed < m_dwNoFlingMs) {
    nDistance /= 2;
  } else {
    nDistance = 0;
  }
  if (m_nDirectionFlag == 1) return -std::min(nDistance, m_nOffset - (m_nMin - m_nOverscroll));
  return std::min(nDistance, (m_nMax + m_nOverscroll) - m_nOffset);
}

void CWceUiScrollLayer::Fling(int nDistance) {
  if (nDistance == 0) return;
  m_nFlingDistance = nDistance;
  m_nFlingStart = m_nOffset;
  m_nFlingFrame = 0;
  if (!m_bBlockingFling) {
    SetTimer(kFlingTimer, m_dwFlingPeriodMs);
    return;
  }
  for (;;) {
    const DWORD dwStart = GetTickCount();
    const BOOL bMore = FlingStep();
    // Each frame takes one period in all: a slow frame leaves less of it to wait.
    const DWORD dwTaken = GetTickCount() - dwStart;
    if (dwTaken < m_dwFlingPeriodMs) Sleep(m_dwFlingPeriodMs - dwTaken);
    if (!bMore) break;
  }
}

BOOL CWceUiScrollLayer::FlingStep() {
  if (m_nFlingFrame >= m_nFlingFrames) return 0;
  const int nFrame = m_nFlingFrame++;
  const int nStep = CalcAnidisplacement(nFrame, m_nFlingFrames, std::abs(m_nFlingDistance));
  if (nStep != 0) {
    const int nTarget = m_nFlingDistance > 0 ? m_nFlingStart + nStep : m_nFlingStart - nStep;
    ScrollBy(nTarget - m_nOffset, TRUE);
    OnScrollChanged();
  }
  return m_nFlingFrame < m_nFlingFrames;
}

void CWceUiScrollLayer::OnTimer(WORD nTimerId) {
  if (nTimerId != kFlingTimer) return;
  if (FlingStep()) return;
  KillTimer(kFlingTimer);
  Settle(TRUE, TRUE);
}

void CWceUiScrollLayer::Settle(BOOL bAnimate, BOOL bRedraw) {
  const int nDelta = DeltaIntoRange();
  if (!bAnimate) {
    ScrollBy(nDelta, bRedraw);
    OnScrollEnd();
    return;
  }
  if (nDelta == 0) {
    OnScrollEnd();
    return;
  }
  Fling(nDelta);
  // A blocking fling has ended here on the range end it aimed at; the timer's last frame settles
  // by itself.
  if (m_bBlockingFling) OnScrollEnd();
}
