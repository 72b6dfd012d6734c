// The registry: keys under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER with typed values.
// Key and value names compare without regard to ASCII case and keep the spelling they were
// created with. The whole registry lives in memory and is written to the text file
// "\Registry\registry.txt" under the root view after every change (written aside, then renamed
// over it); it is loaded at first use from the root current then (CRegistryText.h shows the
// file's form). A file that cannot be written is logged; the change stays in memory.
// As on CE, access masks and key options are accepted and not enforced, and RegDeleteKeyW
// deletes a key with everything below it. Every call may come from any thread.
#pragma once

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcetypes.h"

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))

// Value types.
#define REG_SZ 1
#define REG_BINARY 3
#define REG_DWORD 4

// Access masks.
typedef DWORD REGSAM;
#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_READ 0x00020019u
#define KEY_WRITE 0x00020006u
#define KEY_EXECUTE KEY_READ
#define KEY_ALL_ACCESS 0x000F003Fu

// Key options and the dispositions of RegCreateKeyExW.
#define REG_OPTION_RESERVED 0x00000000u
#define REG_OPTION_NON_VOLATILE 0x00000000u
#define REG_OPTION_VOLATILE 0x00000001u
#define REG_CREATED_NEW_KEY 0x00000001u
#define REG_OPENED_EXISTING_KEY 0x00000002u

// An operation on a handle whose key has been deleted meanwhile.
#ifndef ERROR_KEY_DELETED
#define ERROR_KEY_DELETED 1018L
#endif

#ifndef WCE_FILETIME_DEFINED
#define WCE_FILETIME_DEFINED
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
typedef FILETIME* PFILETIME;
#endif

// Every call returns ERROR_SUCCESS or an error code; none sets the last error.
// Sub-key paths are relative, their parts separated by single backslashes ("Drivers\USB").
// A NULL or empty sub key names the key of the handle itself; a NULL or empty value name the
// key's default value.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM sam,
                     LPSECURITY_ATTRIBUTES sa, PHKEY result, LPDWORD disposition);
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM sam, PHKEY result);
LONG RegCloseKey(HKEY key);
// data NULL asks for the size; a buffer too small gives ERROR_MORE_DATA with the size needed in
// *cbData (and the type in *type).
LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD cbData);
// The bytes are kept as given: a REG_SZ holds its terminator only when cbData counts it.
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD cbData);
LONG RegDeleteValueW(HKEY key, LPCWSTR name);
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Enumeration by index, in the order of the names without regard to case; ERROR_NO_MORE_ITEMS
// past the last. *cchName: room in characters with the terminator in, characters written without
// it out; when the name does not fit, ERROR_MORE_DATA and the room needed, terminator included.
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD reserved, LPWSTR keyClass,
                   LPDWORD cchClass, PFILETIME lastWrite);
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD cbData);
// Counts and the longest names (characters, without terminator) and data (bytes); keys have no class.
LONG RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD cchClass, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                      LPDWORD maxValueLen, LPDWORD securityDescriptor, PFILETIME lastWrite);
