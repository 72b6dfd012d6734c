// The engine's console lines: narrow printf formats, written to the kernel's debug output through
// the one debug-print helper every module uses.
#pragma once

#include "kernel/kernel.h"

#define EngineLog wce::DebugPrint
