// Code page conversions. CP_ACP is 936 (GBK), as on the target units.
#pragma once

#include "platform/kernel/wcetypes.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001
#define CP_GBK 936

#ifndef ERROR_NO_UNICODE_TRANSLATION
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#endif

// As on Windows: cbMultiByte/cchWideChar of -1 means NUL-terminated (the count then includes
// the terminator); an output size of 0 asks for the needed size. Returns 0 on failure with
// ERROR_INSUFFICIENT_BUFFER or ERROR_INVALID_PARAMETER (unknown code page) or
// ERROR_NO_UNICODE_TRANSLATION (1113) for invalid input.
// CP_ACP, CP_OEMCP and CP_GBK are code page 936; the only other code page is CP_UTF8. Invalid
// input is bytes that are no character of the code page (a lead byte cut off at the end too),
// or a UTF-16 surrogate without its partner. A character that GBK lacks is not invalid: it
// becomes defaultChar (or "?") and sets *usedDefault; for CP_UTF8 both must be NULL. flags are
// accepted and not used.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR mb, int cbMultiByte, LPWSTR wide, int cchWideChar);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWideChar, LPSTR mb, int cbMultiByte,
                        LPCSTR defaultChar, BOOL* usedDefault);
UINT GetACP();
