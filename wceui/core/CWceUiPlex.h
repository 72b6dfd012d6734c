// Blocks of nodes for the framework's hash maps: a map takes its nodes from blocks chained at its
// head and frees them all at once.
#pragma once

#include "kernel/wcetypes.h"

struct CWceUiPlex {
  CWceUiPlex* pNext;

  // The nodes follow the chain link.
  void* data() { return this + 1; }

  // A block of nMax nodes of cbElement bytes, linked at the head of the chain; nullptr when memory
  // ran out or the size does not fit 32 bits (the chain is then unchanged).
  static CWceUiPlex* Create(CWceUiPlex*& pHead, UINT nMax, UINT cbElement);
  // Frees this block and every block after it.
  void FreeDataChain();
};
