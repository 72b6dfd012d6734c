#include "wceui/resfiles/CFhFontResLoader.h"

#include "wceui/drawing/CWceUiFont.h"
#include "wceui/resfiles/WceUiResource.h"

CFhFontResLoader::~CFhFontResLoader() {
  ReleaseAll();
}

void* CFhFontResLoader::LoadObject(LPCWSTR pId) {
  WCHAR szPath[MAX_PATH];
  if (!MakeResPath(szPath, u"font\\", pId)) return nullptr;
  return FhLoadFontFromConfFile(szPath);
}

void CFhFontResLoader::DeleteObject(void* pObject) {
  delete static_cast<CWceUiFont*>(pObject);
}
