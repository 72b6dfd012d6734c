// An Xvfb of a test's own, for tests of the desktop display.
#pragma once

#include <csignal>
#include <string>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

// How long Xvfb may take to say which display it serves.
inline constexpr int kXvfbStartMs = 15000;

// An Xvfb of our own on a display number it picks itself (-displayfd), so tests running side by
// side never meet on one display.
class CXvfb {
 public:
  ~CXvfb() { Stop(); }

  // The display name (":N"), or empty with the reason in *why.
  std::string Start(std::string* why) {
    int fds[2];
    if (pipe(fds) != 0) {
      *why = "no pipe";
      return "";
    }
    m_pid = fork();
    if (m_pid == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (m_pid < 0) {
      close(fds[0]);
      *why = "fork failed";
      return "";
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, kXvfbStartMs) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) {
      *why = "Xvfb did not start (is the xvfb package installed?)";
      Stop();
      return "";
    }
    return ":" + number;
  }

  void Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }

 private:
  pid_t m_pid = -1;
};
