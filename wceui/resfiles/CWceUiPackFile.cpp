#include "wceui/resfiles/CWceUiPackFile.h"

#include "platform/kernel/wcestr.h"
#include "platform/uiruntime/uiruntime.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CFhFileHandle.h"
#include "wceui/resfiles/WceUiPackFormat.h"

#include <memory>
#include <new>

CWceUiPackFile::CWceUiPackFile(LPCWSTR pPackPath) {
  m_szPackPath[0] = 0;
  if (pPackPath != nullptr && wcslen(pPackPath) < MAX_PATH) wcscpy(m_szPackPath, pPackPath);
}

CWceUiPackFile::~CWceUiPackFile() {
  Clear();
}

void CWceUiPackFile::Clear() {
  delete[] m_ppRecords;
  m_ppRecords = nullptr;
  delete[] m_pIndex;
  m_pIndex = nullptr;
  m_dwStamp = 0;
  m_dwPasswordHash = 0;
  m_nCount = 0;
  m_bLoaded = 0;
}

BOOL CWceUiPackFile::IsChanged(LPCWSTR pPassword, BOOL* pbChanged) {
  *pbChanged = 1;
  if (FhPackKey(pPassword) != m_dwPasswordHash) return 1;
  CFhFileHandle file(m_szPackPath);
  if (!file.IsOpen()) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CreateFile %s failed, GetLastError is %d", m_szPackPath,
              int(GetLastError()));
    Clear();
    return 0;
  }
  BYTE header[kPackHeaderSize];
  if (!file.ReadAll(header, sizeof header)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"ReadFile %s failed", m_szPackPath);
    Clear();
    return 0;
  }
  *pbChanged = FhReadPackDword(header + kPackHeaderStampOffset) != m_dwStamp;
  return 1;
}

BOOL CWceUiPackFile::LoadIndex(LPCWSTR pPassword) {
  if (m_bLoaded) {
    BOOL bChanged = 1;
    if (!IsChanged(pPassword, &bChanged)) return 0;
    if (!bChanged) return 1;
  }
  Clear();
  m_dwPasswordHash = FhPackKey(pPassword);
  CFhFileHandle file(m_szPackPath);
  if (!file.IsOpen()) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CreateFile : %s failed, GetLastError is %d", m_szPackPath,
              int(GetLastError()));
    Clear();
    return 0;
  }
  BYTE header[kPackHeaderSize];
  DWORD nFileSize = GetFileSize(file.Get(), nullptr);
  if (nFileSize == INVALID_FILE_SIZE || !file.ReadAll(header, sizeof header)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"ReadFile failed %s", m_szPackPath);
    Clear();
    return 0;
  }
  m_dwStamp = FhReadPackDword(header + kPackHeaderStampOffset);
  // The header's index size is the first number read from the file: it must leave room for the
  // fixed part of an index and end within the file before anything is allocated from it.
  DWORD nIndexEnd = FhReadPackDword(header + kPackHeaderIndexEndOffset);
  if (nIndexEnd < kPackHeaderSize + kPackIndexStringOffset || nIndexEnd > nFileSize) {
    WceUiLogW(WCEUI_LOG_ERROR, u"load %s failed, the pack is corrupt (index size %u, file size %u)",
              m_szPackPath, nIndexEnd, nFileSize);
    Clear();
    return 0;
  }
  DWORD nLen = nIndexEnd - kPackHeaderSize;
  m_pIndex = new (std::nothrow) BYTE[nLen];
  if (m_pIndex == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"load %s failed, no memory for an index of %u bytes", m_szPackPath, nLen);
    Clear();
    return 0;
  }
  if (!file.ReadAll(m_pIndex, nLen)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"ReadFile failed %s", m_szPackPath);
    Clear();
    return 0;
  }
  FhScramblePackIndex(m_pIndex, nLen, m_dwPasswordHash);

  LONG nCount = 0;
  DWORD nFirst = 0;
  FhPackIndexResult result = FhCheckPackIndexHead(m_pIndex, nLen, m_dwStamp, &nCount, &nFirst);
  if (result == kPackIndexOk && nCount > 0) {
    m_ppRecords = new (std::nothrow) const BYTE*[nCount];
    if (m_ppRecords == nullptr) {
      WceUiLogW(WCEUI_LOG_ERROR, u"load %s failed, no memory for %d records", m_szPackPath, int(nCount));
      Clear();
      return 0;
    }
    result = FhWalkPackRecords(m_pIndex, nLen, nFirst, nCount, nIndexEnd, nFileSize, m_ppRecords);
  }
  switch (result) {
    case kPackIndexOk:
      m_nCount = nCount;
      m_bLoaded = 1;
      return 1;
    case kPackIndexWrongStamp:
      WceUiLogW(WCEUI_LOG_ERROR, u"load %s failed, wrong password?", m_szPackPath);
      break;
    case kPackIndexBadString:
      WceUiLogW(WCEUI_LOG_ERROR, u"load %s failed2, wrong password?", m_szPackPath);
      break;
    case kPackIndexCorrupt:
      WceUiLogW(WCEUI_LOG_ERROR, u"load %s failed, the pack is corrupt", m_szPackPath);
      break;
  }
  Clear();
  return 0;
}

