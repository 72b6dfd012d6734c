// Libraries loaded at run time, as the target's loader serves them. A path with a backslash is a
// CE path under the root; a bare file name is looked for in "\Windows", then by the host loader's
// own search (system libraries such as the JPEG codec). Loading one library twice gives the same
// instance of its globals.
#pragma once

#include "platform/kernel/wcetypes.h"

#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L

// Cast to the export's own type before the call.
typedef void (*FARPROC)(void);

// nullptr (last error ERROR_MOD_NOT_FOUND) when the file is missing or does not load, then with a
// debug line giving the loader's reason. Every symbol is bound at load, so a library that needs one
// the program lacks fails here rather than in the middle of its work.
HMODULE LoadLibraryW(LPCWSTR fileName);
// nullptr (last error ERROR_PROC_NOT_FOUND) when the library has no such export.
FARPROC GetProcAddressW(HMODULE module, LPCWSTR procName);
BOOL FreeLibrary(HMODULE module);
