#include "wceui/base/CWceUiPtrMap.h"

#include "wceui/base/CWceUiPlex.h"

#include <new>

CWceUiPtrMap::CWceUiPtrMap(UINT nHashSize, UINT nBlockSize)
    : m_nHashTableSize(nHashSize != 0 ? nHashSize : kDefaultHashSize),
      m_nBlockSize(nBlockSize != 0 ? nBlockSize : kDefaultBlockSize) {}

CWceUiPtrMap::~CWceUiPtrMap() {
  RemoveAll();
}

CWceUiPtrMap::CAssoc* CWceUiPtrMap::GetAssocAt(const void* key, uintptr_t nHash) const {
  if (m_pHashTable == nullptr) return nullptr;
  for (CAssoc* p = m_pHashTable[nHash % m_nHashTableSize]; p != nullptr; p = p->m_pNext) {
    if (p->m_pKey == key) return p;
  }
  return nullptr;
}

BOOL CWceUiPtrMap::Lookup(const void* key, void*& rValue) const {
  CAssoc* p = GetAssocAt(key, HashKey(key));
  if (p == nullptr) return 0;
  rValue = p->m_pValue;
  return 1;
}

CWceUiPtrMap::CAssoc* CWceUiPtrMap::NewAssoc() {
  return CWceUiPlex::TakeNode(m_pBlocks, m_pFreeList, m_nBlockSize);
}

BOOL CWceUiPtrMap::SetAt(const void* key, void* value) {
  uintptr_t nHash = HashKey(key);
  CAssoc* p = GetAssocAt(key, nHash);
  if (p != nullptr) {
    p->m_pValue = value;
    return 1;
  }
  if (m_pHashTable == nullptr) {
    m_pHashTable = new (std::nothrow) CAssoc*[m_nHashTableSize]();
    if (m_pHashTable == nullptr) return 0;
  }
  p = NewAssoc();
  if (p == nullptr) return 0;
  p->m_nHashValue = nHash;
  p->m_pKey = key;
  p->m_pValue = value;
  CAssoc*& rHead = m_pHashTable[nHash % m_nHashTableSize];
  p->m_pNext = rHead;
  rHead = p;
  ++m_nCount;
  return 1;
}

BOOL CWceUiPtrMap::RemoveKey(const void* key) {
  if (m_pHashTable == nullptr) return 0;
  uintptr_t nHash = HashKey(key);
  for (CAssoc** pp = &m_pHashTable[nHash % m_nHashTableSize]; *pp != nullptr; pp = &(*pp)->m_pNext) {
    CAssoc* p = *pp;
    if (p->m_pKey != key) continue;
    *pp = p->m_pNext;
    p->m_pNext = m_pFreeList;
    m_pFreeList = p;
    --m_nCount;
    if (m_nCount == 0) RemoveAll();
    return 1;
  }
  return 0;
}

void CWceUiPtrMap::RemoveAll() {
  delete[] m_pHashTable;
  m_pHashTable = nullptr;
  m_nCount = 0;
  m_pFreeList = nullptr;
  if (m_pBlocks != nullptr) m_pBlocks->FreeDataChain();
  m_pBlocks = nullptr;
}
