#include "tests/support/Child.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

fs::path& ErrDir() {
  static fs::path dir;
  return dir;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What a child's standard error shows of itself when the test failed: its end, where a crash or a
// report is.
constexpr size_t kShownErr = 64 * 1024;
constexpr size_t kShownReport = 4000;

}  // namespace

std::string SanitizerReport(const std::string& err) {
  size_t first = std::string::npos;
  for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                           "ERROR: UndefinedBehaviorSanitizer", "WARNING: ThreadSanitizer"}) {
    first = std::min(first, err.find(mark));
  }
  // Every sanitizer ends its report with "SUMMARY: <Name>Sanitizer: ...".
  for (size_t at = err.find("SUMMARY: "); at != std::string::npos; at = err.find("SUMMARY: ", at + 1)) {
    const size_t colon = err.find(':', at + 9);
    if (colon != std::string::npos && colon - (at + 9) >= 9 && err.compare(colon - 9, 9, "Sanitizer") == 0) {
      first = std::min(first, at);
      break;
    }
  }
  if (first == std::string::npos) return std::string();
  const size_t line = err.rfind('\n', first);
  const size_t begin = line == std::string::npos ? 0 : line + 1;
  return err.substr(begin, kShownReport);
}

std::vector<std::string> SanitizerEnvironment() {
  // Appended to what the test was given, so these win over it.
  const struct {
    const char* name;
    const char* value;
  } settings[] = {
      {"ASAN_OPTIONS", "halt_on_error=1:log_path=stderr"},
      {"UBSAN_OPTIONS", "halt_on_error=1:print_stacktrace=1:log_path=stderr"},
      {"LSAN_OPTIONS", "log_path=stderr"},
      {"TSAN_OPTIONS", "exitcode=66:log_path=stderr"},
  };
  std::vector<std::string> env;
  for (const auto& s : settings) {
    const char* inherited = std::getenv(s.name);
    std::string value = inherited != nullptr && *inherited != '\0' ? std::string(inherited) + ":" : "";
    env.push_back(std::string(s.name) + "=" + value + s.value);
  }
  return env;
}

Child::~Child() {
  Kill();
  if (m_in >= 0) close(m_in);
  if (m_out >= 0) close(m_out);
}

void Child::SetErrDir(const fs::path& dir) {
  ErrDir() = dir;
}

bool Child::Start(const std::vector<std::string>& args, const std::vector<std::string>& env,
                  const std::string& errPath) {
  Kill();
  if (m_in >= 0) close(m_in);
  if (m_out >= 0) close(m_out);
  m_in = m_out = -1;
  m_program = fs::path(args.at(0)).filename().string();
  m_ownErrFile = errPath.empty();
  m_errPath = errPath;
  if (m_ownErrFile) {
    // One file a child, so that a program started twice in a test keeps both.
    static std::atomic<int> s_children{0};
    const fs::path dir = ErrDir().empty() ? fs::temp_directory_path() : ErrDir();
    m_errPath =
        (dir / (m_program + "-" + std::to_string(getpid()) + "-" + std::to_string(++s_children) + ".err"))
            .string();
  }
  int err = open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (err < 0) return false;
  int in[2];
  int out[2];
  if (pipe2(in, O_CLOEXEC) != 0) {
    close(err);
    return false;
  }
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    close(err);
    return false;
  }
  // Built before the fork: the child may only call what is safe after it.
  std::vector<std::string> environment = SanitizerEnvironment();
  environment.insert(environment.end(), env.begin(), env.end());
  m_pid = fork();
  if (m_pid < 0) {
    close(err);
    return false;
  }
  if (m_pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err, 2);
    for (std::string& e : environment) putenv(e.data());
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err);
  m_in = in[1];
  m_out = out[0];
  m_buffer.clear();
  return true;
}

bool Child::Write(const std::string& text) {
  if (m_in < 0) return false;
  // A child that ended must fail the write, not kill the test with SIGPIPE.
  struct sigaction ignore = {}, old = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &old);
  ssize_t n = write(m_in, text.data(), text.size());
  sigaction(SIGPIPE, &old, nullptr);
  return n == static_cast<ssize_t>(text.size());
}

bool Child::ReadLine(std::string* line, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    size_t nl = m_buffer.find('\n');
    if (nl != std::string::npos) {
      *line = m_buffer.substr(0, nl);
      m_buffer.erase(0, nl + 1);
      return true;
    }
    if (m_out < 0) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    pollfd p = {m_out, POLLIN, 0};
    if (poll(&p, 1, left < 0 ? 0 : static_cast<int>(left)) <= 0) return false;
    char buf[4096];
    ssize_t n = read(m_out, buf, sizeof(buf));
    if (n <= 0) return false;
    m_buffer.append(buf, static_cast<size_t>(n));
  }
}

namespace {

int StatusOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int Child::Wait(int ms) {
  if (m_pid <= 0) return -1;
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      Reaped(StatusOf(status), true);
      return StatusOf(status);
    }
    if (Clock::now() >= end) return -1;
    usleep(5000);
  }
}

void Child::Signal(int sig) {
  if (m_pid > 0) kill(m_pid, sig);
}

void Child::Kill() {
  if (m_pid <= 0) return;
  int status = 0;
  if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
    m_pid = -1;
    Reaped(StatusOf(status), false);
    return;
  }
  // Killed here: its status says nothing of the program.
  kill(m_pid, SIGKILL);
  waitpid(m_pid, nullptr, 0);
  m_pid = -1;
  Reaped(128 + SIGKILL, true);
}

void Child::Reaped(int status, bool bStatusRead) {
  const std::string err = ReadFile(m_errPath);
  const std::string report = SanitizerReport(err);
  EXPECT_TRUE(report.empty()) << m_program << "'s standard error (" << m_errPath
                              << ") holds a sanitizer report:\n"
                              << report;
  if (!bStatusRead) {
    EXPECT_EQ(status, m_expected) << m_program << " ended on its own with status " << status;
  }
  if (::testing::Test::HasFailure()) {
    if (m_ownErrFile && !err.empty()) {
      const size_t from = err.size() > kShownErr ? err.size() - kShownErr : 0;
      std::fprintf(stderr, "%s's standard error (%s)%s:\n%s\n", m_program.c_str(), m_errPath.c_str(),
                   from > 0 ? ", its end" : "", err.c_str() + from);
    }
  } else if (m_ownErrFile && ErrDir().empty()) {
    std::remove(m_errPath.c_str());
  }
}

}  // namespace e2e
