// Classes for the class registry's tests, declared the way the framework's own are.
#pragma once

#include "wceui/base/CWceUiObject.h"

class CProbeLayer : public CWceUiObject {
 public:
  CProbeLayer() { SetClassName(WCEUI_CLASS_NAME(CProbeLayer)); }
};
WCEUI_DYNCREATE_BEGIN(CProbeLayer, CWceUiObject)
WCEUI_DYNCREATE_END(CProbeLayer)

class CProbeDlg : public CProbeLayer {
 public:
  CProbeDlg() { SetClassName(WCEUI_CLASS_NAME(CProbeDlg)); }
};
WCEUI_DYNCREATE_BEGIN(CProbeDlg, CProbeLayer)
WCEUI_DYNCREATE_END(CProbeDlg)

class CProbeButton : public CProbeLayer {
 public:
  CProbeButton() { SetClassName(WCEUI_CLASS_NAME(CProbeButton)); }
};
WCEUI_DYNCREATE_BEGIN(CProbeButton, CProbeLayer)
WCEUI_DYNCREATE_END(CProbeButton)

// Known to IsKindOf only.
class CProbeAnimate : public CWceUiObject {
 public:
  CProbeAnimate() { SetClassName(WCEUI_CLASS_NAME(CProbeAnimate)); }
};
WCEUI_DYNAMIC_BEGIN(CProbeAnimate, CWceUiObject)
WCEUI_DYNAMIC_END(CProbeAnimate)
