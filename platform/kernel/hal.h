// The HAL query for the platform record.
#pragma once

#include "wcetypes.h"

#include <string>

#define IOCTL_HAL_GET_PLATFORM_RECORD 0x01010064u
#define PLATFORM_RECORD_SIZE 576

BOOL KernelIoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned);

namespace wce {
// The platform record is built from the text file "\Windows\platform.ini" under the root view
// (lines board=..., device=..., catalog=...); no file, no record: the query fails.
std::u16string PlatformRecordCePath();
}  // namespace wce
