// The framework's hash map keyed by a pointer-sized word (a window handle, a message number, a layer
// id). Handles and heap addresses are aligned, so the low four bits say little: the hash is the key
// shifted right by four, and the bucket is that hash modulo the table size. Nodes come from blocks of
// the node-block allocator; when the last entry goes, the table and every block are freed, and the
// next insertion builds the table again. UI thread only; not locked.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdint>

struct CWceUiPlex;

class CWceUiPtrMap {
 public:
  static constexpr UINT kDefaultHashSize = 17;
  static constexpr UINT kDefaultBlockSize = 10;

  explicit CWceUiPtrMap(UINT nHashSize = kDefaultHashSize, UINT nBlockSize = kDefaultBlockSize);
  ~CWceUiPtrMap();
  CWceUiPtrMap(const CWceUiPtrMap&) = delete;
  CWceUiPtrMap& operator=(const CWceUiPtrMap&) = delete;

  BOOL Lookup(const void* key, void*& rValue) const;
  // An existing key gets the new value; a new key gets a node at the head of its bucket. 0 when
  // memory ran out (the map is then unchanged).
  BOOL SetAt(const void* key, void* value);
  BOOL RemoveKey(const void* key);
  // Frees the table and every node block. Values are the owner's to free.
  void RemoveAll();
  int GetCount() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }
  UINT GetHashTableSize() const { return m_nHashTableSize; }

  static uintptr_t HashKey(const void* key) { return reinterpret_cast<uintptr_t>(key) >> 4; }

 private:
  struct CAssoc {
    CAssoc* m_pNext;
    uintptr_t m_nHashValue;
    const void* m_pKey;
    void* m_pValue;
  };

  CAssoc* GetAssocAt(const void* key, uintptr_t nHash) const;
  CAssoc* NewAssoc();

  CAssoc** m_pHashTable = nullptr;
  UINT m_nHashTableSize;
  int m_nCount = 0;
  CAssoc* m_pFreeList = nullptr;
  CWceUiPlex* m_pBlocks = nullptr;
  UINT m_nBlockSize;
};
