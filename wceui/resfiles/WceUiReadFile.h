// Every file of the framework is read here: a plain file, or an item of a resource pack named by
// the pack's path up to ".pack", a "\" and the item's name ("\Res\ui.pack\wnd\main.xml").
#pragma once

#include "platform/kernel/wcetypes.h"

// The file or pack item at pPath, in a buffer of *pSize bytes that the caller frees with
// delete[]; nullptr and size 0 (with one error line) when it cannot be read. A plain file at the
// full path wins over a pack item of that name. pPassword unlocks the pack's index (callers pass
// the global data's pack password).
BYTE* WceUiReadFile(LPCWSTR pPath, DWORD* pSize, LPCWSTR pPassword);

// A whole plain file, read in one call; the caller frees it with delete[].
BYTE* WceUiReadWholeFile(LPCWSTR pPath, DWORD* pSize);

// Splits pPath at its first ".pack\": pPackPath receives the text up to and with ".pack", pItemName
// the text behind the "\" (each a buffer of MAX_PATH units). 0 when there is no ".pack\", either
// part is empty or either does not fit.
BOOL WceUiSplitPackPath(LPCWSTR pPath, LPWSTR pPackPath, LPWSTR pItemName);
