// A growable array of 32-bit values.
#pragma once

#include "platform/kernel/wcetypes.h"

class CWceUiDWordArray {
 public:
  CWceUiDWordArray() = default;
  ~CWceUiDWordArray();
  CWceUiDWordArray(const CWceUiDWordArray&) = delete;
  CWceUiDWordArray& operator=(const CWceUiDWordArray&) = delete;

  // nGrowBy below 0 keeps the stored step. New entries are zero. 0 when memory ran out (the
  // array is then as it was).
  BOOL SetSize(int nNewSize, int nGrowBy = -1);
  int GetSize() const { return m_nSize; }
  int GetCapacity() const { return m_nMaxSize; }
  DWORD GetAt(int nIndex) const { return m_pData[nIndex]; }
  void SetAt(int nIndex, DWORD dwValue) { m_pData[nIndex] = dwValue; }
  DWORD& operator[](int nIndex) { return m_pData[nIndex]; }
  DWORD operator[](int nIndex) const { return m_pData[nIndex]; }
  const DWORD* GetData() const { return m_pData; }
  // Appends one value; its index, or -1 when memory ran out.
  int Add(DWORD dwValue);
  void RemoveAll() { SetSize(0); }

 private:
  DWORD* m_pData = nullptr;
  int m_nSize = 0;
  int m_nMaxSize = 0;
  int m_nGrowBy = 0;
};
