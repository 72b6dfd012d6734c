// The holder of the framework's process-wide objects. Each member is built on its first use and
// destroyed at exit in the reverse order of construction. UI thread only; nothing is locked.
#pragma once

#include "core/CFhGlobalData.h"
#include "core/CFhIgnoreMsg.h"
#include "core/CFhLogFile.h"

class CFhGlobals {
 public:
  // Opened in the program's directory when first reached.
  CFhLogFile* GetLogFile();
  CFhGlobalData* GetGlobalData();
  CFhIgnoreMsg* GetIgnoreMsg();

  // Tests: the global data and the input filter as new (the log file stays as it is).
  void Reset();
};

CFhGlobals* WceUiGetGlobals();
