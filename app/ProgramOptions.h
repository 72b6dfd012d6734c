// The options the head unit's programs on this host share (corvane-engine and CECorvane): the
// program directory, the screen, the picture surface written at the end, and the words of the
// program's own command line. The phone is found through CORVANE_PHONE.
//
// A program has one root: the host directory that stands for the device's root, holds the
// program's files and, with CORVANE_BUS=shared, the bus (<root>/bus) on which its named objects,
// registered messages and windows meet the other programs'. The root is CORVANE_ROOT when that is
// set, else --dir. The static initialisers already create named objects and register messages on
// the bus, so each program settles its root before them (SettleProgramRoot).
#pragma once

#include <csignal>
#include <functional>
#include <string>
#include <vector>

struct ProgramOptions {
  std::string m_strDir = ".";
  bool m_bDirGiven = false;  // --dir was on the command line
  std::string m_strDumpFile;
  int m_nWidth = 800;
  int m_nHeight = 480;
  int m_nBpp = 32;
  // Words that are no option, in order (CECorvane's command line, such as "hide").
  std::vector<std::string> m_Words;
};

enum ProgramOptionsResult { kOptionsRun, kOptionsHelp, kOptionsBad };

// bTakesWords: whether words that are no option belong to the program (else they are an error).
ProgramOptionsResult ParseProgramOptions(int argc, char** argv, bool bTakesWords, ProgramOptions* pOptions);

// The root: CORVANE_ROOT's value (pszEnvRoot, nullptr when unset) unless it is empty, else --dir.
std::string ProgramRoot(const char* pszEnvRoot, const std::string& dir);

// Before every static initialiser of the program (a constructor function of its main file): the
// root chosen from the program's own arguments, made the platform's root and left in CORVANE_ROOT,
// so that the programs it starts meet it on the same bus. A bad command line is left to main.
void SettleProgramRoot(int argc, char** argv);

// The screen, the root directory and the program's own CE path; false (with a line on standard
// error) for a screen the display cannot take. A --dir that the root overrides is reported on
// standard error.
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

// The phone at CORVANE_PHONE plugged into the USB host through the TCP backend, with the phone's
// own descriptors; without it the program says so and runs on with no phone.
void PlugPhoneFromEnvironment(const char* pszProgram);
