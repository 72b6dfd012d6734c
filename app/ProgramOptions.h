// The options the head unit's programs on this host share (corvane-engine and CECorvane): the
// program directory, the screen, the picture surface written at the end, and the words of the
// program's own command line. The phone is found through CORVANE_PHONE.
#pragma once

#include <csignal>
#include <functional>
#include <string>
#include <vector>

struct ProgramOptions {
  std::string dir = ".";
  std::string dumpFile;
  int width = 800;
  int height = 480;
  int bpp = 32;
  // Words that are no option, in order (CECorvane's command line, such as "hide").
  std::vector<std::string> words;
};

enum ProgramOptionsResult { kOptionsRun, kOptionsHelp, kOptionsBad };

// bTakesWords: whether words that are no option belong to the program (else they are an error).
ProgramOptionsResult ParseProgramOptions(int argc, char** argv, bool bTakesWords, ProgramOptions* pOptions);

// The screen, the root directory and the program's own CE path; false (with a line on standard
// error) for a screen the display cannot take.
bool ApplyProgramOptions(const ProgramOptions& options, const char* pszProgram);

// SIGINT and SIGTERM are blocked in the calling thread and every thread it starts from then on; a
// thread of their own then takes them as an orderly quit (onQuit, once per signal).
sigset_t BlockQuitSignals();
void StartQuitSignalThread(sigset_t signals, std::function<void()> onQuit);

constexpr int kProgramRunsOn = -1;
// The start of a program's main: the options parsed (--help writes the usage to standard output,
// a bad option to standard error), the quit signals blocked for every thread to come, the options
// applied. kProgramRunsOn, or the status the program exits with.
int StartProgram(int argc, char** argv, bool bTakesWords, const char* pszUsage, const char* pszProgram,
                 ProgramOptions* pOptions, sigset_t* pQuitSignals);

// The end of a program's run, while its engine still runs (the engine's shutdown destroys the
// picture surface): the surface written to the --dump-surface file, when one was given.
void WriteEndSurface(const ProgramOptions& options, const char* pszProgram);
