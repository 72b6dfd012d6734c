#include "EngineLog.h"

#include "kernel/kernel.h"

#include <cstdarg>

void EngineLog(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  wce::DebugPrintV(fmt, ap);
  va_end(ap);
}
