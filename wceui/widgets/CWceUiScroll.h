// A scroll bar built by a dialog file: a container layer with a child "thumb" (CWceUiScrThumb), a
// child "page" (the track, CWceUiScrPage) and arrow buttons (CWceUiScrBtn) named "left", "right",
// "up" or "down". The parts talk to each other through the bar, and the bar reports every user
// action to its owner layer through the layer's scroll notifications, with itself as argument.
//   <bar type="CWceUiScroll" scroll-type="V" auto-hide="true"> <thumb .../> <page .../> </bar>
#pragma once

#include "wceui/core/CWceUiLayer.h"

class CWceUiScrPage;
class CWceUiScrThumb;

// Axis of a bar and of its thumb and track.
enum WceUiScrollType : int {
  kWceUiScrollHorizontal = 1,
  kWceUiScrollVertical = 2,
  kWceUiScrollNone = 3,
};

// A step an arrow button asks for.
enum WceUiScrollStep : int {
  kWceUiScrollStepLine = 1,
  kWceUiScrollStepPage = 2,
};

// Which arrow a button is, from its layer name.
enum WceUiScrollRole : int {
  kWceUiScrollRoleUp = 1,
  kWceUiScrollRoleDown = 2,
  kWceUiScrollRoleLeft = 3,
  kWceUiScrollRoleRight = 4,
  kWceUiScrollRoleNone = 5,
};

class CWceUiScroll : public CWceUiLayer {
 public:
  // Track notifications closer together than this are dropped; the position one never is.
  static constexpr DWORD kTrackIntervalMs = 100;
  // The last reported thumb coordinate before the first report.
  static constexpr int kNoCoordinate = static_cast<int>(0x80000001u);

  CWceUiScroll();
  ~CWceUiScroll() override;

  // The bar a part (thumb, track, arrow) stands in: its parent when that is a bar.
  static CWceUiScroll* BarOf(CWceUiLayer* pPart);
  // The axis a part takes from the bar it stands in (kWceUiScrollNone outside a bar).
  static int AxisOf(CWceUiLayer* pPart);

  // "scroll-type" H or V (required), "auto-hide" true; the bar then becomes a container.
  void SetProperties(CWceUiXmlElem* pCreateElem) override;

  int GetScrollType() const { return m_nScrollType; }
  BOOL IsAutoHide() const { return m_bAutoHide; }
  // The children by name, found on first use.
  CWceUiScrThumb* GetThumb();
  CWceUiScrPage* GetPage();

  // The owner hears of the thumb's left (horizontal) or top (vertical) while it is dragged, at
  // most once in kTrackIntervalMs and only when it moved since the last report.
  void NotifyThumbTrack();
  // The owner hears where the thumb came to rest.
  void NotifyThumbPosition();
  // A page toward larger (bForward) or smaller coordinates along the bar's axis.
  void NotifyPage(BOOL bForward);
  // One step of an arrow button (WceUiScrollStep, WceUiScrollRole).
  void NotifyStep(int nStep, int nRole);

  // Values kept for the owner; the bar's own code does not read them.
  int m_nOwnerValue1 = 1;
  int m_nOwnerValue2 = 100;
  int m_nOwnerValue3 = 20;
  RECT m_rcOwner = {-66666, -66666, -66666, -66666};

 private:
  // The thumb's left or top by the bar's axis; FALSE without a thumb or an axis.
  BOOL ThumbCoordinate(int* pCoordinate);
  // The owner's track (bTrack) or position notification of the bar's axis.
  void CallThumbNote(BOOL bTrack);

  int m_nScrollType = kWceUiScrollNone;
  BOOL m_bAutoHide = 0;
  int m_nLastCoordinate = kNoCoordinate;
  DWORD m_dwLastTrackTick = 0;
  CWceUiScrPage* m_pPage = nullptr;
  CWceUiScrThumb* m_pThumb = nullptr;
};

WCEUI_DYNCREATE_BEGIN(CWceUiScroll, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceUiScroll)
