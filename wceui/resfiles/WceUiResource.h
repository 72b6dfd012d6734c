// The framework's start-up call, its global accessors and the resource caches reached by id.
// Bitmap and font ids may hold up to 259 units ("/" is read as "\"); a longer id is refused with an
// error line, never cut (a cut id could name another resource).
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

class CWceUiGenericBitmap;
class CWceUiFont;
class CWceUiColor;

// Units of a bitmap or font id at most.
constexpr int kWceUiMaxResIdChars = MAX_PATH - 1;

// Stores the instance, the window and resource directories (absolute, ending in "\") and loads the
// language file. Any NULL argument fails the call before anything is stored; the language's own
// result does not.
BOOL WceUiInit(HINSTANCE hInstance, LPCWSTR pWndDir, LPCWSTR pResDir, LPCWSTR pLangFilePath, BOOL bEscape);
HINSTANCE WceUiGetInstanceHandle();
void WceUiSetPackPassword(LPCWSTR pPassword);
LPCWSTR WceUiGetPackPassword();
int WceUiGetScreenBitsPixel();
int WceUiGetScreenWidth();
int WceUiGetScreenHeight();

// Shared objects of the caches: each Get takes one reference, each Release gives one back.
CWceUiGenericBitmap* WceUiGetBitmap(LPCWSTR pBitmapID);
void WceUiReleaseBitmap(CWceUiGenericBitmap* pBitmap);
CWceUiFont* WceUiGetFont(LPCWSTR pFontID);
void WceUiReleaseFont(CWceUiFont* pFont);
CWceUiColor* WceUiGetColor(LPCWSTR pColorID);
void WceUiReleaseColor(CWceUiColor* pColor);

// New objects from conf files, owned by the caller; none with an error line.
CWceUiGenericBitmap* FhLoadBitmapFromConfFile(LPCWSTR pBitmapConfFullPath);
CWceUiFont* FhLoadFontFromConfFile(LPCWSTR pFontConfFullPath);
