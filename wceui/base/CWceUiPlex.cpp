#include "wceui/base/CWceUiPlex.h"

#include <cstdint>
#include <new>

CWceUiPlex* CWceUiPlex::Create(CWceUiPlex*& pHead, UINT nMax, UINT cbElement) {
  uint64_t nBytes = static_cast<uint64_t>(nMax) * cbElement + kDataOffset;
  if (nBytes > UINT32_MAX) return nullptr;
  // operator new[] gives at least the alignment of max_align_t.
  BYTE* pBytes = new (std::nothrow) BYTE[static_cast<size_t>(nBytes)];
  if (pBytes == nullptr) return nullptr;
  CWceUiPlex* p = reinterpret_cast<CWceUiPlex*>(pBytes);
  p->m_pNext = pHead;
  pHead = p;
  return p;
}

void CWceUiPlex::FreeDataChain() {
  CWceUiPlex* p = this;
  while (p != nullptr) {
    CWceUiPlex* pNext = p->m_pNext;
    delete[] reinterpret_cast<BYTE*>(p);
    p = pNext;
  }
}
