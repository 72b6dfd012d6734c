// The bitmap cache: a bitmap id names a bitmap conf file in the folder "bitmap\" of the resource
// directory.
#pragma once

#include "wceui/resfiles/CFhResLoader.h"

class CWceUiGenericBitmap;

class CFhBitmapResLoader : public CFhResLoader {
 public:
  CFhBitmapResLoader() : CFhResLoader(u"Bitmap") {}
  ~CFhBitmapResLoader() override;

  CWceUiGenericBitmap* GetBitmap(LPCWSTR pBitmapID) {
    return static_cast<CWceUiGenericBitmap*>(Get(pBitmapID));
  }

 protected:
  void* LoadObject(LPCWSTR pId) override;
  void DeleteObject(void* pObject) override;
};
