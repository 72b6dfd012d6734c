// A bitmap of a style or background item: by bitmap id, loaded through the bitmap cache on the
// first GetBitmap and given back by Clean; or the holder's own copy of a bitmap.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"
#include "wceui/resfiles/WceUiResKind.h"

class CWceUiGenericBitmap;

class CWceUiLoadBitmap {
 public:
  CWceUiLoadBitmap() = default;
  ~CWceUiLoadBitmap();
  CWceUiLoadBitmap(const CWceUiLoadBitmap& rhs);
  CWceUiLoadBitmap& operator=(const CWceUiLoadBitmap& rhs);

  // The same id (letter case aside) keeps the loaded bitmap; another gives it back first.
  void SetBitmapFromRes(LPCWSTR pBitmapID);
  // Holds a copy of a loaded bitmap (none for none).
  void SetBitmapFromApp(CWceUiGenericBitmap* pBitmap);
  // None while the id cannot be loaded (tried again on the next call).
  CWceUiGenericBitmap* GetBitmap();
  void Clean();
  void DoCopy(const CWceUiLoadBitmap& rhs);
  int GetKind() const { return m_nKind; }
  LPCWSTR GetBitmapResID() const { return m_strBitmapResID; }

 private:
  CWceUiGenericBitmap* m_pBitmap = nullptr;
  int m_nKind = kWceUiResOwn;
  CQuickString m_strBitmapResID;
};
