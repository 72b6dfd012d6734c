// IsBadReadPtr: every kind of unreadable page, faults caught per thread, and faults outside a
// probe left to the handler that was there before.
#include "platform/kernel/kernel.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// Three pages: two readable, the third not.
class CGuardedPages {
 public:
  CGuardedPages() {
    void* p = mmap(nullptr, m_nPage * 3, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    m_pPages = static_cast<BYTE*>(p);
    mprotect(m_pPages + m_nPage * 2, m_nPage, PROT_NONE);
  }
  ~CGuardedPages() {
    if (m_pPages != nullptr) munmap(m_pPages, m_nPage * 3);
  }
  BYTE* Readable() const { return m_pPages; }
  BYTE* Unreadable() const { return m_pPages + m_nPage * 2; }
  size_t Page() const { return m_nPage; }

 private:
  const size_t m_nPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  BYTE* m_pPages = nullptr;
};

// The bad-read test answers for every page of a range, without touching the caller's view: pages
// never readable, and a file mapped two pages long whose second page lies past the file's end
// (reading it raises SIGBUS rather than SIGSEGV).
TEST(KernelMemory, IsBadReadPtrFindsUnreadablePages) {
  CGuardedPages guarded;
  BYTE* pages = guarded.Readable();
  ASSERT_NE(pages, nullptr);
  const size_t page = guarded.Page();
  std::string path = ::testing::TempDir() + "readprobe-XXXXXX";
  const int fd = mkstemp(path.data());
  ASSERT_GE(fd, 0);
  unlink(path.c_str());
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(page)), 0);
  void* mapped = mmap(nullptr, page * 2, PROT_READ, MAP_SHARED, fd, 0);
  close(fd);
  ASSERT_NE(mapped, MAP_FAILED);
  const BYTE* file = static_cast<const BYTE*>(mapped);
  struct Case {
    const char* pszName;
    const void* p;
    UINT_PTR cb;
    BOOL fgBad;
  };
  const Case cases[] = {
      {"nothing to read", nullptr, 0, FALSE},
      {"no address", nullptr, 1, TRUE},
      {"two readable pages", pages, static_cast<UINT_PTR>(page * 2), FALSE},
      {"one byte into the unreadable page", pages + page, static_cast<UINT_PTR>(page + 1), TRUE},
      {"inside the unreadable page", pages + page * 2 + 10, 1, TRUE},
      {"wrapping the address space", pages, ~UINT_PTR{0}, TRUE},
      {"the file's page", file, page, FALSE},
      {"the page past the file's end", file + page, 1, TRUE},
      {"the file's last byte and the first past it", file + page - 1, 2, TRUE},
      {"the file's page after a fault", file + 7, 9, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszName);
    EXPECT_EQ(IsBadReadPtr(c.p, c.cb), c.fgBad);
  }
  munmap(mapped, page * 2);
}

// Every thread's faults come back to its own probe, however the threads interleave.
TEST(ReadProbe, ThreadsProbingAtOnceEachGetTheirOwnAnswers) {
  CGuardedPages pages;
  ASSERT_NE(pages.Readable(), nullptr);
  const int kThreads = 4;
  const int kRounds = 2000;
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        if (IsBadReadPtr(pages.Unreadable() + i % pages.Page(), 1) != TRUE) ++wrong[t];
        if (IsBadReadPtr(pages.Readable() + i, pages.Page()) != FALSE) ++wrong[t];
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

const int kReachedTheProgramsHandler = 41;
const int kProbeFaultEscaped = 42;
volatile sig_atomic_t g_fgProbed = 0;

void ProgramsFaultHandler(int) {
  _exit(g_fgProbed ? kReachedTheProgramsHandler : kProbeFaultEscaped);
}

// A handler the program installed before the first probe keeps every fault but the probe's.
TEST(ReadProbeDeathTest, AFaultOutsideAProbeGoesToTheHandlerInstalledBefore) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        struct sigaction action = {};
        action.sa_handler = ProgramsFaultHandler;
        sigemptyset(&action.sa_mask);
        sigaction(SIGSEGV, &action, nullptr);
        CGuardedPages pages;
        if (IsBadReadPtr(pages.Unreadable(), 1) != TRUE) _exit(EXIT_FAILURE);
        g_fgProbed = 1;
        (void)*reinterpret_cast<const volatile BYTE*>(pages.Unreadable());
        _exit(EXIT_SUCCESS);
      },
      ::testing::ExitedWithCode(kReachedTheProgramsHandler), "");
}

}  // namespace
