// One resource pack: its index, read once and kept, and the items, read and expanded on demand.
// The layout is in resfiles/WceUiPackFormat.h. UI thread only; not locked.
#pragma once

#include "platform/kernel/wcetypes.h"

class CWceUiPackFile {
 public:
  explicit CWceUiPackFile(LPCWSTR pPackPath);
  ~CWceUiPackFile();
  CWceUiPackFile(const CWceUiPackFile&) = delete;
  CWceUiPackFile& operator=(const CWceUiPackFile&) = delete;

  // Drops the index: table, block, stamp, key, count and the loaded flag.
  void Clear();
  // Whether the loaded index is stale: another password's key, or another stamp in the file's
  // header. 0 (and the pack cleared) when the header cannot be read.
  BOOL IsChanged(LPCWSTR pPassword, BOOL* pbChanged);
  // Reads, unscrambles and checks the index unless the loaded one is still current. Every field is
  // checked against the block and the file size; a pack that does not fit is refused as corrupt.
  BOOL LoadIndex(LPCWSTR pPassword);
  // The record of an item (its lower-case name, `\` between folders), or nullptr.
  const BYTE* FindItem(LPCWSTR pItemName) const;
  // The expanded item in a buffer the caller frees with delete[].
  BYTE* ReadItem(LPCWSTR pItemName, DWORD* pSize, LPCWSTR pPassword);

  BOOL IsLoaded() const { return m_bLoaded; }
  LONG GetCount() const { return m_nCount; }

 private:
  DWORD m_dwPasswordHash = 0;
  WCHAR m_szPackPath[MAX_PATH];
  DWORD m_dwStamp = 0;
  const BYTE** m_ppRecords = nullptr;
  LONG m_nCount = 0;
  BOOL m_bLoaded = 0;
  BYTE* m_pIndex = nullptr;
};
