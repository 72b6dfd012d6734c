#include "platform/uiruntime/uiruntime.h"

#include <zlib.h>

namespace {

// Inflates the whole input; a destination that fills up is probed with one spare byte, so that a
// stream with more data to give (destination too small) is told from one that is cut short.
int Inflate(z_stream& zs, BYTE* pDst, DWORD nCapacity, DWORD* pProduced) {
  Bytef spare = 0;
  zs.next_out = pDst != nullptr ? pDst : &spare;
  zs.avail_out = nCapacity;
  int rc = inflate(&zs, Z_FINISH);
  *pProduced = nCapacity - zs.avail_out;
  if (rc == Z_STREAM_END) return kUiZOk;
  if (rc == Z_MEM_ERROR) return kUiZOutOfMemory;
  if (rc != Z_BUF_ERROR && rc != Z_OK) return kUiZBadData;
  if (zs.avail_out != 0) return kUiZBadData;  // the input ended before the stream did
  zs.next_out = &spare;
  zs.avail_out = 1;
  rc = inflate(&zs, Z_FINISH);
  if (zs.avail_out == 0) return kUiZBufferTooSmall;
  return rc == Z_MEM_ERROR ? kUiZOutOfMemory : kUiZBadData;
}

}  // namespace

int WceUiZuncompress(BYTE* pDst, DWORD* pDstLen, const BYTE* pSrc, DWORD nSrcLen) {
  if (pDstLen == nullptr || (pDst == nullptr && *pDstLen != 0) || (pSrc == nullptr && nSrcLen != 0)) {
    return kUiZBadArgument;
  }
  z_stream zs = {};
  Bytef none = 0;
  zs.next_in = const_cast<Bytef*>(pSrc != nullptr ? pSrc : &none);
  zs.avail_in = nSrcLen;
  if (inflateInit(&zs) != Z_OK) {
    *pDstLen = 0;
    return kUiZOutOfMemory;
  }
  DWORD produced = 0;
  int result = Inflate(zs, pDst, *pDstLen, &produced);
  inflateEnd(&zs);
  *pDstLen = result == kUiZOk ? produced : 0;
  return result;
}
