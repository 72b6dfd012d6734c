// The phone link's debug lines. Formats are narrow printf texts (the link's own log lines);
// the line goes to the kernel's debug output.
#pragma once

void LinkLog(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
