// Pixels of a framework bitmap read and written in image coordinates (row y lies in memory row
// height - 1 - y), through the shared record behind its protected handle.
#pragma once

#include "wceui/drawing/CWceUiGenericBitmap.h"

struct Peek : CWceUiGenericBitmap {
  static CFhBmpData* Data(const CWceUiGenericBitmap* p) {
    CFhBmp* CWceUiGenericBitmap::*pHandle = &Peek::m_pBmp;
    return (p->*pHandle)->Get();
  }
};

inline DWORD PeekPixel(const CWceUiGenericBitmap* p, int x, int y) {
  const CFhBmpData* d = Peek::Data(p);
  const int row = d->m_Bmp.bmHeight - 1 - y;
  if (d->m_Bmp.bmBitsPixel == 16)
    return static_cast<const WORD*>(d->m_pBits)[row * ((d->m_Bmp.bmWidth + 1) & ~1) + x];
  return static_cast<const DWORD*>(d->m_pBits)[row * d->m_Bmp.bmWidth + x];
}

inline void PokePixel(CWceUiGenericBitmap* p, int x, int y, DWORD v) {
  CFhBmpData* d = Peek::Data(p);
  const int row = d->m_Bmp.bmHeight - 1 - y;
  if (d->m_Bmp.bmBitsPixel == 16) {
    static_cast<WORD*>(d->m_pBits)[row * ((d->m_Bmp.bmWidth + 1) & ~1) + x] = static_cast<WORD>(v);
  } else {
    static_cast<DWORD*>(d->m_pBits)[row * d->m_Bmp.bmWidth + x] = v;
  }
}
