// The engine's console lines: narrow printf formats, written to the kernel's debug output through
// the one debug-print helper every module uses.
#pragma once

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#define EngineLog wce::DebugPrint

#include <cstdint>

// A handle or pointer in a log line's %x: its low 32 bits, as the head unit printed them.
inline unsigned LogHex(const void* p) {
  return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}
