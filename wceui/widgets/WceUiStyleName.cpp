#include "wceui/widgets/WceUiStyleName.h"

#include "platform/kernel/wcestr.h"
#include "wceui/core/CWceUiLayer.h"

void WceUiSetStyleName(WCHAR (&szName)[kWceUiStyleNameChars], LPCWSTR pName) {
  szName[0] = 0;
  if (pName == nullptr) return;
  wcsncpy(szName, pName, kWceUiStyleNameChars - 1);
  szName[kWceUiStyleNameChars - 1] = 0;
}

void WceUiApplyStyleKeepRect(CWceUiLayer* pLayer, LPCWSTR pStyleName) {
  if (pLayer == nullptr || pStyleName == nullptr || *pStyleName == 0) return;
  RECT rc;
  pLayer->GetWindowRect(&rc);
  pLayer->SetStyle(pStyleName);
  pLayer->MoveLayer(&rc, TRUE);
}
