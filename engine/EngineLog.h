// The engine's console lines: narrow printf formats, written to the kernel's debug output.
#pragma once

void EngineLog(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
