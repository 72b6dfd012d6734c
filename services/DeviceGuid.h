// The head unit's device identifier: a random version-4 GUID made once and kept, with the board
// strings of the platform record it was made on, in the registry (customer variant 1) or in
// "corvane_public.ini" beside the program (every other variant).
#pragma once

#include "platform/kernel/wcetypes.h"

// The identifier as narrow text in `buffer` (at most `size` bytes with the terminator); 1 when one
// was delivered, else 0 with "00-00" in the buffer.
int GetDeviceGuid(char* buffer, DWORD size);
// 16 random bytes with the version and variant bits set; 0, or the failure as an HRESULT.
LONG CreateGuid(BYTE* bytes);
