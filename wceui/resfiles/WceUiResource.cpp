#include "wceui/resfiles/WceUiResource.h"

#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CFhBitmapResLoader.h"
#include "wceui/resfiles/CFhColorResLoader.h"
#include "wceui/resfiles/CFhFontResLoader.h"
#include "wceui/resfiles/CFhLanguage.h"
#include "wceui/resfiles/CReadBitmapConfInfo.h"
#include "wceui/resfiles/CReadFontConfInfo.h"
#include "wceui/drawing/CWceUiFont.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"

#include <new>

namespace {

// The id with "/" read as "\", in a buffer of MAX_PATH units; 0 with an error line when it is
// longer than the framework's ids may be.
BOOL CopyResId(LPWSTR pOut, LPCWSTR pId, const char16_t* pCaller) {
  size_t nLen = wcslen(pId);
  if (nLen > static_cast<size_t>(kWceUiMaxResIdChars)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::%s, the id of %d units is longer than %d", WCEUI_LOG_TAGW, pCaller,
              static_cast<int>(nLen), kWceUiMaxResIdChars);
    return FALSE;
  }
  for (size_t i = 0; i <= nLen; ++i) pOut[i] = pId[i] == u'/' ? u'\\' : pId[i];
  return TRUE;
}

}  // namespace

BOOL WceUiInit(HINSTANCE hInstance, LPCWSTR pWndDir, LPCWSTR pResDir, LPCWSTR pLangFilePath, BOOL bEscape) {
  WCEUI_CHECK(NULL != hInstance);
  if (hInstance == nullptr) return FALSE;
  WCEUI_CHECK(NULL != pWndDir);
  if (pWndDir == nullptr) return FALSE;
  WCEUI_CHECK(NULL != pResDir);
  if (pResDir == nullptr) return FALSE;
  WCEUI_CHECK(NULL != pLangFilePath);
  if (pLangFilePath == nullptr) return FALSE;
  CFhGlobalData* pData = WceUiGetGlobals()->GetGlobalData();
  pData->SetInstance(hInstance);
  pData->SetWndDir(pWndDir);
  pData->SetResDir(pResDir);
  CFhLanguage* pLanguage = WceUiGetGlobals()->GetLanguage();
  if (pLanguage != nullptr) pLanguage->SetLanguage(pLangFilePath, bEscape);
  return TRUE;
}

HINSTANCE WceUiGetInstanceHandle() {
  HINSTANCE hInstance = WceUiGetGlobals()->GetGlobalData()->GetInstance();
  WCEUI_CHECK(NULL != hInstance);
  return hInstance;
}

void WceUiSetPackPassword(LPCWSTR pPassword) {
  WceUiGetGlobals()->GetGlobalData()->SetPassword(pPassword);
}

LPCWSTR WceUiGetPackPassword() {
  return WceUiGetGlobals()->GetGlobalData()->GetPassword();
}

int WceUiGetScreenBitsPixel() {
  return WceUiGetGlobals()->GetGlobalData()->GetBitsPixel();
}

int WceUiGetScreenWidth() {
  return WceUiGetGlobals()->GetGlobalData()->GetScreenWidth();
}

int WceUiGetScreenHeight() {
  return WceUiGetGlobals()->GetGlobalData()->GetScreenHeight();
}

CWceUiGenericBitmap* WceUiGetBitmap(LPCWSTR pBitmapID) {
  WCEUI_CHECK(NULL != pBitmapID);
  CFhBitmapResLoader* pCache = WceUiGetGlobals()->GetBitmapResLoader();
  WCHAR szId[MAX_PATH];
  if (pBitmapID == nullptr || pCache == nullptr || !CopyResId(szId, pBitmapID, u"WceUiGetBitmap"))
    return nullptr;
  return pCache->GetBitmap(szId);
}

void WceUiReleaseBitmap(CWceUiGenericBitmap* pBitmap) {
  CFhBitmapResLoader* pCache = WceUiGetGlobals()->GetBitmapResLoader();
  if (pBitmap != nullptr && pCache != nullptr) pCache->Release(pBitmap);
}

CWceUiFont* WceUiGetFont(LPCWSTR pFontID) {
  WCEUI_CHECK(NULL != pFontID);
  CFhFontResLoader* pCache = WceUiGetGlobals()->GetFontResLoader();
  WCHAR szId[MAX_PATH];
  if (pFontID == nullptr || pCache == nullptr || !CopyResId(szId, pFontID, u"WceUiGetFont")) return nullptr;
  return pCache->GetFont(szId);
}

void WceUiReleaseFont(CWceUiFont* pFont) {
  CFhFontResLoader* pCache = WceUiGetGlobals()->GetFontResLoader();
  if (pFont != nullptr && pCache != nullptr) pCache->Release(pFont);
}

CWceUiColor* WceUiGetColor(LPCWSTR pColorID) {
  WCEUI_CHECK(NULL != pColorID);
  CFhColorResLoader* pCache = WceUiGetGlobals()->GetColorResLoader();
  if (pColorID == nullptr || pCache == nullptr) return nullptr;
  return pCache->GetColor(pColorID);
}

void WceUiReleaseColor(CWceUiColor* pColor) {
  CFhColorResLoader* pCache = WceUiGetGlobals()->GetColorResLoader();
  if (pColor != nullptr && pCache != nullptr) pCache->Release(pColor);
}

CWceUiGenericBitmap* FhLoadBitmapFromConfFile(LPCWSTR pBitmapConfFullPath) {
  WCEUI_CHECK(NULL != pBitmapConfFullPath);
  if (pBitmapConfFullPath == nullptr) return nullptr;
  CReadBitmapConfInfo info;
  if (!info.LoadBitmapConfFile(pBitmapConfFullPath)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"load file %s failed", pBitmapConfFullPath);
    return nullptr;
  }
  LPCWSTR pBitmapFullPath = info.GetBitmapFullPath();
  CWceUiGenericBitmap* pBitmap =
      WceUiLoadBmpFromFile(pBitmapFullPath, info.HasPerPixelAlpha(), info.GetAlphaFullPath());
  if (pBitmap == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"WceUiLoadBmpFromFile %s failed", pBitmapFullPath);
    return nullptr;
  }
  COLORREF crTrans = 0;
  if (info.GetTransColor(&crTrans)) pBitmap->SetTransColor(TRUE, crTrans);
  DWORD nAlpha = 0;
  if (info.GetConstantAlpha(&nAlpha)) pBitmap->SetConstantAlpha(TRUE, static_cast<int>(nAlpha));
  return pBitmap;
}

CWceUiFont* FhLoadFontFromConfFile(LPCWSTR pFontConfFullPath) {
  WCEUI_CHECK(NULL != pFontConfFullPath);
  if (pFontConfFullPath == nullptr) return nullptr;
  CReadFontConfInfo info;
  LOGFONTW logFont;
  if (!info.LoadFontConfFile(pFontConfFullPath) || !info.GetLogFont(&logFont)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"load file %s failed", pFontConfFullPath);
    return nullptr;
  }
  return new (std::nothrow) CWceUiFont(logFont);
}
