// The class registry: class names mapped to a create function and the record of the base class.
// Every creatable class has a static registrar per source unit that declares it, so the registry
// is complete before WinMain; the declaration macros below write the registrars.
#pragma once

#include "platform/kernel/wcetypes.h"

class CWceUiObject;
typedef CWceUiObject* (*WCEUI_CREATE_FUNC)();

// One per registered class name; never freed. A name first met as some other class's base is a
// placeholder (no create function, no base) until its own registration fills it.
struct CWceUiClassRecord {
  CWceUiClassRecord* m_pBaseRecord;
  WCEUI_CREATE_FUNC m_pfnCreate;
};

// Registers (or registers again) a class. A base name whose first character is '0' means no base.
void WceUiRegisterClass(WCEUI_CREATE_FUNC pfnCreate, LPCWSTR pClassName, LPCWSTR pBaseClassName);
// The record of a name, or none.
CWceUiClassRecord* WceUiFindClassRecord(LPCWSTR pClassName);
// Names known to the registry, placeholders included.
int WceUiGetClassCount();
// A new object of the named class, or NULL (unknown name, a base that never registered, or a class
// not creatable by name). The caller owns the object.
CWceUiObject* WceUiCreateObject(LPCWSTR pClassName);
// The create function of classes that take part in IsKindOf but are not created by name.
CWceUiObject* WceUiCreateNotCreatable();

class CWceUiClassRegistrar {
 public:
  // Each unit that includes a class's declaration registers it again; one that repeats the name
  // registered just before it is skipped.
  CWceUiClassRegistrar(WCEUI_CREATE_FUNC pfnCreate, LPCWSTR pClassName, LPCWSTR pBaseClassName);
};

#define WCEUI_CLASS_NAME(X) (u"" #X)

// After the class's declaration: WCEUI_DYNCREATE_BEGIN(CMyLayer, CWceUiLayer) ... END(CMyLayer)
// makes CMyLayer creatable by name; the DYNAMIC pair only enters it for IsKindOf. A class without
// base names 0.
#define WCEUI_DYNCREATE_BEGIN(Class, Base)                                                          \
  namespace {                                                                                       \
  inline CWceUiObject* WceUiCreate_##Class() {                                                      \
    return new Class;                                                                               \
  }                                                                                                 \
  const CWceUiClassRegistrar g_wceUiRegistrar_##Class(WceUiCreate_##Class, WCEUI_CLASS_NAME(Class), \
                                                      WCEUI_CLASS_NAME(Base));
#define WCEUI_DYNCREATE_END(Class) }

#define WCEUI_DYNAMIC_BEGIN(Class, Base)                                                                \
  namespace {                                                                                           \
  const CWceUiClassRegistrar g_wceUiRegistrar_##Class(WceUiCreateNotCreatable, WCEUI_CLASS_NAME(Class), \
                                                      WCEUI_CLASS_NAME(Base));
#define WCEUI_DYNAMIC_END(Class) }
