// tools/testruns.py on JUnit files in the form ctest 3.25 writes them (--output-junit): which
// tests ran, and which failed, where ctest's "notrun" covers both a test that skipped itself and
// one that ctest could not start.
#include "tests/tools/PythonToolFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct SCase {
  const char* name;
  const char* status;
  const char* child;  // the element ctest writes inside the test case, or ""
};

// Every kind of result ctest writes.
const SCase kEveryKind[] = {
    {"Pass.One", "run", ""},
    {"Fail.One", "fail", "<failure message=\"\"/>"},
    {"Skip.ByOutput", "notrun", "<skipped message=\"SKIP_REGULAR_EXPRESSION_MATCHED\"/>"},
    {"Skip.ByStatus", "notrun", "<skipped message=\"SKIP_RETURN_CODE=77\"/>"},
    {"NoExecutable", "notrun", "<skipped message=\"Unable to find executable\"/>"},
    {"NeedsFixture", "notrun", "<skipped message=\"Fixture dependency failed\"/>"},
    {"Disabled.One", "disabled", ""},
};

std::string JUnit(const std::vector<SCase>& cases) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuite name=\"(empty)\"\n\ttests=\"" +
                    std::to_string(cases.size()) + "\"\n\t>\n";
  for (const SCase& c : cases) {
    xml += std::string("\t<testcase name=\"") + c.name + "\" classname=\"" + c.name +
           "\" time=\"0.01\" status=\"" + c.status + "\">\n";
    if (*c.child) xml += std::string("\t\t") + c.child + "\n";
    xml += "\t\t<system-out></system-out>\n\t</testcase>\n";
  }
  return xml + "</testsuite>\n";
}

class TestRuns : public PythonToolFixture {
 protected:
  TestRuns() : PythonToolFixture(TESTRUNS_PATH) {}

  std::string Put(const std::string& file, const std::vector<SCase>& cases) {
    const std::string path = (m_dir / file).string();
    std::ofstream(path) << JUnit(cases);
    return path;
  }
};

TEST_F(TestRuns, OnlyTestsThatPassedOrFailedRan) {
  const std::string run = Put("run.xml", std::vector<SCase>(std::begin(kEveryKind), std::end(kEveryKind)));
  ASSERT_EQ(Run("count " + run), 0);
  EXPECT_EQ(Output(), "2\n");
}

TEST_F(TestRuns, ATestCtestCouldNotStartFailsOneThatSkippedItselfDoesNot) {
  const std::string first =
      Put("run-1.xml", std::vector<SCase>(std::begin(kEveryKind), std::end(kEveryKind)));
  const std::string second = Put("run-2.xml", {kEveryKind[0], kEveryKind[2], kEveryKind[3], kEveryKind[4]});
  EXPECT_EQ(Run("failures " + first + " " + second), 1);
  EXPECT_EQ(Output(),
            "test          failed\n"
            "NoExecutable  2 of 2\n"
            "Fail.One      1 of 2\n"
            "NeedsFixture  1 of 2\n");

  // Skips alone, run after run: nothing failed.
  const std::string skips = Put("skips.xml", {kEveryKind[0], kEveryKind[2], kEveryKind[3], kEveryKind[6]});
  EXPECT_EQ(Run("failures " + skips + " " + skips), 0);
  EXPECT_EQ(Output(), "No test failed in 2 runs.\n");
}

TEST_F(TestRuns, ARunWithoutResultsFails) {
  const std::string skips = Put("skips.xml", {kEveryKind[2]});
  EXPECT_EQ(Run("failures " + skips + " " + (m_dir / "missing.xml").string()), 1);
  const std::string out = Output();
  EXPECT_NE(out.find("missing.xml: no results"), std::string::npos) << out;
  EXPECT_NE(out.find("(the run itself: no results)  1 of 2\n"), std::string::npos) << out;
}

}  // namespace
