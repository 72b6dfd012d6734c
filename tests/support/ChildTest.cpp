// The checks every end-to-end fixture gets from Child: a sanitizer report in a child's standard
// error fails the test, and so does an end of its own with a status nobody expected; a child the
// test kills, or whose status the test reads itself, is the test's affair.
#include "tests/support/Child.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <string>

namespace {

using e2e::Child;
using e2e::SanitizerReport;

TEST(SanitizerReport, FindsEachSanitizersReportFromItsFirstLine) {
  const struct {
    const char* err;
    const char* report;  // empty: none
  } cases[] = {
      {"log\n==7==ERROR: AddressSanitizer: heap-buffer-overflow on address\nmore\n",
       "==7==ERROR: AddressSanitizer: heap-buffer-overflow on address\nmore\n"},
      {"==7==ERROR: LeakSanitizer: detected memory leaks\n",
       "==7==ERROR: LeakSanitizer: detected memory leaks\n"},
      {"a\nx.cpp:3:5: runtime error: signed integer overflow\n",
       "x.cpp:3:5: runtime error: signed integer overflow\n"},
      {"==7==ERROR: UndefinedBehaviorSanitizer: SEGV\n", "==7==ERROR: UndefinedBehaviorSanitizer: SEGV\n"},
      {"ok\nWARNING: ThreadSanitizer: data race (pid=7)\n", "WARNING: ThreadSanitizer: data race (pid=7)\n"},
      {"SUMMARY: MemorySanitizer: use-of-uninitialized-value\n",
       "SUMMARY: MemorySanitizer: use-of-uninitialized-value\n"},
      // The head unit's own lines that look alike are not reports.
      {"SUMMARY: 3 pictures\nERROR: the phone went away\n", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    EXPECT_EQ(SanitizerReport(c.err), c.report);
  }
}

// A child that ends as the shell command says, its standard error in its own file.
void StartShell(Child* child, const std::string& command) {
  ASSERT_TRUE(child->Start({"/bin/sh", "-c", command}, {}));
}

// Until the child has ended, without reaping it: its end is then its own, not the test's kill.
void AwaitEnd(const Child& child) {
  siginfo_t info = {};
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child.Pid()), &info, WEXITED | WNOWAIT), 0);
}

TEST(Child, AReportInItsStandardErrorFailsTheTestWhateverItsStatus) {
  Child child;
  StartShell(&child,
             "echo starting >&2; echo '==9==ERROR: AddressSanitizer: heap-buffer-overflow' >&2; exit 0");
  EXPECT_NONFATAL_FAILURE(EXPECT_EQ(child.Wait(10000), 0), "ERROR: AddressSanitizer: heap-buffer-overflow");
}

TEST(Child, AReportFailsTheTestEvenWhenTheTestKillsIt) {
  Child child;
  StartShell(&child, "echo 'WARNING: ThreadSanitizer: data race' >&2; echo ready; exec sleep 60");
  std::string line;
  ASSERT_TRUE(child.ReadLine(&line, 10000));
  EXPECT_NONFATAL_FAILURE(child.Kill(), "WARNING: ThreadSanitizer: data race");
}

TEST(Child, AnEndOfItsOwnWithAnUnexpectedStatusFailsTheTest) {
  Child child;
  StartShell(&child, "exit 3");
  ASSERT_NO_FATAL_FAILURE(AwaitEnd(child));
  EXPECT_NONFATAL_FAILURE(child.Kill(), "sh ended on its own with status 3");

  Child expected;
  expected.ExpectStatus(3);
  StartShell(&expected, "exit 3");
  ASSERT_NO_FATAL_FAILURE(AwaitEnd(expected));
  expected.Kill();
}

TEST(Child, AStatusTheTestReadsOrAKillOfItsOwnIsTheTests) {
  Child read;
  StartShell(&read, "echo plain log line >&2; exit 3");
  EXPECT_EQ(read.Wait(10000), 3);

  Child killed;
  StartShell(&killed, "echo ready; exec sleep 60");
  std::string line;
  ASSERT_TRUE(killed.ReadLine(&line, 10000));
  killed.Kill();
  EXPECT_FALSE(killed.Running());
}

}  // namespace
