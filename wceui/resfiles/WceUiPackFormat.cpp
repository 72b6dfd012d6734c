#include "wceui/resfiles/WceUiPackFormat.h"

DWORD FhReadPackDword(const BYTE* p) {
  return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

void FhWritePackDword(BYTE* p, DWORD value) {
  p[0] = BYTE(value);
  p[1] = BYTE(value >> 8);
  p[2] = BYTE(value >> 16);
  p[3] = BYTE(value >> 24);
}

DWORD FhPackKey(LPCWSTR pPassword) {
  // FNV-1a over the bytes of the UTF-16 units, then a final mix so that passwords that differ in
  // one character give keys that differ in about half their bits.
  DWORD h = 0x811C9DC5u;
  if (pPassword != nullptr) {
    for (const WCHAR* p = pPassword; *p; ++p) {
      h = (h ^ (*p & 0xFFu)) * 0x01000193u;
      h = (h ^ (*p >> 8)) * 0x01000193u;
    }
  }
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

void FhScramblePackIndex(BYTE* pBlock, DWORD nLen, DWORD dwKey) {
  // Each word is XORed with the next value of a xorshift32 generator seeded from the key; a
  // generator state of 0 would stay 0, so that one seed is replaced.
  DWORD state = dwKey ^ 0xA5C3E1F7u;
  if (state == 0) state = 0x6D2B79F5u;
  for (DWORD i = 0; i + 4 <= nLen; i += 4) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    FhWritePackDword(pBlock + i, FhReadPackDword(pBlock + i) ^ state);
  }
}

FhPackIndexResult FhCheckPackIndexHead(const BYTE* pBlock, DWORD nLen, DWORD dwStamp, LONG* pCount,
                                       DWORD* pFirstRecord) {
  *pCount = 0;
  *pFirstRecord = 0;
  if (nLen < kPackIndexStringOffset) return kPackIndexCorrupt;
  if (FhReadPackDword(pBlock + kPackIndexStampOffset) != dwStamp) return kPackIndexWrongStamp;
  DWORD nStringLen = FhReadPackDword(pBlock + kPackIndexStringLenOffset);
  if (nStringLen == 0 || nStringLen >= kPackIndexStringLimit) return kPackIndexBadString;
  DWORD nFirst = kPackIndexStringOffset + 2 * nStringLen;
  if (nFirst > nLen) return kPackIndexCorrupt;
  const BYTE* pLast = pBlock + nFirst - 2;
  if (pLast[0] != 0 || pLast[1] != 0) return kPackIndexBadString;
  LONG nCount = static_cast<LONG>(FhReadPackDword(pBlock + kPackIndexCountOffset));
  if (nCount < 0 || DWORD(nCount) > (nLen - nFirst) / kPackRecordMinSize) return kPackIndexCorrupt;
  *pCount = nCount;
  *pFirstRecord = nFirst;
  return kPackIndexOk;
}

namespace {

// Code-unit order of two names that are known to be terminated.
int CompareNames(const BYTE* a, const BYTE* b) {
  for (;; a += 2, b += 2) {
    unsigned x = a[0] | a[1] << 8;
    unsigned y = b[0] | b[1] << 8;
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

}  // namespace

FhPackIndexResult FhWalkPackRecords(const BYTE* pBlock, DWORD nLen, DWORD nFirstRecord, LONG nCount,
                                    DWORD nDataStart, ULONGLONG nFileSize, const BYTE** ppRecords) {
  DWORD nPos = nFirstRecord;
  for (LONG i = 0; i < nCount; ++i) {
    if (nPos % 2 != 0 || nPos > nLen || nLen - nPos < kPackRecordMinSize) return kPackIndexCorrupt;
    const BYTE* pRecord = pBlock + nPos;
    DWORD nSize = FhReadPackDword(pRecord + kPackRecordSizeOffset);
    if (nSize < kPackRecordMinSize || nSize > nLen - nPos) return kPackIndexCorrupt;
    bool bTerminated = false;
    for (DWORD n = kPackRecordNameOffset; n + 2 <= nSize; n += 2) {
      if (pRecord[n] == 0 && pRecord[n + 1] == 0) {
        bTerminated = true;
        break;
      }
    }
    if (!bTerminated) return kPackIndexCorrupt;
    ULONGLONG nDataEnd = ULONGLONG(FhPackRecordDataOffset(pRecord)) + FhPackRecordStoredSize(pRecord);
    if (FhPackRecordDataOffset(pRecord) < nDataStart || nDataEnd > nFileSize) return kPackIndexCorrupt;
    if (i > 0 &&
        CompareNames(ppRecords[i - 1] + kPackRecordNameOffset, pRecord + kPackRecordNameOffset) >= 0) {
      return kPackIndexCorrupt;
    }
    ppRecords[i] = pRecord;
    nPos += nSize;
  }
  return kPackIndexOk;
}
