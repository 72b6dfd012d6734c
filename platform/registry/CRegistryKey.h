// One key of the registry tree, with its sub keys and values.
#pragma once

#include "platform/kernel/wcestr.h"
#include "platform/kernel/wcetypes.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// Orders names the way the registry compares them: without regard to ASCII case. A map with
// this order finds a name in any spelling and keeps the spelling it was inserted with.
struct CRegistryNameLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  }
};

struct CRegistryValue {
  DWORD m_dwType = 0;
  std::vector<BYTE> m_Data;
};

struct CRegistryKey {
  std::map<std::u16string, std::shared_ptr<CRegistryKey>, CRegistryNameLess> m_SubKeys;
  std::map<std::u16string, CRegistryValue, CRegistryNameLess> m_Values;
  size_t m_nDepth = 0;  // 0 for a root
  // Set on the key and everything below it when it is deleted, so that handles still open on
  // it fail instead of writing into a detached tree.
  bool m_bDeleted = false;
};
