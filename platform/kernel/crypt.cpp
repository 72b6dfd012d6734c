#include "platform/kernel/crypt.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <sys/random.h>

#include <cerrno>
#include <mutex>
#include <set>

namespace {

// Contexts hold no key material: a handle only has to be one that was acquired and not yet
// released.
struct CryptState {
  std::mutex m_Mutex;
  std::set<HCRYPTPROV> m_Open;
  HCRYPTPROV m_hNext = 1;
  std::function<bool(BYTE*, DWORD)> m_fnSource;
};

CryptState& State() {
  static CryptState state;
  return state;
}

bool IsOpen(HCRYPTPROV prov) {
  CryptState& s = State();
  std::lock_guard<std::mutex> lock(s.m_Mutex);
  return s.m_Open.count(prov) != 0;
}

bool SystemRandom(BYTE* buf, DWORD len) {
  DWORD done = 0;
  while (done < len) {
    const ssize_t n = getrandom(buf + done, len - done, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<DWORD>(n);
  }
  return true;
}

}  // namespace

BOOL CryptAcquireContextW(HCRYPTPROV* prov, LPCWSTR, LPCWSTR, DWORD provType, DWORD) {
  if (prov == nullptr || provType != PROV_RSA_FULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  CryptState& s = State();
  std::lock_guard<std::mutex> lock(s.m_Mutex);
  *prov = s.m_hNext++;
  s.m_Open.insert(*prov);
  return TRUE;
}

BOOL CryptGenRandom(HCRYPTPROV prov, DWORD len, BYTE* buf) {
  if (!IsOpen(prov)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (buf == nullptr && len != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::function<bool(BYTE*, DWORD)> source;
  {
    CryptState& s = State();
    std::lock_guard<std::mutex> lock(s.m_Mutex);
    source = s.m_fnSource;
  }
  const bool ok = source ? source(buf, len) : SystemRandom(buf, len);
  if (!ok) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  return TRUE;
}

BOOL CryptReleaseContext(HCRYPTPROV prov, DWORD) {
  CryptState& s = State();
  std::lock_guard<std::mutex> lock(s.m_Mutex);
  if (s.m_Open.erase(prov) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

namespace wce {

void SetRandomSource(std::function<bool(BYTE* buf, DWORD len)> source) {
  CryptState& s = State();
  std::lock_guard<std::mutex> lock(s.m_Mutex);
  s.m_fnSource = std::move(source);
}

}  // namespace wce
