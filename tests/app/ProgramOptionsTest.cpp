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
    std::vector<std::string> m_Args;
    bool m_bTakesWords;
    ProgramOptionsResult m_Result;
    std::string m_strDir;
    int m_nWidth, m_nHeight, m_nBpp;
    std::string m_strDump;
    std::vector<std::string> m_Words;
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
    for (const std::string& a : c.m_Args) trace += a + " ";
    SCOPED_TRACE(trace + (c.m_bTakesWords ? "(words)" : ""));
    ProgramOptions options;
    ASSERT_EQ(Parse(c.m_Args, c.m_bTakesWords, &options), c.m_Result);
    if (c.m_Result == kOptionsBad) continue;
    EXPECT_EQ(options.m_strDir, c.m_strDir);
    EXPECT_EQ(options.m_nWidth, c.m_nWidth);
    EXPECT_EQ(options.m_nHeight, c.m_nHeight);
    EXPECT_EQ(options.m_nBpp, c.m_nBpp);
    EXPECT_EQ(options.m_strDumpFile, c.m_strDump);
    EXPECT_EQ(options.m_Words, c.m_Words);
  }
}

}  // namespace
