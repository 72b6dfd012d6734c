#include "platform/kernel/CReadProbe.h"

#include <atomic>
#include <csetjmp>
#include <cstdint>
#include <mutex>
#include <pthread.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

// The handlers found at installation; a fault outside a probe goes on to them.
struct sigaction g_previousSegv;
struct sigaction g_previousBus;

// Where a fault jumps to while this thread probes; nullptr outside a probe. The platform is linked
// into the program itself, so this is static TLS and safe to read in the handler.
thread_local sigjmp_buf* t_pEscape = nullptr;

// Not seen by the sanitizers: the byte may be poisoned or written by another thread, and only
// whether the page can be read is asked.
__attribute__((noinline, no_sanitize("address", "thread"))) void TouchByte(uintptr_t at) {
  (void)*reinterpret_cast<const volatile char*>(at);
}

}  // namespace

void CReadProbe::Install() {
  struct sigaction action = {};
  action.sa_sigaction = OnFault;
  sigemptyset(&action.sa_mask);
  // SA_NODEFER: the handler leaves by a jump that restores no signal mask, so the signal must not
  // stay blocked behind it (a second fault would then kill the process).
  action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
  sigaction(SIGSEGV, &action, &g_previousSegv);
  sigaction(SIGBUS, &action, &g_previousBus);
}

void CReadProbe::OnFault(int sig, siginfo_t* info, void* context) {
  if (sigjmp_buf* escape = t_pEscape) {
    // The jump restores no signal mask, and a handler may run with more blocked than SA_NODEFER
    // leaves (a sanitizer's wrapper blocks every signal): the mask from before the fault is set
    // again first, so the next fault on this thread is caught as well.
    pthread_sigmask(SIG_SETMASK, &static_cast<const ucontext_t*>(context)->uc_sigmask, nullptr);
    siglongjmp(*escape, 1);
  }
  const struct sigaction& previous = sig == SIGBUS ? g_previousBus : g_previousSegv;
  if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
    previous.sa_sigaction(sig, info, context);
    return;
  }
  if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(sig);
    return;
  }
  // The faulting instruction runs again on return and meets the default action.
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(sig, &fallback, nullptr);
}

bool CReadProbe::IsReadable(const void* p, size_t cb) {
  static std::once_flag installed;
  std::call_once(installed, Install);
  static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t first = reinterpret_cast<uintptr_t>(p);
  const uintptr_t last = first + cb - 1;
  sigjmp_buf escape;
  // 0: the signal mask is not saved, which would take a system call on every probe.
  if (sigsetjmp(escape, 0) != 0) {
    t_pEscape = nullptr;
    return false;
  }
  t_pEscape = &escape;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  // One byte of every page the range touches: the first, then each following page's first byte.
  for (uintptr_t at = first;;) {
    TouchByte(at);
    const uintptr_t next = (at / page + 1) * page;
    if (next <= at || next > last) break;  // past the range, or the top of the address space
    at = next;
  }
  std::atomic_signal_fence(std::memory_order_seq_cst);
  t_pEscape = nullptr;
  return true;
}
