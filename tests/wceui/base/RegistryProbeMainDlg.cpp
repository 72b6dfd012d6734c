// A class that nothing refers to by symbol: it reaches the registry only through its static
// registrar, as an application's dialog that is created from its dialog file's name. It lives in a
// library of its own, which a program keeps whole only when linked through wceui_link_classes.
#include "tests/wceui/base/RegistryProbeClasses.h"

class CProbeMainDlg : public CProbeDlg {
 public:
  CProbeMainDlg() { SetClassName(WCEUI_CLASS_NAME(CProbeMainDlg)); }
};
WCEUI_DYNCREATE_BEGIN(CProbeMainDlg, CProbeDlg)
WCEUI_DYNCREATE_END(CProbeMainDlg)

// Registered before its base, which only this unit's later registrar fills in.
class CProbeLateBase : public CWceUiObject {
 public:
  CProbeLateBase() { SetClassName(WCEUI_CLASS_NAME(CProbeLateBase)); }
};
class CProbeEarly : public CProbeLateBase {
 public:
  CProbeEarly() { SetClassName(WCEUI_CLASS_NAME(CProbeEarly)); }
};
WCEUI_DYNCREATE_BEGIN(CProbeEarly, CProbeLateBase)
WCEUI_DYNCREATE_END(CProbeEarly)
WCEUI_DYNCREATE_BEGIN(CProbeLateBase, CWceUiObject)
WCEUI_DYNCREATE_END(CProbeLateBase)
