#include "wceui/resfiles/CFhBitmapResLoader.h"

#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiResource.h"

CFhBitmapResLoader::~CFhBitmapResLoader() {
  ReleaseAll();
}

void* CFhBitmapResLoader::LoadObject(LPCWSTR pId) {
  WCHAR szPath[MAX_PATH];
  if (!MakeResPath(szPath, u"bitmap\\", pId)) return nullptr;
  return FhLoadBitmapFromConfFile(szPath);
}

void CFhBitmapResLoader::DeleteObject(void* pObject) {
  delete static_cast<CWceUiGenericBitmap*>(pObject);
}
