#include "platform/user/CMessageRegistry.h"

#include "platform/kernel/wcestr.h"

namespace {
const UINT kFirstRegistered = 0xC000;
const UINT kLastRegistered = 0xFFFF;
}  // namespace

CMessageRegistry& CMessageRegistry::GetInstance() {
  // Never destroyed: static initialisers of other files register messages before main and
  // threads may still post while the process winds down.
  static CMessageRegistry* instance = new CMessageRegistry();
  return *instance;
}

UINT CMessageRegistry::Register(LPCWSTR name) {
  if (name == nullptr || name[0] == 0) return 0;
  std::lock_guard<std::mutex> lock(m_mutex);
  for (size_t i = 0; i < m_names.size(); ++i) {
    if (_wcsicmp(m_names[i].c_str(), name) == 0) return kFirstRegistered + static_cast<UINT>(i);
  }
  if (m_names.size() > kLastRegistered - kFirstRegistered) return 0;
  m_names.emplace_back(name);
  return kFirstRegistered + static_cast<UINT>(m_names.size() - 1);
}

std::u16string CMessageRegistry::Name(UINT msg) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (msg < kFirstRegistered || msg - kFirstRegistered >= m_names.size()) return std::u16string();
  return m_names[msg - kFirstRegistered];
}

void CMessageRegistry::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_names.clear();
}
