// The byte layout of a resource pack, shared by the framework's reader and the pack writer tool,
// so that both follow one definition.
//
// File: a 12-byte header {unused, header-and-index size, stamp}, the scrambled index block up to
// the header-and-index size, then the items, each one zlib stream at the offset its record gives.
// Index block once unscrambled: {stamp, record count, unused, string length L}, L UTF-16 units
// ending in a zero, then the records. Record: {record size, unused, expanded size, stored size,
// data offset, 8 unused bytes}, then the item's name, UTF-16, zero-terminated, lower case, `\`
// between folders; records sorted by name in code-unit order. All numbers little-endian.
#pragma once

#include "platform/kernel/wcetypes.h"

constexpr DWORD kPackHeaderSize = 12;
constexpr DWORD kPackHeaderIndexEndOffset = 4;
constexpr DWORD kPackHeaderStampOffset = 8;

constexpr DWORD kPackIndexStampOffset = 0;
constexpr DWORD kPackIndexCountOffset = 4;
constexpr DWORD kPackIndexStringLenOffset = 12;
constexpr DWORD kPackIndexStringOffset = 16;
constexpr DWORD kPackIndexStringLimit = 260;  // L, terminator included, stays below this

constexpr DWORD kPackRecordSizeOffset = 0;
constexpr DWORD kPackRecordExpandedOffset = 8;
constexpr DWORD kPackRecordStoredOffset = 12;
constexpr DWORD kPackRecordDataOffset = 16;
constexpr DWORD kPackRecordNameOffset = 28;
// The smallest record: the fixed fields and an empty name's terminator.
constexpr DWORD kPackRecordMinSize = kPackRecordNameOffset + 2;

// What a check of an index block found; anything but kPackIndexOk leaves the pack unloaded.
enum FhPackIndexResult {
  kPackIndexOk = 0,
  kPackIndexWrongStamp,  // the first word is not the header's stamp: a wrong password
  kPackIndexBadString,   // L is 0 or not below 260, or the string does not end at L - 1
  kPackIndexCorrupt,     // a count, record size, name or data range that does not fit the file
};

DWORD FhReadPackDword(const BYTE* p);
void FhWritePackDword(BYTE* p, DWORD value);

// The pack key of a password; a null or empty password gives one fixed key.
DWORD FhPackKey(LPCWSTR pPassword);
// Scrambles or unscrambles (the same operation) whole 32-bit words of an index block in place;
// trailing bytes of a length that is not a multiple of 4 stay as they are.
void FhScramblePackIndex(BYTE* pBlock, DWORD nLen, DWORD dwKey);

// Checks the head of an unscrambled index block of nLen bytes against the header's stamp and
// gives the record count and the offset of the first record. The count is bounded by the block,
// so a table of that many entries is never larger than the pack file.
FhPackIndexResult FhCheckPackIndexHead(const BYTE* pBlock, DWORD nLen, DWORD dwStamp, LONG* pCount,
                                       DWORD* pFirstRecord);
// Walks nCount records from nFirstRecord and fills ppRecords with one pointer a record. Every
// record must lie in the block with its name terminated inside it, start at an even offset (names
// are read as UTF-16), keep its data between nDataStart and nFileSize, and sort after the one
// before it (the lookup is a binary search).
FhPackIndexResult FhWalkPackRecords(const BYTE* pBlock, DWORD nLen, DWORD nFirstRecord, LONG nCount,
                                    DWORD nDataStart, ULONGLONG nFileSize, const BYTE** ppRecords);

inline LPCWSTR FhPackRecordName(const BYTE* pRecord) {
  return reinterpret_cast<LPCWSTR>(pRecord + kPackRecordNameOffset);
}
inline DWORD FhPackRecordExpandedSize(const BYTE* pRecord) {
  return FhReadPackDword(pRecord + kPackRecordExpandedOffset);
}
inline DWORD FhPackRecordStoredSize(const BYTE* pRecord) {
  return FhReadPackDword(pRecord + kPackRecordStoredOffset);
}
inline DWORD FhPackRecordDataOffset(const BYTE* pRecord) {
  return FhReadPackDword(pRecord + kPackRecordDataOffset);
}
