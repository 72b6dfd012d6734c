// The read test behind IsBadReadPtr. CE answers it by reading the range under an exception handler;
// here the same read runs under the process's SIGSEGV and SIGBUS handler, which a thread marks as
// expected while it probes: a fault there jumps back out of the probe, any other fault goes on to
// the handler that was installed before (or to the default action, which ends the process as it
// would have). A readable range thus costs one load per page and no system call.
#pragma once

#include <csignal>
#include <cstddef>

class CReadProbe {
 public:
  // True when one byte of every page of the cb bytes at p (cb > 0, not wrapping) can be read.
  static bool IsReadable(const void* p, size_t cb);

 private:
  static void Install();
  static void OnFault(int sig, siginfo_t* info, void* context);
};
