#include "phonelink/AdbLinkLife.h"

#include "platform/kernel/CsLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Threads that race for the link lock before anything made it all get the one lock (a lock made
// twice would leave them different ones), and it excludes: no holder ever finds another inside.
TEST(AdbLinkLife, TheLinkLockIsMadeOnceHoweverManyThreadsRaceForIt) {
  AdbLinkLife life;
  constexpr int kThreads = 8;
  std::atomic<int> ready{0}, inside{0}, overlaps{0};
  std::vector<void*> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ++ready;
      while (ready < kThreads) std::this_thread::yield();
      seen[t] = life.LinkLock()->m_pImpl;
      for (int i = 0; i < 200; ++i) {
        CsLock hold(life.LinkLock());
        if (inside.fetch_add(1) != 0) ++overlaps;
        inside.fetch_sub(1);
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 1; t < kThreads; ++t) EXPECT_EQ(seen[t], seen[0]);
  EXPECT_EQ(overlaps, 0);
}

}  // namespace
