#include "tools/wceui-view/CViewWnd.h"

#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayerCtrl.h"

LRESULT CViewWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kShownMsg) return CWceUiRealWnd::DefWindowProc(msg, wParam, lParam);
  // The paint is queued below posted messages; the picture must hold it.
  UpdateWindow();
  if (!m_fnOnShown || !m_fnOnShown()) EndTopDlg();
  return 0;
}

void CViewWnd::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (nChar == VK_ESCAPE) {
    EndTopDlg();
    return;
  }
  CWceUiRealWnd::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CViewWnd::EndTopDlg() {
  CWceUiLayer* pTop = GetLayerCtrl()->RootLayer()->GetLastChild();
  if (pTop != nullptr && pTop->IsKindOf(WCEUI_CLASS_NAME(CWceUiDlg)))
    static_cast<CWceUiDlg*>(pTop)->EndDialog(0);
}
