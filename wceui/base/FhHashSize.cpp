#include "wceui/base/FhHashSize.h"

namespace {

struct PrimeTable {
  WORD m_wPrimes[kFhPrimeCount];
};

constexpr PrimeTable MakePrimeTable() {
  PrimeTable table{};
  int n = 0;
  for (int v = 17; v <= 9973 && n < kFhPrimeCount; ++v) {
    bool bPrime = true;
    for (int d = 2; d * d <= v && bPrime; ++d) bPrime = v % d != 0;
    if (bPrime) table.m_wPrimes[n++] = static_cast<WORD>(v);
  }
  return table;
}

constexpr PrimeTable kPrimes = MakePrimeTable();
static_assert(kPrimes.m_wPrimes[0] == 17 && kPrimes.m_wPrimes[kFhPrimeCount - 1] == 9973,
              "primes 17 ... 9973");

}  // namespace

WORD FhGetPrime(int nIndex) {
  return nIndex >= 0 && nIndex < kFhPrimeCount ? kPrimes.m_wPrimes[nIndex] : 0;
}

UINT FhGetHashTableSize(UINT nExpected) {
  const UINT n = nExpected + nExpected / 4;
  if (nExpected > 7977) return (n / 100) * 100 + 19;
  if (n < 17) return 17;
  for (int i = 0; i + 1 < kFhPrimeCount; ++i) {
    if (kPrimes.m_wPrimes[i] <= n && n <= kPrimes.m_wPrimes[i + 1]) return kPrimes.m_wPrimes[i];
  }
  return n;
}
