// The maker's UI runtime library ("VTUI.dll" on the unit). The head unit imports one function
// from it: the expansion of one item of a resource pack.
#pragma once

#include "platform/kernel/wcetypes.h"

// Results of WceUiZuncompress; the caller tests only for kUiZOk.
enum : int {
  kUiZOk = 0,
  kUiZBadArgument = -1,  // a null pointer
  kUiZOutOfMemory = -2,
  kUiZBufferTooSmall = -3,  // the data expands to more than *pDstLen bytes
  kUiZBadData = -4,         // not a complete zlib stream
};

// Expands the zlib stream pSrc[0 .. nSrcLen) into pDst. *pDstLen holds the capacity of pDst on
// entry and receives the number of bytes produced. 0 (kUiZOk) on success; a pack item is
// complete only when the produced length also equals the length its index gives.
int WceUiZuncompress(BYTE* pDst, DWORD* pDstLen, const BYTE* pSrc, DWORD nSrcLen);
