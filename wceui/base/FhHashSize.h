// The bucket count of a hash table for an expected number of entries.
#pragma once

#include "platform/kernel/wcetypes.h"

// A prime a little below n + n / 4 (at least 17); above 7977 entries, (n + n / 4) rounded down to
// hundreds plus 19.
UINT FhGetHashTableSize(UINT nExpected);

// The table the picker chooses from: the primes from 17 to 9973.
constexpr int kFhPrimeCount = 1223;
WORD FhGetPrime(int nIndex);