const BYTE* CWceUiPackFile::FindItem(LPCWSTR pItemName) const {
  LONG nLow = 0;
  LONG nHigh = m_nCount - 1;
  while (nLow <= nHigh) {
    LONG nMiddle = nLow + (nHigh - nLow) / 2;
    int nOrder = wcscmp(pItemName, FhPackRecordName(m_ppRecords[nMiddle]));
    if (nOrder == 0) return m_ppRecords[nMiddle];
    if (nOrder < 0) {
      nHigh = nMiddle - 1;
    } else {
      nLow = nMiddle + 1;
    }
  }
  return nullptr;
}

BYTE* CWceUiPackFile::ReadItem(LPCWSTR pItemName, DWORD* pSize, LPCWSTR pPassword) {
  *pSize = 0;
  if (!LoadIndex(pPassword)) return nullptr;
  const BYTE* pRecord = FindItem(pItemName);
  if (pRecord == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Can not find the item %s in %s", pItemName, m_szPackPath);
    return nullptr;
  }
  CFhFileHandle file(m_szPackPath);
  if (!file.IsOpen()) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CreateFile : %s failed, GetLastError is %d", m_szPackPath,
              int(GetLastError()));
    return nullptr;
  }
  // Offsets are unsigned 32-bit: a zero high word keeps one above 2 GiB from reading as a move back.
  LONG nHigh = 0;
  if (SetFilePointer(file.Get(), LONG(FhPackRecordDataOffset(pRecord)), &nHigh, FILE_BEGIN) ==
          INVALID_SET_FILE_POINTER &&
      GetLastError() != ERROR_SUCCESS) {
    WceUiLogW(WCEUI_LOG_ERROR, u"SetFilePointer for %s in %s failed, GetLastError is %d", pItemName,
              m_szPackPath, int(GetLastError()));
    return nullptr;
  }
  // The index was checked against the file's size when it was read; a file cut short since then
  // shows as a short read here.
  DWORD nStored = FhPackRecordStoredSize(pRecord);
  DWORD nExpanded = FhPackRecordExpandedSize(pRecord);
  std::unique_ptr<BYTE[]> pStored(new (std::nothrow) BYTE[size_t(nStored) + 1]);
  if (pStored == nullptr || !file.ReadAll(pStored.get(), nStored)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"ReadFile %s in %s failed", pItemName, m_szPackPath);
    return nullptr;
  }
  // One spare byte keeps the buffer non-null for an empty item.
  BYTE* pItem = new (std::nothrow) BYTE[size_t(nExpanded) + 1];
  DWORD nProduced = nExpanded;
  if (pItem == nullptr || WceUiZuncompress(pItem, &nProduced, pStored.get(), nStored) != kUiZOk ||
      nProduced != nExpanded) {
    WceUiLogW(WCEUI_LOG_ERROR, u"uncompress failed for %s in %s", pItemName, m_szPackPath);
    delete[] pItem;
    return nullptr;
  }
  *pSize = nExpanded;
  return pItem;
}
