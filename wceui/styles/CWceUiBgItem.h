// One background item of a style: a bitmap by id drawn behind the layer's text, with its source and
// destination rectangles ("large": not set), alignment (WCEUI_ALIGN_*) and zoom.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"
#include "wceui/resfiles/CWceUiLoadBitmap.h"

class CWceUiGenericBitmap;

class CWceUiBgItem {
 public:
  CWceUiBgItem();
  CWceUiBgItem(const CWceUiBgItem& rhs);
  CWceUiBgItem& operator=(const CWceUiBgItem& rhs);

  // An empty id is ignored.
  void SetBitmapFromRes(LPCWSTR pBitmapID);
  CWceUiGenericBitmap* GetBitmap() { return m_Bitmap.GetBitmap(); }
  LPCWSTR GetBitmapResID() const { return m_Bitmap.GetBitmapResID(); }
  void SetName(LPCWSTR pBgItemName);
  LPCWSTR GetName() const { return m_strName; }
  void GetSrcRect(LPRECT lpRect) const;
  void SetSrcRect(const RECT* lpRect);
  void GetDstRect(LPRECT lpRect) const;
  void SetDstRect(const RECT* lpRect);
  // Each axis takes the flag given for it (right over centre, centre over bottom); an axis given
  // no flag stays as it was.
  void SetAlign(UINT nAlign);
  UINT GetAlign() const { return m_nAlign; }
  void SetZoom(BOOL bZoom) { m_bZoom = bZoom; }
  BOOL GetZoom() const { return m_bZoom; }
  void SetCommonIndex(int nIndex) { m_nCommonIndex = nIndex; }
  int GetCommonIndex() const { return m_nCommonIndex; }

 private:
  friend class CWceUiBgItemCtrl;

  // Links of the item list.
  CWceUiBgItem* m_pPrev = nullptr;
  CWceUiBgItem* m_pNext = nullptr;
  CWceUiLoadBitmap m_Bitmap;
  CQuickString m_strName;
  RECT m_rcSrc;
  RECT m_rcDst;
  UINT m_nAlign = 0;
  BOOL m_bZoom = 0;
  int m_nCommonIndex = 0;
};
