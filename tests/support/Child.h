#pragma once
// A program that a test starts as a child process: its standard input and output on pipes, its
// standard error in a file. Whatever the test does, a sanitizer report in that file fails the test,
// and so does an end of its own with another status than the one the test expects.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

// The first sanitizer report in a program's standard error, from the line it starts on (a few
// kilobytes of it), or an empty string when there is none.
std::string SanitizerReport(const std::string& err);

// The sanitizers' settings a child runs with, as "NAME=VALUE" entries: every report goes to
// standard error, and a sanitizer build's program that found one ends with a status other than 0
// (AddressSanitizer and UndefinedBehaviorSanitizer at the first, ThreadSanitizer at its exit).
std::vector<std::string> SanitizerEnvironment();

class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  // Kills what still runs, so a failed test leaves no process behind.
  ~Child();

  // Where the standard error of children started without a file of their own goes (one file a
  // child, named after the program): the test's root, which the fixture sets. Unset, the system's
  // temporary directory, and the file goes once the child is reaped clean.
  static void SetErrDir(const std::filesystem::path& dir);

  // args[0] is the program's path; env entries are "NAME=VALUE" added to the inherited ones and
  // to SanitizerEnvironment(). With errPath the child's standard error goes to that file (created
  // or truncated).
  bool Start(const std::vector<std::string>& args, const std::vector<std::string>& env,
             const std::string& errPath = std::string());
  bool Running() const { return m_pid > 0; }
  pid_t Pid() const { return m_pid; }
  // The file that holds the child's standard error.
  const std::string& ErrPath() const { return m_errPath; }
  bool Write(const std::string& text);
  // The next line of output, or false after ms milliseconds or at its end; with ms 0, a line
  // only if one is there already.
  bool ReadLine(std::string* line, int ms);
  // The exit status (128 + signal for a killed one), or -1 when it did not end within ms. The
  // status returned is the caller's to check.
  int Wait(int ms);
  void Signal(int sig);
  // SIGKILL and reap; harmless when it already ended. A child that ended on its own before it, its
  // status never read through Wait, must have ended with ExpectStatus's status.
  void Kill();
  // The status of an end of its own that nobody waits for (0 unless set).
  void ExpectStatus(int status) { m_expected = status; }

 private:
  // Checks the ended child's standard error and, when nobody read it, its status.
  void Reaped(int status, bool bStatusRead);

  pid_t m_pid = -1;
  int m_in = -1;
  int m_out = -1;
  std::string m_buffer;
  std::string m_program;
  std::string m_errPath;
  bool m_ownErrFile = false;  // the file is one of ours (not the caller's): shown when the test failed
  int m_expected = 0;
};

}  // namespace e2e
