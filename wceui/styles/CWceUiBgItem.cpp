#include "wceui/styles/CWceUiBgItem.h"

#include "wceui/base/WceUiGeometry.h"
#include "wceui/base/WceUiLog.h"

CWceUiBgItem::CWceUiBgItem() {
  SetRectLarge(&m_rcSrc);
  SetRectLarge(&m_rcDst);
}

CWceUiBgItem::CWceUiBgItem(const CWceUiBgItem& rhs)
    : m_Bitmap(rhs.m_Bitmap),
      m_strName(rhs.m_strName),
      m_rcSrc(rhs.m_rcSrc),
      m_rcDst(rhs.m_rcDst),
      m_nAlign(rhs.m_nAlign),
      m_bZoom(rhs.m_bZoom),
      m_nCommonIndex(rhs.m_nCommonIndex) {}

CWceUiBgItem& CWceUiBgItem::operator=(const CWceUiBgItem& rhs) {
  if (this == &rhs) return *this;
  m_Bitmap = rhs.m_Bitmap;
  m_strName = rhs.m_strName;
  m_rcSrc = rhs.m_rcSrc;
  m_rcDst = rhs.m_rcDst;
  m_nAlign = rhs.m_nAlign;
  m_bZoom = rhs.m_bZoom;
  m_nCommonIndex = rhs.m_nCommonIndex;
  return *this;
}

void CWceUiBgItem::SetBitmapFromRes(LPCWSTR pBitmapID) {
  WCEUI_CHECK(NULL != pBitmapID);
  if (pBitmapID == nullptr) return;
  WCEUI_CHECK(*pBitmapID);
  if (*pBitmapID != 0) m_Bitmap.SetBitmapFromRes(pBitmapID);
}

void CWceUiBgItem::SetName(LPCWSTR pBgItemName) {
  WCEUI_CHECK(NULL != pBgItemName);
  if (pBgItemName != nullptr) m_strName.SetString(pBgItemName);
}

void CWceUiBgItem::GetSrcRect(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect != nullptr) *lpRect = m_rcSrc;
}

void CWceUiBgItem::SetSrcRect(const RECT* lpRect) {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect != nullptr) m_rcSrc = *lpRect;
}

void CWceUiBgItem::GetDstRect(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect != nullptr) *lpRect = m_rcDst;
}

void CWceUiBgItem::SetDstRect(const RECT* lpRect) {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect != nullptr) m_rcDst = *lpRect;
}

void CWceUiBgItem::SetAlign(UINT nAlign) {
  if (nAlign & WCEUI_ALIGN_RIGHT) {
    m_nAlign = (m_nAlign & ~WCEUI_ALIGN_HCENTER) | WCEUI_ALIGN_RIGHT;
  } else if (nAlign & WCEUI_ALIGN_HCENTER) {
    m_nAlign = (m_nAlign & ~WCEUI_ALIGN_RIGHT) | WCEUI_ALIGN_HCENTER;
  }
  if (nAlign & WCEUI_ALIGN_VCENTER) {
    m_nAlign = (m_nAlign & ~WCEUI_ALIGN_BOTTOM) | WCEUI_ALIGN_VCENTER;
  } else if (nAlign & WCEUI_ALIGN_BOTTOM) {
    m_nAlign = (m_nAlign & ~WCEUI_ALIGN_VCENTER) | WCEUI_ALIGN_BOTTOM;
  }
}
