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
  std::lock_guard<std::mutex> lock(m_Mutex);
  for (size_t i = 0; i < m_Names.size(); ++i) {
    if (_wcsicmp(m_Names[i].c_str(), name) == 0) return kFirstRegistered + static_cast<UINT>(i);
  }
  if (m_Names.size() > kLastRegistered - kFirstRegistered) return 0;
  m_Names.emplace_back(name);
  return kFirstRegistered + static_cast<UINT>(m_Names.size() - 1);
}

std::u16string CMessageRegistry::Name(UINT msg) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (msg < kFirstRegistered || msg - kFirstRegistered >= m_Names.size()) return std::u16string();
  return m_Names[msg - kFirstRegistered];
}

void CMessageRegistry::Reset() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Names.clear();
}
