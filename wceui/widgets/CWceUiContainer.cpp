#include "wceui/widgets/CWceUiContainer.h"

CWceUiContainer::CWceUiContainer() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiContainer));
}

CWceUiContainer::~CWceUiContainer() = default;

void CWceUiContainer::OnLButtonDown(UINT nFlags, int x, int y) {
  if (GetParent() != nullptr) GetParent()->OnLButtonDown(nFlags, x, y);
}

void CWceUiContainer::OnLButtonUp(UINT nFlags, int x, int y) {
  if (GetParent() != nullptr) GetParent()->OnLButtonUp(nFlags, x, y);
}

void CWceUiContainer::OnMouseMove(UINT nFlags, int x, int y) {
  if (GetParent() != nullptr) GetParent()->OnMouseMove(nFlags, x, y);
}

void CWceUiContainer::OnChildClick(CWceUiLayer* pChild) {
  // A container with no owner above it is its own owner: the click ends here.
  CWceUiLayer* pOwner = GetOwnerLayer();
  if (pOwner != this) pOwner->OnChildClick(pChild);
}
