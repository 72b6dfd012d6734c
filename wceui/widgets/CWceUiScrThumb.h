// The thumb of a scroll bar: dragged along the bar's axis within its range, it reports its track
// to the bar while it moves and its position when released. Its style may stretch a middle piece
// "var" between two fixed ends "fix_1" and "fix_2".
//   <thumb type="CWceUiScrThumb" style="thumb" drag.style="thumb_drag" readonly="false"/>
#pragma once

#include "wceui/core/CWceUiLayer.h"
#include "wceui/widgets/WceUiStyleName.h"

class CWceUiScroll;

class CWceUiScrThumb : public CWceUiLayer {
 public:
  static constexpr int kRangeMin = static_cast<int>(0x80000001u);
  static constexpr int kRangeMax = 0x7FFFFFFF;
  // Where no drag point is.
  static constexpr int kNoPoint = -65535;

  CWceUiScrThumb();
  ~CWceUiScrThumb() override;

  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnLoseCapture() override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;
  void OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw) override;

  // The thumb's left and top in window coordinates stay within these ranges.
  void SetXRange(int nMin, int nMax);
  void SetYRange(int nMin, int nMax);
  int GetDirection() const { return m_nDirection; }
  BOOL IsDragging() const { return m_bDragging; }
  BOOL IsReadOnly() const { return m_bReadOnly; }
  // Puts the thumb's left (horizontal) or top (vertical) at the point, within its range; nothing
  // for a thumb without an axis.
  void PlaceAt(int x, int y);

 private:
  CWceUiScroll* GetBar();
  void DragTo(int x, int y);
  void EndDrag(BOOL bNotify, int x, int y);
  // The thumb moved: the track under it is repainted.
  void InvalidatePage();

  BOOL m_bMayMoveX = 1;
  BOOL m_bMayMoveY = 1;
  int m_nMinX = kRangeMin;
  int m_nMaxX = kRangeMax;
  int m_nMinY = kRangeMin;
  int m_nMaxY = kRangeMax;
  int m_nDirection = 3;
  WCHAR m_szDragStyle[kWceUiStyleNameChars] = {};
  WCHAR m_szNormalStyle[kWceUiStyleNameChars] = {};
  POINT m_ptLast = {kNoPoint, kNoPoint};
  BOOL m_bDragging = 0;
  BOOL m_bReadOnly = 0;
  CWceUiScroll* m_pBar = nullptr;
};

WCEUI_DYNCREATE_BEGIN(CWceUiScrThumb, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceUiScrThumb)
