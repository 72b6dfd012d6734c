// The root of every object of the UI framework: it carries its run-time class name, and with the
// class registry it can be created from that name and asked what it derives from.
// Member names follow the house table in platform/kernel/wcetypes.h.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CWceUiClassRegistrar.h"

class CWceUiObject {
 public:
  CWceUiObject();
  virtual ~CWceUiObject();

  // The name must live as long as the object (a literal); the object never frees it.
  void SetClassName(LPCWSTR pClassName);
  LPCWSTR GetClassName() const { return m_pClassName; }
  // The object's own class name is TRUE without asking the registry; otherwise the registered
  // base chain of the object's class must reach the record of pBaseClassName.
  BOOL IsKindOf(LPCWSTR pBaseClassName) const;

 private:
  DWORD m_dwReserved = 0;
  LPCWSTR m_pClassName;
};

WCEUI_DYNCREATE_BEGIN(CWceUiObject, 0)
WCEUI_DYNCREATE_END(CWceUiObject)
