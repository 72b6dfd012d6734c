// The framework's logger and its check macro. Lines go to the debug output only:
// "hh:mm:ss yyyy-mm-dd  " + level word + at most 192 characters of message + "\r\n".
#pragma once

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcetypes.h"

#include <cstddef>
#include <string>

#define WCEUI_LOG_INFO 1
#define WCEUI_LOG_WARNING 2
#define WCEUI_LOG_ERROR 3

// The log tag of every source unit: a message that begins with "%s::" prints it in that place.
#define WCEUI_LOG_TAG "  "
#define WCEUI_LOG_TAGW u"  "

// Characters of the stamp "hh:mm:ss yyyy-mm-dd  " that begins every line.
constexpr size_t kWceUiLogStampChars = 21;

// A message longer than this prints no line at all (it is not cut).
constexpr int kWceUiLogMaxChars = 192;

void WceUiLogW(int nLevel, LPCWSTR pFormat, ...);
void WceUiLogA(int nLevel, const char* pFormat, ...);

// The whole line as the logger hands it to the debug output, stamp and "\r\n" included.
std::u16string WceUiFormatLogLine(int nLevel, const SYSTEMTIME& st, const std::u16string& message);

// "Class::Method" (or "Function") out of the compiler's full signature text, the way the
// check lines name the place that failed.
std::string WceUiFunctionName(const char* pSignature);
void WceUiCheckFailed(const char* pSignature, const char* pCondition);

// Logs "<function>,check(<condition>)fail" at error level when the condition is false; execution
// goes on, so the caller still handles the case.
#define WCEUI_CHECK(cond) ((cond) ? (void)0 : WceUiCheckFailed(__PRETTY_FUNCTION__, #cond))
