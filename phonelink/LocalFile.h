// Files of the head unit read by the link (the helpers beside the program), by CE path.
#pragma once

#include <cstdint>
#include <vector>

// The whole file; false when it cannot be opened or read.
bool ReadLocalFile(const char* cePath, std::vector<uint8_t>* out);
