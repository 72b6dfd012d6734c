#include "EngineLog.h"

#include "kernel/kernel.h"

#include <cstdarg>
#include <cstdio>

void EngineLog(const char* fmt, ...) {
  char line[1024];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(line, sizeof(line), fmt, ap);
  va_end(ap);
  NKDbgPrintfW(u"%hs", line);
}
