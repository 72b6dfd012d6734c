// A bitmap conf file (escapes off): "src" the BMP file relative to the conf file's folder, "pa"
// "true" for a per-pixel alpha file beside it (".bmp" replaced by ".alpha"), "tc" a transparent
// colour RRGGBB, "ca" a constant alpha 0..255; "false" in "tc" or "ca" means none.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"

class CReadBitmapConfInfo {
 public:
  CReadBitmapConfInfo();

  // Every failure leaves the fields as new.
  BOOL LoadBitmapConfFile(LPCWSTR pBitmapConfFile);
  LPCWSTR GetBitmapFullPath() const;
  LPCWSTR GetAlphaFullPath() const;
  BOOL HasPerPixelAlpha() const;
  // 1 and the value when the file set one.
  BOOL GetTransColor(COLORREF* pTransColor) const;
  BOOL GetConstantAlpha(DWORD* pConstantAlpha) const;
  BOOL IsLoaded() const { return m_bLoaded; }

  static constexpr DWORD kNone = 0xFFFFFFFF;

 private:
  void Reset();
  BOOL ReadFields(LPCWSTR pBitmapConfFile);

  CQuickString m_strBitmapFullPath;
  CQuickString m_strAlphaFullPath;
  COLORREF m_crTrans = kNone;
  BOOL m_bPerPixelAlpha = 0;
  DWORD m_nConstantAlpha = kNone;
  BOOL m_bLoaded = 0;
};
