// The framework's string-keyed hash map: keys are UTF-16 text compared with regard to case, values
// are pointers (or numbers kept in one). Nodes come from blocks of the node-block allocator, so a
// map of n entries makes about n / block size allocations. UI thread only; not locked.
#pragma once

#include "platform/kernel/wcetypes.h"

struct CWceUiPlex;

// A place in a walk of a map: kWceUiStrMapStart before the first element, nullptr after the last.
typedef void* WCEUI_POSITION;
#define kWceUiStrMapStart (reinterpret_cast<WCEUI_POSITION>(-1))

class CWceUiStrMap {
 public:
  static constexpr UINT kDefaultHashSize = 17;

  explicit CWceUiStrMap(UINT nBlockSize = 10);
  ~CWceUiStrMap();
  CWceUiStrMap(const CWceUiStrMap&) = delete;
  CWceUiStrMap& operator=(const CWceUiStrMap&) = delete;

  // Frees the bucket array (the entries must already be gone), keeps the count (0: 17) and, when
  // asked, allocates a zeroed array now.
  void InitHashTable(UINT nHashSize, BOOL bAllocNow = TRUE);
  BOOL Lookup(LPCWSTR pKey, void*& rValue) const;
  // An existing key gets the new value; a new key gets a node at the head of its bucket, its text
  // copied when bCopyKey is set, else borrowed (it must then outlive the entry). 0 when memory ran
  // out (the map is then unchanged).
  BOOL SetAt(LPCWSTR pKey, void* value, BOOL bCopyKey);
  BOOL RemoveKey(LPCWSTR pKey);
  // Yields the element at rPos and moves rPos to the next one (nullptr after the last); elements come
  // bucket by bucket, each bucket from its head. Start with kWceUiStrMapStart.
  void GetNextAssoc(WCEUI_POSITION& rPos, LPCWSTR& rKey, void*& rValue) const;
  // Where a walk starts: nullptr for an empty map, so `while (pos != nullptr)` walks every element.
  WCEUI_POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : kWceUiStrMapStart; }
  // fn(key, value) for every element in GetNextAssoc's order, until fn answers false. fn must not
  // change the map.
  template <class F>
  void ForEach(F fn) const {
    WCEUI_POSITION pos = GetStartPosition();
    while (pos != nullptr) {
      LPCWSTR pKey = nullptr;
      void* pValue = nullptr;
      GetNextAssoc(pos, pKey, pValue);
      if (!fn(pKey, pValue)) return;
    }
  }
  // Frees owned keys, the bucket array and every node block. Values are the owner's to free.
  void RemoveAll();
  int GetCount() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }
  UINT GetHashTableSize() const { return m_nHashTableSize; }

  // h = h * 33 + c over the UTF-16 units, wrapping in 32 bits.
  static DWORD HashKey(LPCWSTR pKey);

 private:
  struct CAssoc {
    CAssoc* m_pNext;
    DWORD m_dwHashValue;
    LPCWSTR m_pKey;
    BOOL m_bKeyOwned;
    void* m_pValue;
  };

  CAssoc* GetAssocAt(LPCWSTR pKey, DWORD nHash) const;
  CAssoc* FirstFrom(UINT nBucket) const;
  CAssoc* NewAssoc();
  void FreeAssoc(CAssoc* pAssoc);

  CAssoc** m_pHashTable = nullptr;
  UINT m_nHashTableSize = kDefaultHashSize;
  int m_nCount = 0;
  CAssoc* m_pFreeList = nullptr;
  CWceUiPlex* m_pBlocks = nullptr;
  UINT m_nBlockSize;
};
