// The crypto provider's random source.
#pragma once

#include "platform/kernel/wcetypes.h"

typedef uintptr_t HCRYPTPROV;
#define PROV_RSA_FULL 1
#define CRYPT_VERIFYCONTEXT 0xF0000000u

BOOL CryptAcquireContextW(HCRYPTPROV* prov, LPCWSTR container, LPCWSTR provider, DWORD provType, DWORD flags);
BOOL CryptGenRandom(HCRYPTPROV prov, DWORD len, BYTE* buf);
BOOL CryptReleaseContext(HCRYPTPROV prov, DWORD flags);
