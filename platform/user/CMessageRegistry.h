// Registered window messages: one number per name for the life of the process, so every part of
// the program (and every other program) that registers a name talks about the same message.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <mutex>
#include <string>
#include <vector>

class CMessageRegistry {
 public:
  static CMessageRegistry& GetInstance();

  // 0xC000 + n for the n-th distinct name (ASCII case ignored); 0 for an empty name or when the
  // range up to 0xFFFF is used up.
  UINT Register(LPCWSTR name);
  // The spelling of the first registration; empty for a number that is not a registered message.
  std::u16string Name(UINT msg) const;
  void Reset();

 private:
  CMessageRegistry() = default;

  mutable std::mutex m_Mutex;
  std::vector<std::u16string> m_Names;  // index = message - 0xC000
};
