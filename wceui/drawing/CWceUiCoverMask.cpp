#include "wceui/drawing/CWceUiCoverMask.h"

#include <cstring>
#include <new>

namespace {
constexpr BYTE kCovered = 0xFF;
}

CWceUiCoverMask::~CWceUiCoverMask() {
  Free();
}

void CWceUiCoverMask::Free() {
  delete[] m_pMask;
  delete[] m_pFullRow;
  m_pMask = m_pFullRow = nullptr;
  m_nWidth = m_nHeight = m_nStride = m_nSize = 0;
}

BOOL CWceUiCoverMask::Create(int nWidth, int nHeight) {
  Free();
  if (nWidth <= 0 || nHeight <= 0 || nWidth > 0x7FFFFFF0 / nHeight) return FALSE;
  const int nStride = (nWidth + 3) & ~3;
  const int64_t nSize = static_cast<int64_t>(nStride) * nHeight;
  if (nSize > 0x7FFFFFFF) return FALSE;
  m_pMask = new (std::nothrow) BYTE[nSize];
  m_pFullRow = new (std::nothrow) BYTE[nStride];
  if (m_pMask == nullptr || m_pFullRow == nullptr) {
    Free();
    return FALSE;
  }
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  m_nStride = nStride;
  m_nSize = static_cast<int>(nSize);
  std::memset(m_pFullRow, kCovered, nStride);
  for (int y = 0; y < nHeight; ++y) {
    BYTE* pRow = m_pMask + static_cast<size_t>(y) * nStride;
    std::memset(pRow, 0, nWidth);
    std::memset(pRow + nWidth, kCovered, nStride - nWidth);
  }
  return TRUE;
}

BOOL CWceUiCoverMask::Clip(const RECT& rc, RECT& rcOut) const {
  const RECT rcMask = {0, 0, m_nWidth, m_nHeight};
  return m_pMask != nullptr && IntersectRect(&rcOut, &rc, &rcMask);
}

BOOL CWceUiCoverMask::Fill(const RECT& rc) {
  if (m_pMask == nullptr) return FALSE;
  const RECT rcMask = {0, 0, m_nWidth, m_nHeight};
  if (EqualRect(&rc, &rcMask)) return TRUE;
  RECT rcPart;
  if (Clip(rc, rcPart)) {
    for (LONG y = rcPart.top; y < rcPart.bottom; ++y) {
      std::memset(m_pMask + static_cast<size_t>(y) * m_nStride + rcPart.left, kCovered,
                  rcPart.right - rcPart.left);
    }
  }
  for (int i = 0; i < m_nSize; ++i) {
    if (m_pMask[i] != kCovered) return FALSE;
  }
  return TRUE;
}

BOOL CWceUiCoverMask::IsFull(const RECT& rc) const {
  RECT rcPart;
  if (!Clip(rc, rcPart)) return FALSE;
  for (LONG y = rcPart.top; y < rcPart.bottom; ++y) {
    if (std::memcmp(m_pMask + static_cast<size_t>(y) * m_nStride + rcPart.left, m_pFullRow,
                    rcPart.right - rcPart.left) != 0) {
      return FALSE;
    }
  }
  return TRUE;
}
