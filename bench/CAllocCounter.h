// Counts the heap allocations of chosen threads: the program that links this replaces the global
// operator new and malloc/calloc/realloc (the libraries' own mallocs, libturbojpeg's among them,
// reach the replacement too). A thread is counted once it called CountThisThread, and only while
// counting is on. Its allocations are booked under a part (a small number the program names), so
// that one run tells the threads, and the layers one thread passes through, apart.
#pragma once

#include <cstdint>

class CAllocCounter {
 public:
  static const int kParts = 8;

  // The calling thread's allocations count from now on, under part (it stays counted).
  static void CountThisThread(int part = 0);
  // Books the calling thread's allocations under another part from now on; returns the part it
  // had (-1 when it was not counted: it stays so, and so does a part out of range).
  static int SwitchThisThread(int part);
  // Zeroes the counts and turns counting on / turns it off (the counts stay readable).
  static void Start();
  static void Stop();
  // operator new calls, and malloc/calloc/realloc calls (operator new's own included): of one
  // part, or of every part with no argument.
  static uint64_t News(int part = -1);
  static uint64_t Mallocs(int part = -1);
};
