// A horizontal ruler the user drags, or flicks a page at a time, under a fixed centre mark to
// choose a value. Its owner sets the scale (pixels and value per tick), the range, the number of
// pages and the labels; the ruler posts kWceRulingProgressMsg to its window on every change.
//   <ruler type="CWceRulingProgress" linebk="bk" lines="short" lineh="long" linethumb="mark"/>
#pragma once

#include "wceui/core/CWceUiLayer.h"
#include "wceui/resfiles/CWceUiLoadBitmap.h"

#include <string>
#include <vector>

// Posted to the window: wParam the ruler, lParam a WceRulingNote.
constexpr UINT kWceRulingProgressMsg = 0x83EA;

enum WceRulingNote : LPARAM {
  kWceRulingPressed = 0,
  kWceRulingMoved = 1,     // a drag move or a step of a page move
  kWceRulingReleased = 2,  // the release of a slow drag
};

class CWceRulingProgress : public CWceUiLayer {
 public:
  static constexpr WORD kPageTimer = 1;
  static constexpr UINT kPageStepMs = 50;
  // A release this soon after the press and this far from it flicks a page.
  static constexpr DWORD kFlickMs = 500;
  static constexpr int kFlickPixels = 50;
  // Every fifth tick from the minimum is a long one.
  static constexpr int kLongTickEvery = 5;

  enum PageMode { kPageNone = 0, kPageDown = 1, kPageUp = 2 };

  CWceRulingProgress();
  ~CWceRulingProgress() override;

  // "linebk" (background), "lines" (short tick), "lineh" (long tick), "linethumb" (centre mark).
  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnInitLayer() override;
  void OnTimer(WORD nTimerId) override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;
  void OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw) override;

  // The owner's settings. While the tick spacing or the tick value is 0 the ruler neither moves
  // nor draws ticks; while the page count is 0 it does not page.
  void SetScale(int nTickSpacing, int nTickValue);
  void SetRange(int nMin, int nMax);
  void SetPosition(int nPosition);
  void SetPageCount(int nPageCount) { m_nPageCount = nPageCount; }
  void SetDisabled(BOOL bDisabled) { m_bDisabled = bDisabled; }
  void AddLabel(int nValue, LPCWSTR pText);

  int GetPosition() const { return m_nPosition; }
  int GetPageMode() const { return m_nPageMode; }
  int GetTarget() const { return m_nTarget; }
  BOOL IsPressed() const { return m_bPressed; }

 private:
  struct Label {
    int m_nValue;
    std::u16string m_strText;
    SIZE m_Extent;  // measured on first drawing
    BOOL m_bMeasured;
  };

  // The position moved by the finger's segment from the last point to x.
  void MoveBySegment(int x);
  void Post(LPARAM lNote);
  BOOL CanMove() const { return m_nTickSpacing != 0 && m_nTickValue != 0; }
  void DrawScale(CWceUiGenericBitmap* pWndBmp, const RECT& rcClip);

  int m_nTickSpacing = 0;
  int m_nTickValue = 0;
  int m_nMin = 0;
  int m_nMax = 0;
  int m_nPosition = 0;
  int m_nPageCount = 0;
  BOOL m_bDisabled = 0;
  BOOL m_bPressed = 0;
  POINT m_ptLast = {0, 0};
  DWORD m_dwPressTick = 0;
  POINT m_ptPress = {0, 0};
  std::vector<Label> m_Labels;
  int m_nPageMode = kPageNone;
  int m_nTarget = 0;
  CWceUiLoadBitmap m_BmpBack;
  CWceUiLoadBitmap m_BmpShort;
  CWceUiLoadBitmap m_BmpLong;
  CWceUiLoadBitmap m_BmpMark;
  CWceUiGenericBitmap* m_pBack = nullptr;
  CWceUiGenericBitmap* m_pShort = nullptr;
  CWceUiGenericBitmap* m_pLong = nullptr;
  CWceUiGenericBitmap* m_pMark = nullptr;
};

WCEUI_DYNCREATE_BEGIN(CWceRulingProgress, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceRulingProgress)
