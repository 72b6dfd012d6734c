// Each fuzz input becomes a file under a device root of its own (in memory where there is one),
// because the services read only files; the root is removed when the fuzzer ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the input as <root>/<name> and returns false when it cannot be written.
bool WriteFuzzInputFile(const char* name, const uint8_t* data, size_t size);
