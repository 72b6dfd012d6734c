// The printf engine behind swprintf, vswprintf, wsprintfW and NKDbgPrintfW: formats into a
// growing UTF-16 string so callers decide how much of it fits.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdarg>
#include <string>

// Appends the formatted text to out. The argument list is read, not consumed (a copy is taken).
void WceFormatAppendV(std::u16string& out, const WCHAR* fmt, va_list ap);

// Narrow text as the formatter and the debug output take it: UTF-8 where it is valid, every other
// byte as the code unit of the same value, so ASCII and stray bytes both survive.
std::u16string WceNarrowToWide(const char* s, size_t maxBytes);

// One UTF-8 sequence at s (at most avail bytes): its length, or 0 when it is not valid UTF-8.
size_t WceDecodeUtf8(const char* s, size_t avail, uint32_t& codePoint);
void WceAppendCodePoint(std::u16string& out, uint32_t codePoint);
