#include "engine/CSingleInstance.h"

#include "engine/EngineLog.h"

namespace {
// The list of every storage, built as the storages are constructed: with the engine session,
// during static initialisation, which runs on one thread before main; read-only afterwards.
CSingleInstanceBase* s_pFirst = nullptr;
CSingleInstanceBase** s_ppLast = &s_pFirst;
}  // namespace

CSingleInstanceBase::CSingleInstanceBase(const char* name) : m_pszName(name) {
  *s_ppLast = this;
  s_ppLast = &m_pNext;
}

CSingleInstanceBase* CSingleInstanceBase::First() {
  return s_pFirst;
}

void CSingleInstanceBase::OpenAll() {
  for (CSingleInstanceBase* p = s_pFirst; p != nullptr; p = p->m_pNext) {
    std::lock_guard<std::mutex> lock(p->m_Lock);
    p->m_bClosed.store(false);
  }
}

void CSingleInstanceBase::LogRefused() const {
  EngineLog("!!!!!!! %s used after its destruction: nothing made \n", m_pszName);
}
