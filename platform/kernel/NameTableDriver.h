// The table of functions that stands between this process's kernel name table and the names held
// by the head unit's other programs. The local driver knows this process only; the shared one
// claims each name under the bus directory for as long as this process has an object of it.
#pragma once

#include <string>

struct NameTableDriver {
  const char* m_pName;
  // This process has just named a new object. True when another program holds the name already
  // (the creator then answers ERROR_ALREADY_EXISTS, as a second instance expects).
  bool (*m_pfnClaim)(const std::u16string& name);
  // The last handle of this process to the named object is closed.
  void (*m_pfnRelease)(const std::u16string& name);
};

const NameTableDriver* LocalNameTableDriver();
const NameTableDriver* SharedNameTableDriver();
