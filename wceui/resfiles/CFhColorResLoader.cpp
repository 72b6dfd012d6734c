#include "wceui/resfiles/CFhColorResLoader.h"

#include "wceui/base/FhColor.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/drawing/CWceUiColor.h"

#include <new>

CFhColorResLoader::~CFhColorResLoader() {
  ReleaseAll();
}

void CFhColorResLoader::Reset() {
  ReleaseAll();
  m_ColorFile.Clean();
}

BOOL CFhColorResLoader::Prepare() {
  if (m_ColorFile.IsLoaded()) return TRUE;
  if (!CFhResLoader::Prepare()) return FALSE;
  WCHAR szPath[MAX_PATH];
  if (!MakeResPath(szPath, u"color\\", u"wceui.color")) return FALSE;
  if (!m_ColorFile.LoadFile(szPath, FALSE)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"load file %s failed", szPath);
    return FALSE;
  }
  return TRUE;
}

void* CFhColorResLoader::LoadObject(LPCWSTR pId) {
  LPCWSTR pValue = m_ColorFile.GetString(pId);
  if (pValue == nullptr) return nullptr;
  return new (std::nothrow) CWceUiColor(FhHexStrToColor(pValue));
}

void CFhColorResLoader::DeleteObject(void* pObject) {
  delete static_cast<CWceUiColor*>(pObject);
}
