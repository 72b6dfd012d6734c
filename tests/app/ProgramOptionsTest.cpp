// The options corvane-engine and CECorvane share, with and without words of the program's own.
#include "app/ProgramOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ProgramOptionsResult Parse(std::vector<std::string> args, bool takesWords, ProgramOptions* options) {
  std::vector<char*> argv;
  std::string program = "prog";
  argv.push_back(program.data());
  for (std::string& a : args) argv.push_back(a.data());
  return ParseProgramOptions(static_cast<int>(argv.size()), argv.data(), takesWords, options);
}

TEST(ProgramOptions, ReadsTheSharedOptionsAndTheProgramsWords) {
  struct Case {
    std::vector<std::string> args;
    bool takesWords;
    ProgramOptionsResult result;
    std::string dir;
    int width, height, bpp;
    std::string dump;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {{}, false, kOptionsRun, ".", 800, 480, 32, "", {}},
      {{"--dir", "/r", "--screen", "1024x600", "--bpp", "16", "--dump-surface", "/s.bmp"},
       false,
       kOptionsRun,
       "/r",
       1024,
       600,
       16,
       "/s.bmp",
       {}},
      {{"hide"}, false, kOptionsBad, ".", 800, 480, 32, "", {}},
      {{"-hide", "--dir", "/r", "x"}, true, kOptionsRun, "/r", 800, 480, 32, "", {"-hide", "x"}},
      {{"--screen", "big"}, true, kOptionsBad, ".", 800, 480, 32, "", {}},
      {{"--dir"}, true, kOptionsBad, ".", 800, 480, 32, "", {}},
      {{"--verbose"}, true, kOptionsBad, ".", 800, 480, 32, "", {}},
      {{"--dir", "/r", "--help"}, true, kOptionsHelp, "/r", 800, 480, 32, "", {}},
  };
  for (const Case& c : cases) {
    std::string trace;
    for (const std::string& a : c.args) trace += a + " ";
    SCOPED_TRACE(trace + (c.takesWords ? "(words)" : ""));
    ProgramOptions options;
    ASSERT_EQ(Parse(c.args, c.takesWords, &options), c.result);
    if (c.result == kOptionsBad) continue;
    EXPECT_EQ(options.dir, c.dir);
    EXPECT_EQ(options.width, c.width);
    EXPECT_EQ(options.height, c.height);
    EXPECT_EQ(options.bpp, c.bpp);
    EXPECT_EQ(options.dumpFile, c.dump);
    EXPECT_EQ(options.words, c.words);
  }
}

}  // namespace
