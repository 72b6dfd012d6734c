#include "app/widgets/MovableContainer.h"

#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/resfiles/CWceUiXmlElem.h"

#include <algorithm>
#include "platform/kernel/wcestr.h"

MovableContainer::MovableContainer() {
  SetClassName(WCEUI_CLASS_NAME(MovableContainer));
}

MovableContainer::~MovableContainer() = default;

void MovableContainer::SetProperties(CWceUiXmlElem* pCreateElem) {
  CWceUiLayer::SetProperties(pCreateElem);
  LPCWSTR pMax = pCreateElem != nullptr ? pCreateElem->GetAttribute(u"maxmov") : nullptr;
  if (pMax != nullptr) m_nMaxOffset = static_cast<int>(wcstol(pMax, nullptr, 10));
}

void MovableContainer::OnLButtonDown(UINT /*nFlags*/, int x, int y) {
  m_ptPress = {x, y};
  m_bPressed = 1;
  SetCapture();
  if (m_bChildrenRecorded) return;
  // The places the style gave, before any move: every later move counts from them.
  for (CWceUiLayer* p = GetFirstChild(); p != nullptr; p = NextChild(p)) {
    RECT rc;
    p->GetStyle()->GetPosition(&rc);
    m_Children.push_back(p);
    m_ChildRects.push_back(rc);
  }
  m_bChildrenRecorded = true;
}

void MovableContainer::OnMouseMove(UINT /*nFlags*/, int x, int y) {
  if (!m_bPressed) return;
  MoveBy(y - m_ptPress.y);
  m_ptPress = {x, y};
}

void MovableContainer::OnLButtonUp(UINT /*nFlags*/, int x, int y) {
  ReleaseCapture();
  if (!m_bPressed) return;
  MoveBy(y - m_ptPress.y);
  m_bPressed = 0;
  m_ptPress = {x, y};
}

void MovableContainer::OnChildClick(CWceUiLayer* pChild) {
  CWceUiLayer* pOwner = GetOwnerLayer();
  if (pOwner != this) pOwner->OnChildClick(pChild);
}

void MovableContainer::MoveBy(int dy) {
  const int nOffset = std::min(std::max(m_nOffset - dy, 0), std::max(m_nMaxOffset, 0));
  if (nOffset == m_nOffset) return;
  m_nOffset = nOffset;
  for (size_t i = 0; i < m_Children.size(); ++i) {
    CWceUiLayer* pChild = m_Children[i];
    RECT rc = m_ChildRects[i];
    OffsetRect(&rc, 0, -m_nOffset);
    RECT rcNow;
    const int nWay = pChild->GetStyle()->GetPosition(&rcNow);
    pChild->GetStyle()->SetPosition(&rc, nWay);
    // The common style keeps the place too, so a style applied later does not undo the move.
    pChild->GetCommonStyle()->SetPosition(&rc, nWay);
    pChild->GetCommonStyle()->SetHas(kStyleHasPosition, 1);
  }
  WceUiRedrawLayerNow(this);
}
