#include "wceui/base/CWceUiStrMap.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/CWceUiPlex.h"

#include <cstring>
#include <new>

CWceUiStrMap::CWceUiStrMap(UINT nBlockSize) : m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}

CWceUiStrMap::~CWceUiStrMap() {
  RemoveAll();
}

DWORD CWceUiStrMap::HashKey(LPCWSTR pKey) {
  DWORD h = 0;
  for (const WCHAR* p = pKey; *p; ++p) h = h * 33 + *p;
  return h;
}

void CWceUiStrMap::InitHashTable(UINT nHashSize, BOOL bAllocNow) {
  delete[] m_pHashTable;
  m_pHashTable = nullptr;
  m_nHashTableSize = nHashSize != 0 ? nHashSize : kDefaultHashSize;
  if (bAllocNow) m_pHashTable = new (std::nothrow) CAssoc*[m_nHashTableSize]();
}

CWceUiStrMap::CAssoc* CWceUiStrMap::GetAssocAt(LPCWSTR pKey, DWORD nHash) const {
  if (m_pHashTable == nullptr) return nullptr;
  for (CAssoc* p = m_pHashTable[nHash % m_nHashTableSize]; p != nullptr; p = p->m_pNext) {
    if (p->m_dwHashValue == nHash && wcscmp(p->m_pKey, pKey) == 0) return p;
  }
  return nullptr;
}

BOOL CWceUiStrMap::Lookup(LPCWSTR pKey, void*& rValue) const {
  CAssoc* p = pKey != nullptr ? GetAssocAt(pKey, HashKey(pKey)) : nullptr;
  if (p == nullptr) return 0;
  rValue = p->m_pValue;
  return 1;
}

CWceUiStrMap::CAssoc* CWceUiStrMap::NewAssoc() {
  return CWceUiPlex::TakeNode(m_pBlocks, m_pFreeList, m_nBlockSize);
}

void CWceUiStrMap::FreeAssoc(CAssoc* pAssoc) {
  if (pAssoc->m_bKeyOwned) delete[] const_cast<WCHAR*>(pAssoc->m_pKey);
  pAssoc->m_pKey = nullptr;
  pAssoc->m_pNext = m_pFreeList;
  m_pFreeList = pAssoc;
  --m_nCount;
}

BOOL CWceUiStrMap::SetAt(LPCWSTR pKey, void* value, BOOL bCopyKey) {
  if (pKey == nullptr) return 0;
  DWORD nHash = HashKey(pKey);
  CAssoc* p = GetAssocAt(pKey, nHash);
  if (p != nullptr) {
    p->m_pValue = value;
    return 1;
  }
  if (m_pHashTable == nullptr) {
    InitHashTable(m_nHashTableSize, TRUE);
    if (m_pHashTable == nullptr) return 0;
  }
  LPCWSTR pStored = pKey;
  if (bCopyKey) {
    size_t n = wcslen(pKey) + 1;
    WCHAR* pCopy = new (std::nothrow) WCHAR[n];
    if (pCopy == nullptr) return 0;
    std::memcpy(pCopy, pKey, n * sizeof(WCHAR));
    pStored = pCopy;
  }
  p = NewAssoc();
  if (p == nullptr) {
    if (bCopyKey) delete[] const_cast<WCHAR*>(pStored);
    return 0;
  }
  p->m_dwHashValue = nHash;
  p->m_pKey = pStored;
  p->m_bKeyOwned = bCopyKey ? 1 : 0;
  p->m_pValue = value;
  CAssoc*& rHead = m_pHashTable[nHash % m_nHashTableSize];
  p->m_pNext = rHead;
  rHead = p;
  ++m_nCount;
  return 1;
}

BOOL CWceUiStrMap::RemoveKey(LPCWSTR pKey) {
  if (pKey == nullptr || m_pHashTable == nullptr) return 0;
  DWORD nHash = HashKey(pKey);
  for (CAssoc** pp = &m_pHashTable[nHash % m_nHashTableSize]; *pp != nullptr; pp = &(*pp)->m_pNext) {
    CAssoc* p = *pp;
    if (p->m_dwHashValue != nHash || wcscmp(p->m_pKey, pKey) != 0) continue;
    *pp = p->m_pNext;
    FreeAssoc(p);
    if (m_nCount == 0) RemoveAll();
    return 1;
  }
  return 0;
}

CWceUiStrMap::CAssoc* CWceUiStrMap::FirstFrom(UINT nBucket) const {
  if (m_pHashTable == nullptr) return nullptr;
  for (; nBucket < m_nHashTableSize; ++nBucket) {
    if (m_pHashTable[nBucket] != nullptr) return m_pHashTable[nBucket];
  }
  return nullptr;
}

void CWceUiStrMap::GetNextAssoc(WCEUI_POSITION& rPos, LPCWSTR& rKey, void*& rValue) const {
  CAssoc* p = rPos == kWceUiStrMapStart ? FirstFrom(0) : static_cast<CAssoc*>(rPos);
  if (p == nullptr) {
    rPos = nullptr;
    return;
  }
  rKey = p->m_pKey;
  rValue = p->m_pValue;
  CAssoc* pNext = p->m_pNext != nullptr ? p->m_pNext : FirstFrom(p->m_dwHashValue % m_nHashTableSize + 1);
  rPos = pNext;
}

void CWceUiStrMap::RemoveAll() {
  if (m_pHashTable != nullptr) {
    for (UINT i = 0; i < m_nHashTableSize; ++i) {
      for (CAssoc* p = m_pHashTable[i]; p != nullptr; p = p->m_pNext) {
        if (p->m_bKeyOwned) delete[] const_cast<WCHAR*>(p->m_pKey);
      }
    }
  }
  delete[] m_pHashTable;
  m_pHashTable = nullptr;
  m_nCount = 0;
  m_pFreeList = nullptr;
  if (m_pBlocks != nullptr) m_pBlocks->FreeDataChain();
  m_pBlocks = nullptr;
}
