#include "bench/CBenchProgram.h"

#include "bench/CBenchReport.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <unistd.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {
// The program quits within 3 s of "quit"; a loaded machine may add as much again.
const int kQuitMs = 6000;
const uint64_t kShownToStart = 10;
const char kMomentFile[] = "shown.moments";
}  // namespace

CBenchProgram::~CBenchProgram() {
  Stop();
}

bool CBenchProgram::Start(int width, int height, const phonesim::SPhoneAppOptions& app, int timeoutMs,
                          std::string* error) {
  if (!m_Root.Make("corvane-bench-program", error)) return false;
  const fs::path dir = m_Root.Dir();
  // The program's packs and font lie beside it.
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(fs::path(CECORVANE_PATH).parent_path(), ec)) {
    if (e.path().extension() == ".pack" || e.path().filename() == "Marlow.ttf")
      fs::copy_file(e.path(), dir / e.path().filename(), ec);
  }
  if (ec) {
    *error = std::string("cannot copy the program's files: ") + ec.message();
    return false;
  }
  const std::string moments = (m_Root.Path() / kMomentFile).string();
  if (!m_Shown.Open(moments)) {
    *error = "cannot map the moment log " + moments;
    return false;
  }

  if (!m_Root.StartPhone(m_Phone, app, error)) return false;
  m_nPhoneOffsetUs = CBenchReport::NowUs() - m_Phone.Record().NowUs();

  const std::string errPath = (m_Root.Path() / "CECorvane.err").string();
  const std::vector<std::string> args = {
      CECORVANE_PATH, "--dir", dir.string(), "--screen", std::to_string(width) + "x" + std::to_string(height),
      "--bpp",        "32"};
  const std::vector<std::string> env = {"CORVANE_PHONE=tcp:127.0.0.1:" + std::to_string(m_Phone.Port()),
                                        "CORVANE_DISPLAY=headless",
                                        std::string(wce::kMomentLogVariable) + "=" + moments};
  if (!m_Program.Start(args, env, errPath)) {
    *error = "cannot start " + std::string(CECORVANE_PATH);
    return false;
  }
  m_bDraining = true;
  m_Drain = std::thread(&CBenchProgram::DrainOutput, this);

  const int64_t end = CBenchReport::NowUs() + static_cast<int64_t>(timeoutMs) * 1000;
  while (CBenchReport::NowUs() < end) {
    if (m_Shown.Count() >= kShownToStart) return true;
    Sleep(20);
  }
  *error = "no pictures shown within " + std::to_string(timeoutMs) + " ms (" +
           std::to_string(m_Shown.Count()) + " shown); the program's log: " + errPath;
  m_Root.Keep();  // for the reason above
  return false;
}

void CBenchProgram::DrainOutput() {
  std::string line;
  while (m_bDraining) m_Program.ReadLine(&line, 100);
}

void CBenchProgram::Stop() {
  if (m_Program.Running()) {
    m_Program.Write("quit\n");
    if (m_Program.Wait(kQuitMs) < 0) m_Program.Kill();
  }
  m_bDraining = false;
  if (m_Drain.joinable()) m_Drain.join();
  m_Phone.Stop();
  m_Shown.Close();
  m_Root.Remove();
}

double CBenchProgram::CpuSeconds() const {
  return StatCpuSeconds("/proc/" + std::to_string(m_Program.Pid()) + "/stat");
}

std::map<int, double> CBenchProgram::ThreadCpuSeconds() const {
  std::map<int, double> threads;
  std::error_code ec;
  for (const fs::directory_entry& e :
       fs::directory_iterator("/proc/" + std::to_string(m_Program.Pid()) + "/task", ec)) {
    // The scheduler's own count, in nanoseconds: the stat file's ticks are too coarse for a thread.
    std::ifstream in(e.path() / "schedstat");
    double ns = -1;
    if (in >> ns) threads[std::atoi(e.path().filename().c_str())] = ns / 1e9;
  }
  return threads;
}

double CBenchProgram::StatCpuSeconds(const std::string& path) {
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The command name in parentheses may hold spaces: fields are counted after its ')'.
  const size_t close = text.rfind(')');
  if (close == std::string::npos || close + 2 > text.size()) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  double utime = -1, stime = -1;
  // utime and stime are fields 14 and 15 of the line; the state (field 3) comes first here.
  for (int n = 3; n <= 15 && fields >> field; ++n) {
    if (n == 14) utime = std::stod(field);
    if (n == 15) stime = std::stod(field);
  }
  if (utime < 0 || stime < 0) return -1;
  return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double CBenchProgram::StatusKb(const std::string& field) const {
  std::ifstream in("/proc/" + std::to_string(m_Program.Pid()) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, field.size() + 1, field + ":") == 0) return std::stod(line.substr(field.size() + 1));
  }
  return -1;
}
