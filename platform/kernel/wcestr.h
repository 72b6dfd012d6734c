// UTF-16 string helpers. The C library's wide functions work on wchar_t (32-bit here),
// so the system's WCHAR text gets its own.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdarg>
#include <string>

size_t wcslen(const WCHAR* s);
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n);
int _wcsicmp(const WCHAR* a, const WCHAR* b);  // ASCII letters fold; other code units compare as is
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n);
WCHAR* _wcslwr(WCHAR* s);  // in place; ASCII letters only, the same folding as _wcsicmp
WCHAR* wcscpy(WCHAR* dst, const WCHAR* src);
WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n);
WCHAR* wcscat(WCHAR* dst, const WCHAR* src);
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
const WCHAR* wcsstr(const WCHAR* hay, const WCHAR* needle);
// Non-const forms, as C++ gives the C library's: code that cuts a path at the last '\\' writes
// through the result.
WCHAR* wcschr(WCHAR* s, WCHAR c);
WCHAR* wcsrchr(WCHAR* s, WCHAR c);
WCHAR* wcsstr(WCHAR* hay, const WCHAR* needle);
long wcstol(const WCHAR* s, WCHAR** end, int base);
unsigned long wcstoul(const WCHAR* s, WCHAR** end, int base);
int _wtoi(const WCHAR* s);

// printf-style formatting into UTF-16. Format and %s arguments are WCHAR text (as on CE,
// where %s in a wide format is wide); %S and %hs take narrow (char) text, %c/%C a character.
// Supports flags, width, precision, %d %i %u %x %X %o %c %s %S %p %% and the h/l/ll/I64 sizes.
// 'l' is 32 bits as on the target (LONG, DWORD); 64-bit values take ll or I64. %p prints the
// pointer as upper-case hex digits of the pointer's width; %f %e %g print doubles.
// Narrow %S/%hs text is read as UTF-8; bytes that are not valid UTF-8 become the code unit of
// the same value.
// Returns the length written (truncated to cch - 1, always terminated), or -1 when cch is 0.
int swprintf(WCHAR* dst, size_t cch, const WCHAR* fmt, ...);
int vswprintf(WCHAR* dst, size_t cch, const WCHAR* fmt, va_list ap);
int wsprintfW(WCHAR* dst, const WCHAR* fmt, ...);  // assumes a 1024-character buffer, as on CE

// Conversions for our own layer (not Windows calls): UTF-16 <-> UTF-8.
std::u16string WceUtf8ToWide(const std::string& s);
std::string WceWideToUtf8(const WCHAR* s);
std::string WceWideToUtf8(const std::u16string& s);
