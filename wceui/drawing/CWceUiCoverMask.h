// The coverage mask of the draw list: one byte a pixel, 0xFF where an opaque layer already covers
// the window, so that layers below are not drawn there.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

class CWceUiCoverMask {
 public:
  CWceUiCoverMask() = default;
  ~CWceUiCoverMask();
  CWceUiCoverMask(const CWceUiCoverMask&) = delete;
  CWceUiCoverMask& operator=(const CWceUiCoverMask&) = delete;

  // Rows are padded to a multiple of 4 bytes; the padding counts as covered.
  BOOL Create(int nWidth, int nHeight);
  // Covers the rect; 1 when the whole mask is covered. A rect of the whole mask answers 1 at once
  // without marking anything: nothing below it will be drawn, so the mask is not read again.
  BOOL Fill(const RECT& rc);
  // 1 when every pixel of the rect is covered.
  BOOL IsFull(const RECT& rc) const;
  void Free();

  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  int GetStride() const { return m_nStride; }
  const BYTE* GetBuffer() const { return m_pMask; }

 private:
  BOOL Clip(const RECT& rc, RECT& rcOut) const;

  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nStride = 0;
  int m_nSize = 0;
  BYTE* m_pMask = nullptr;
  BYTE* m_pFullRow = nullptr;
};
