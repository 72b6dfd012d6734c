// The device's file system, seen through a host directory that stands for the device's root:
// the CE path "\SDMMC\CECorvane\Error.log" is <root>/SDMMC/CECorvane/Error.log on the host.
// The root comes from the environment variable CORVANE_ROOT, or wce::SetRootDir.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdio>

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu

struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;
struct SECURITY_ATTRIBUTES;

// Files. CreateFileW on a name like "ADB1:" reaches the device manager's stream devices
// (see platform/devmgr) once one is registered; everything else is a file under the root.
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* sa, DWORD disposition,
                   DWORD flags, HANDLE templ);
BOOL ReadFile(HANDLE h, LPVOID buf, DWORD len, LPDWORD read, LPOVERLAPPED ov);
BOOL WriteFile(HANDLE h, LPCVOID buf, DWORD len, LPDWORD written, LPOVERLAPPED ov);
DWORD SetFilePointer(HANDLE h, LONG distance, PLONG distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE h, LPDWORD high);
BOOL SetEndOfFile(HANDLE h);
BOOL FlushFileBuffers(HANDLE h);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
BOOL DeleteFileW(LPCWSTR name);
BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
BOOL CreateDirectoryW(LPCWSTR name, SECURITY_ATTRIBUTES* sa);
DWORD GetFileAttributesW(LPCWSTR name);
FILE* _wfopen(LPCWSTR name, LPCWSTR mode);

// The program's own CE path ("\SDMMC\CECorvane\CECorvane.exe" unless set).
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buf, DWORD cch);
