#include "user/CMessageRegistry.h"

#include "kernel/wcestr.h"

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
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < names_.size(); ++i) {
    if (_wcsicmp(names_[i].c_str(), name) == 0) return kFirstRegistered + static_cast<UINT>(i);
  }
  if (names_.size() > kLastRegistered - kFirstRegistered) return 0;
  names_.emplace_back(name);
  return kFirstRegistered + static_cast<UINT>(names_.size() - 1);
}

std::u16string CMessageRegistry::Name(UINT msg) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (msg < kFirstRegistered || msg - kFirstRegistered >= names_.size()) return std::u16string();
  return names_[msg - kFirstRegistered];
}

void CMessageRegistry::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  names_.clear();
}
