#include "engine/CConnectProgress.h"

#include "engine/CorvaneEngineSession.h"

#include <atomic>
#include <new>

namespace {
std::atomic<CConnectProgress*>& Slot() {
  return g_CorvaneEngineSession.m_Sequencer.m_pProgress;
}
}  // namespace

CConnectProgress* CConnectProgress::Instance() {
  CConnectProgress* p = Slot().load();
  if (p != nullptr) return p;
  CConnectProgress* made = new (std::nothrow) CConnectProgress();
  if (made == nullptr) return nullptr;
  if (!Slot().compare_exchange_strong(p, made)) {
    delete made;
    return p;
  }
  return made;
}

void CConnectProgress::Free() {
  delete Slot().exchange(nullptr);
}

void CConnectProgress::Clear() {
  for (int i = 0; i < 4; ++i) m_nWord[i] = 0;
}
