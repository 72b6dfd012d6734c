// Counts the heap allocations of chosen threads: the program that links this replaces the global
// operator new and malloc/calloc/realloc (the libraries' own mallocs, libturbojpeg's among them,
// reach the replacement too). A thread is counted once it called CountThisThread, and only while
// counting is on.
#pragma once

#include <cstdint>

class CAllocCounter {
 public:
  // The calling thread's allocations count from now on (it stays counted).
  static void CountThisThread();
  // Zeroes the counts and turns counting on / turns it off (the counts stay readable).
  static void Start();
  static void Stop();
  // operator new calls, and malloc/calloc/realloc calls (operator new's own included).
  static uint64_t News();
  static uint64_t Mallocs();
};
