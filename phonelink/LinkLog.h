// The phone link's debug lines. Formats are narrow printf texts (the link's own log lines); the
// line goes to the kernel's debug output through the one debug-print helper every module uses.
#pragma once

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#define LinkLog wce::DebugPrint
