#include "wceui/base/CWceUiDWordArray.h"

#include <algorithm>
#include <cstring>
#include <new>

CWceUiDWordArray::~CWceUiDWordArray() {
  delete[] m_pData;
}

BOOL CWceUiDWordArray::SetSize(int nNewSize, int nGrowBy) {
  if (nGrowBy >= 0) m_nGrowBy = nGrowBy;
  if (nNewSize < 0) return FALSE;
  if (nNewSize == 0) {
    delete[] m_pData;
    m_pData = nullptr;
    m_nSize = m_nMaxSize = 0;
    return TRUE;
  }
  if (m_pData == nullptr) {
    int nAlloc = std::max(m_nGrowBy, nNewSize);
    DWORD* pData = new (std::nothrow) DWORD[nAlloc];
    if (pData == nullptr) return FALSE;
    std::memset(pData, 0, sizeof(DWORD) * nAlloc);
    m_pData = pData;
    m_nSize = nNewSize;
    m_nMaxSize = nAlloc;
    return TRUE;
  }
  if (nNewSize <= m_nMaxSize) {
    if (nNewSize > m_nSize) std::memset(m_pData + m_nSize, 0, sizeof(DWORD) * (nNewSize - m_nSize));
    m_nSize = nNewSize;
    return TRUE;
  }
  int nGrow = m_nGrowBy;
  if (nGrow == 0) nGrow = std::min(1024, std::max(4, m_nSize / 8));
  int nNewMax = std::max(nNewSize, m_nMaxSize + nGrow);
  DWORD* pData = new (std::nothrow) DWORD[nNewMax];
  if (pData == nullptr) return FALSE;
  std::memcpy(pData, m_pData, sizeof(DWORD) * m_nSize);
  std::memset(pData + m_nSize, 0, sizeof(DWORD) * (nNewMax - m_nSize));
  delete[] m_pData;
  m_pData = pData;
  m_nSize = nNewSize;
  m_nMaxSize = nNewMax;
  return TRUE;
}

int CWceUiDWordArray::Add(DWORD dwValue) {
  int nIndex = m_nSize;
  if (!SetSize(nIndex + 1)) return -1;
  m_pData[nIndex] = dwValue;
  return nIndex;
}
