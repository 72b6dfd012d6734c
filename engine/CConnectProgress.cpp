#include "engine/CConnectProgress.h"

#include <atomic>
#include <new>

namespace {
std::atomic<CConnectProgress*> s_pProgress{nullptr};
}

CConnectProgress* CConnectProgress::Instance() {
  CConnectProgress* p = s_pProgress.load();
  if (p != nullptr) return p;
  CConnectProgress* made = new (std::nothrow) CConnectProgress();
  if (made == nullptr) return nullptr;
  if (!s_pProgress.compare_exchange_strong(p, made)) {
    delete made;
    return p;
  }
  return made;
}

void CConnectProgress::Free() {
  delete s_pProgress.exchange(nullptr);
}

void CConnectProgress::Clear() {
  for (int i = 0; i < 4; ++i) m_nWord[i] = 0;
}
