// A group whose children the finger drags up by as much as "maxmov" pixels and back down. The
// children's places are taken at the first press and every move puts them back there, raised by
// the offset. Clicks of the children go to the owner, as a container's do.
//   <group type="MovableContainer" maxmov="120"> ... </group>
#pragma once

#include "wceui/core/CWceUiLayer.h"

#include <vector>

class MovableContainer : public CWceUiLayer {
 public:
  MovableContainer();
  ~MovableContainer() override;

  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;
  void OnChildClick(CWceUiLayer* pChild) override;

  // The finger moved dy pixels down (up when negative): the children follow, within
  // 0 ... the maximum offset above their places.
  void MoveBy(int dy);
  int GetOffset() const { return m_nOffset; }
  int GetMaxOffset() const { return m_nMaxOffset; }

 private:
  POINT m_ptPress = {0, 0};
  BOOL m_bPressed = 0;
  bool m_bChildrenRecorded = false;
  int m_nOffset = 0;
  int m_nMaxOffset = 0;
  std::vector<CWceUiLayer*> m_Children;
  std::vector<RECT> m_ChildRects;
};

WCEUI_DYNCREATE_BEGIN(MovableContainer, CWceUiLayer)
WCEUI_DYNCREATE_END(MovableContainer)
