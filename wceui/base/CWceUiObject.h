// The root of every object of the UI framework: it carries its run-time class name, and with the
// class registry it can be created from that name and asked what it derives from.
//
// Members of the framework's classes and structs carry m_ and a type letter: b flag, n int, count,
// size or enumeration, dw DWORD, w WORD, by BYTE, cr COLORREF, h handle, p pointer, pfn function
// pointer, sz character array, str string, rc RECT, pt POINT; an array of numbers takes its element's
// letter (m_dwSector) or a (m_aMsgs), a framework DWORD array arr; an object or container takes a
// capital (m_Style, m_Map). Fields that mirror a system structure keep the system's names (bmiHeader).
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
