#include "wceui/drawing/CFhBmp.h"

#include "platform/kernel/kernel.h"
#include "wceui/base/WceUiLog.h"

#include <new>

namespace {
const LONG kLockedRef = -1;
}  // namespace

CFhBmpData* CFhBmp::GetEmptyData() {
  static CFhBmpData s_empty = {};
  return &s_empty;
}

CFhBmp::CFhBmp() : m_pData(GetEmptyData()) {}

CFhBmp::~CFhBmp() {
  Release();
}

BOOL CFhBmp::AttachNew() {
  Release();
  CFhBmpData* pData = new (std::nothrow) CFhBmpData();
  if (pData == nullptr) return 0;
  pData->m_nRef = 1;
  m_pData = pData;
  return 1;
}

void CFhBmp::Share(const CFhBmp& other) {
  if (&other == this || other.m_pData == m_pData) return;
  Release();
  if (other.IsEmpty() || other.IsLocked()) return;
  InterlockedIncrement(&other.m_pData->m_nRef);
  m_pData = other.m_pData;
}

void CFhBmp::Free(CFhBmpData* pData) {
  if (pData->m_hBitmap != nullptr) DeleteObject(pData->m_hBitmap);
  delete[] pData->m_pAlpha;
  delete pData;
}

void CFhBmp::Release() {
  if (IsEmpty()) return;
  CFhBmpData* pData = m_pData;
  m_pData = GetEmptyData();
  // A locked record has one holder, this one.
  if (pData->m_nRef == kLockedRef) pData->m_nRef = 1;
  if (InterlockedDecrement(&pData->m_nRef) == 0) Free(pData);
}

BOOL CFhBmp::MakeUnique() {
  if (IsEmpty() || m_pData->m_nRef <= 1) return 1;
  CFhBmpData* pCopy = new (std::nothrow) CFhBmpData();
  if (pCopy == nullptr) return 0;
  BOOL bCopied = 0;
  const int nBitsPixel = m_pData->m_Bmp.bmBitsPixel;
  if (nBitsPixel == 16) {
    bCopied = CopyBmpData565(pCopy, m_pData);
  } else if (nBitsPixel == 32) {
    bCopied = CopyBmpData32(pCopy, m_pData);
  } else {
    WceUiLogA(WCEUI_LOG_ERROR, "%s::Copy, CWceUiGenericBitmap only support 32 or 565 bitmap!", WCEUI_LOG_TAG);
  }
  // The copy routines write the whole record, its count included.
  if (!bCopied) {
    delete pCopy;
    return 0;
  }
  pCopy->m_nRef = 1;
  Release();
  m_pData = pCopy;
  return 1;
}

BOOL CFhBmp::Lock() {
  if (!MakeUnique()) return 0;
  if (!IsEmpty()) m_pData->m_nRef = kLockedRef;
  return 1;
}

void CFhBmp::Unlock() {
  if (!IsEmpty() && m_pData->m_nRef == kLockedRef) m_pData->m_nRef = 1;
}
