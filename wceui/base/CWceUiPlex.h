// Blocks of nodes for the framework's hash maps: a map takes its nodes from blocks chained at its
// head and frees them all at once.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstddef>

struct CWceUiPlex {
  CWceUiPlex* m_pNext;

  // Where the nodes start: past the chain link, at the alignment of any node (8 bytes on the head
  // unit, where the link is 4 and a node with a 64-bit member must not sit at 4).
  static constexpr size_t kDataOffset =
      (sizeof(CWceUiPlex*) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
  void* data() { return reinterpret_cast<BYTE*>(this) + kDataOffset; }

  // A block of nMax nodes of cbElement bytes, linked at the head of the chain; nullptr when memory
  // ran out or the size does not fit 32 bits (the chain is then unchanged).
  static CWceUiPlex* Create(CWceUiPlex*& pHead, UINT nMax, UINT cbElement);
  // Frees this block and every block after it.
  void FreeDataChain();

  // A node off a map's free list; an empty list is first refilled from a new block of nMax nodes
  // linked into pHead. A node's first member is its link (pNext). nullptr when memory ran out.
  template <class TNode>
  static TNode* TakeNode(CWceUiPlex*& pHead, TNode*& pFreeList, UINT nMax) {
    static_assert(alignof(TNode) <= alignof(std::max_align_t), "a block aligns its nodes to max_align_t");
    if (pFreeList == nullptr) {
      CWceUiPlex* pBlock = Create(pHead, nMax, sizeof(TNode));
      if (pBlock == nullptr) return nullptr;
      TNode* pNodes = static_cast<TNode*>(pBlock->data());
      for (UINT i = nMax; i-- > 0;) {
        pNodes[i].m_pNext = pFreeList;
        pFreeList = &pNodes[i];
      }
    }
    TNode* p = pFreeList;
    pFreeList = p->m_pNext;
    return p;
  }
};
