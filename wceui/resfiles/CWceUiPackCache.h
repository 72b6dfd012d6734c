// The opened resource packs, one object a pack path (lower case), kept for the life of the
// framework's globals holder, which owns the cache. UI thread only; not locked.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CWceUiStrMap.h"

class CWceUiPackFile;

class CWceUiPackCache {
 public:
  CWceUiPackCache() = default;
  ~CWceUiPackCache();
  CWceUiPackCache(const CWceUiPackCache&) = delete;
  CWceUiPackCache& operator=(const CWceUiPackCache&) = delete;

  // The pack object of a pack, found by its lower-case path, created (not yet loaded, opening the
  // path as written) on first request; nullptr when memory ran out.
  CWceUiPackFile* GetPack(LPCWSTR pKey, LPCWSTR pPackPath);
  // Clears and deletes every pack object.
  void RemoveAll();
  int GetCount() const { return m_Map.GetCount(); }

 private:
  CWceUiStrMap m_Map;
};
