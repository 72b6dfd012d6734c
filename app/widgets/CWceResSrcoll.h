// A tall picture made of up to 8 bitmaps stacked top to bottom, which the finger scrolls up and
// down inside the layer.
//   <pic type="CWceResSrcoll" res_count="2" res_name_1="top.conf" res_name_2="bottom.conf"/>
#pragma once

#include "wceui/resfiles/CWceUiLoadBitmap.h"
#include "wceui/widgets/CWceUiScrollLayer.h"

class CWceResSrcoll : public CWceUiScrollLayer {
 public:
  static constexpr int kBitmapHolders = 8;

  CWceResSrcoll();
  ~CWceResSrcoll() override;

  // "res_count" bitmaps (at most 8 held) named "res_name_1" ...; the picture's height is the sum
  // of the heights of those that loaded.
  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnInitLayer() override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;
  void OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw) override;

  // Pixels of the picture above the layer's top.
  int GetScrollPos() const { return m_nScrollPos; }
  int GetPictureHeight() const { return m_nPictureHeight; }
  int GetBitmapCount() const { return m_nBitmapCount; }
  BOOL IsAlpha() const { return m_bAlpha; }

 private:
  POINT m_ptPress = {0, 0};
  POINT m_ptLast = {0, 0};
  BOOL m_bPressed = 0;
  int m_nScrollPos = 0;
  int m_nPictureHeight = 0;
  CWceUiLoadBitmap m_aBitmaps[kBitmapHolders];
  int m_nBitmapCount = 0;
  BOOL m_bAlpha = 0;
};

WCEUI_DYNCREATE_BEGIN(CWceResSrcoll, CWceUiScrollLayer)
WCEUI_DYNCREATE_END(CWceResSrcoll)
