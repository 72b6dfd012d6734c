// Code page conversions. CP_ACP is 936 (GBK), as on the target units.
#pragma once

#include "wcetypes.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001
#define CP_GBK 936

// As on Windows: cbMultiByte/cchWideChar of -1 means NUL-terminated (the count then includes
// the terminator); an output size of 0 asks for the needed size. Returns 0 on failure with
// ERROR_INSUFFICIENT_BUFFER or ERROR_INVALID_PARAMETER (unknown code page) or
// ERROR_NO_UNICODE_TRANSLATION (1113) for invalid input.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR mb, int cbMultiByte, LPWSTR wide, int cchWideChar);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWideChar, LPSTR mb, int cbMultiByte,
                        LPCSTR defaultChar, BOOL* usedDefault);
UINT GetACP();
