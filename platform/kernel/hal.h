// The HAL query for the platform record.
#pragma once

#include "platform/kernel/wcetypes.h"

#define IOCTL_HAL_GET_PLATFORM_RECORD 0x01010064u
#define PLATFORM_RECORD_SIZE 576

#ifndef ERROR_NOT_SUPPORTED
#define ERROR_NOT_SUPPORTED 50L
#endif

// The platform record: 576 bytes, zero where no string stands. Each string is UTF-16LE,
// NUL-terminated within its room; a longer text is cut to leave room for the NUL.
//   offset   room        string (platform.ini key)
//        0     2 bytes   (always zero)
//        2    82 bytes   CPU ABI  (cpu_abi)   41 characters with the NUL
//       84    82 bytes   board    (board)     41 characters
//      166   200 bytes   catalog  (catalog)  100 characters
//      366   210 bytes   device   (device)   105 characters
#define PLATFORM_RECORD_CPU_ABI_OFFSET 2
#define PLATFORM_RECORD_BOARD_OFFSET 84
#define PLATFORM_RECORD_CATALOG_OFFSET 166
#define PLATFORM_RECORD_DEVICE_OFFSET 366

// Only IOCTL_HAL_GET_PLATFORM_RECORD is known (others: FALSE, ERROR_NOT_SUPPORTED); it takes no
// input, needs an output of PLATFORM_RECORD_SIZE bytes (else ERROR_INSUFFICIENT_BUFFER) and
// reports that size in *returned. Without the platform file the unit has no record: FALSE,
// ERROR_NOT_SUPPORTED.
BOOL KernelIoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned);
