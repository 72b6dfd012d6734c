#include "wceui/resources/CFhBitmapResLoader.h"

#include "wceui/resources/CWceUiGenericBitmap.h"
#include "wceui/resources/WceUiResource.h"

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
