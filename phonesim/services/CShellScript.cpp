#include "phonesim/services/CShellScript.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "phonesim/services/CPhoneFs.h"

namespace phonesim {

namespace {

constexpr char kSh[] = "/system/bin/sh";

std::vector<std::string> SplitWords(const std::string& s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    size_t j = i;
    while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}

std::string BaseName(const std::string& p) {
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool Matches(const std::string& pattern, const std::string& command) {
  if (!pattern.empty() && pattern.back() == '*')
    return command.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
  return pattern == command;
}

}  // namespace

CShellScript::CShellScript() {
  Reset();
}

void CShellScript::SetFs(CPhoneFs* fs) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_pFs = fs;
}

void CShellScript::Reset() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Props = {
      {"ro.build.version.release", "6.0.1"}, {"ro.build.version.sdk", "23"},
      {"ro.product.model", "Phonesim"},      {"ro.product.name", "phonesim"},
      {"ro.product.device", "phonesim"},     {"ro.product.manufacturer", "Phonesim"},
      {"ro.serialno", "PHONESIM0001"},
  };
  m_Installed = {"com.velto.corvane"};
  // The first helper shows as "vtsy" in the process list while it runs.
  m_Children = {{"vtsc", "vtsy"}};
  m_Rules.clear();
  m_Procs = {
      {"root", 1, 0, "/init"},
      {"root", 2, 0, "kthreadd"},
      {"root", 170, 1, "/system/bin/vold"},
      {"root", 190, 1, "zygote"},
      {"system", 520, 190, "system_server"},
      {"shell", 1805, 1, "/sbin/adbd"},
  };
  m_nNextPid = 2400;
}

void CShellScript::SetProp(const std::string& key, const std::string& value) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Props[key] = value;
}

std::string CShellScript::Prop(const std::string& key) const {
  std::lock_guard<std::mutex> g(m_Lock);
  auto it = m_Props.find(key);
  return it == m_Props.end() ? "" : it->second;
}

void CShellScript::SetAppInstalled(const std::string& package, bool installed) {
  std::lock_guard<std::mutex> g(m_Lock);
  if (installed)
    m_Installed.insert(package);
  else
    m_Installed.erase(package);
}

void CShellScript::SetChildProcess(const std::string& base, const std::string& child_name) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Children[base] = child_name;
}

void CShellScript::SetRule(const SShellRule& rule) {
  std::lock_guard<std::mutex> g(m_Lock);
  for (auto& r : m_Rules)
    if (r.m_strPattern == rule.m_strPattern) {
      r = rule;
      return;
    }
  m_Rules.push_back(rule);
}

void CShellScript::ClearRules() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Rules.clear();
}

std::vector<SPhoneProcess> CShellScript::Processes() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Procs;
}

bool CShellScript::IsRunning(const std::string& name) const {
  std::lock_guard<std::mutex> g(m_Lock);
  for (const auto& p : m_Procs)
    if (p.m_strName == name) return true;
  return false;
}

void CShellScript::SetAppStartHook(std::function<void(const std::string& package)> hook) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_fnAppStartHook = std::move(hook);
}

void CShellScript::EndProcess(const std::string& name) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Procs.erase(std::remove_if(m_Procs.begin(), m_Procs.end(),
                               [&](const SPhoneProcess& p) { return p.m_strName == name; }),
                m_Procs.end());
}

SShellAnswer CShellScript::Run(const std::string& command) {
  std::unique_lock<std::mutex> g(m_Lock);
  const SShellRule* rule = nullptr;
  for (const auto& r : m_Rules)
    if (Matches(r.m_strPattern, command)) {
      rule = &r;
      break;
    }
  SShellAnswer a;
  // The default still runs under a replacing rule only when it would not:
  // a replaced answer leaves the phone's state as it was.
  if (rule == nullptr || !rule->m_bReplace)
    a.m_strText = Default(command);
  else
    a.m_strText = rule->m_strText;
  if (rule != nullptr) {
    a.m_nDelayMs = rule->m_nDelayMs;
    a.m_bSilent = rule->m_bSilent;
    a.m_Splits = rule->m_Splits;
  }
  std::string started;
  started.swap(m_strStartedPackage);
  auto hook = m_fnAppStartHook;
  g.unlock();
  // The hook may look at the shell again.
  if (!started.empty() && hook) hook(started);
  return a;
}

std::string CShellScript::Default(const std::string& command) {
  std::vector<std::string> argv = SplitWords(command);
  if (argv.empty()) return "";
  const std::string& cmd = argv[0];
  if (cmd == "am" && argv.size() >= 2 && argv[1] == "start") return AmStart(argv);
  if (cmd == "getprop") {
    if (argv.size() >= 2) {
      auto it = m_Props.find(argv[1]);
      return (it == m_Props.end() ? std::string() : it->second) + "\r\n";
    }
    std::string all;
    for (const auto& kv : m_Props) all += "[" + kv.first + "]: [" + kv.second + "]\r\n";
    return all;
  }
  if (cmd == "ps") return Ps();
  if (cmd == "kill") return Kill(argv);
  if (cmd == "chmod") return Chmod(argv);
  if (cmd == "mkdir") return Mkdir(argv);
  if (cmd == "ls") return Ls(argv);
  if (cmd == "echo") {
    std::string out;
    for (size_t i = 1; i < argv.size(); ++i) out += (i > 1 ? " " : "") + argv[i];
    return out + "\r\n";
  }
  if (cmd[0] == '/') return Exec(argv);
  return std::string(kSh) + ": " + cmd + ": not found\r\n";
}

std::string CShellScript::AmStart(const std::vector<std::string>& argv) {
  std::string component;
  for (size_t i = 2; i + 1 < argv.size(); ++i)
    if (argv[i] == "-n") component = argv[i + 1];
  if (component.empty()) return "Error: no component given\r\n";
  std::string out = "Starting: Intent { cmp=" + component + " }\r\n";
  std::string package = component.substr(0, component.find('/'));
  if (m_Installed.count(package) == 0)
    return out + "Error type 3\r\nError: Activity class {" + component + "} does not exist.\r\n";
  bool running = false;
  for (const auto& p : m_Procs) running = running || p.m_strName == package;
  if (!running) StartProcess("u0_a87", 190, package);
  m_strStartedPackage = package;
  return out;
}

int CShellScript::StartProcess(const std::string& user, int ppid, const std::string& name) {
  int pid = m_nNextPid++;
  m_Procs.push_back({user, pid, ppid, name});
  return pid;
}

std::string CShellScript::Ps() const {
  // The toolbox ps layout; no column between the user and the name holds
  // an 'l', which the head unit's pid search relies on.
  std::string out = "USER      PID   PPID  VSIZE  RSS   WCHAN              PC  NAME\r\n";
  for (const auto& p : m_Procs) {
    char line[512];
    std::snprintf(line, sizeof line, "%-9s %-5d %-5d %-6d %-5d %08x %016x S %s\r\n", p.m_strUser.c_str(),
                  p.m_nPid, p.m_nPpid, 9000 + p.m_nPid % 7000, 700 + p.m_nPid % 3000, 0xffffffffu, 0u,
                  p.m_strName.c_str());
    out += line;
  }
  return out;
}

std::string CShellScript::Kill(const std::vector<std::string>& argv) {
  if (argv.size() < 2) return "usage: kill [-s signal] pid ...\r\n";
  std::string out;
  for (size_t i = 1; i < argv.size(); ++i) {
    if (argv[i][0] == '-') continue;
    char* end = nullptr;
    long pid = std::strtol(argv[i].c_str(), &end, 10);
    auto it =
        std::find_if(m_Procs.begin(), m_Procs.end(), [&](const SPhoneProcess& p) { return p.m_nPid == pid; });
    if (end == argv[i].c_str() || *end != '\0' || it == m_Procs.end()) {
      out += std::string(kSh) + ": kill: " + argv[i] + ": No such process\r\n";
      continue;
    }
    if (it->m_strUser != "shell") {
      out += std::string(kSh) + ": kill: " + argv[i] + ": Operation not permitted\r\n";
      continue;
    }
    // Children of a killed helper go with it.
    int victim = it->m_nPid;
    m_Procs.erase(
        std::remove_if(m_Procs.begin(), m_Procs.end(),
                       [&](const SPhoneProcess& p) { return p.m_nPid == victim || p.m_nPpid == victim; }),
        m_Procs.end());
  }
  return out;
}

std::string CShellScript::Chmod(const std::vector<std::string>& argv) {
  if (argv.size() < 3) return "Usage: chmod MODE FILE\r\n";
  char* end = nullptr;
  long mode = std::strtol(argv[1].c_str(), &end, 8);
  if (end == argv[1].c_str() || *end != '\0' || mode < 0 || mode > 07777) return "Bad mode\r\n";
  std::string out;
  for (size_t i = 2; i < argv.size(); ++i) {
    std::string host;
    if (m_pFs == nullptr || !m_pFs->Resolve(argv[i], &host) ||
        chmod(host.c_str(), static_cast<mode_t>(mode)) != 0)
      out += "Unable to chmod " + argv[i] + ": No such file or directory\r\n";
  }
  return out;
}

std::string CShellScript::Mkdir(const std::vector<std::string>& argv) {
  std::string out;
  bool parents = false;
  for (size_t i = 1; i < argv.size(); ++i) {
    if (argv[i] == "-p") {
      parents = true;
      continue;
    }
    std::string host;
    if (m_pFs == nullptr || !m_pFs->Resolve(argv[i], &host)) {
      out += "mkdir failed for " + argv[i] + ", No such file or directory\r\n";
      continue;
    }
    if (parents) m_pFs->MakeParents(argv[i]);
    struct stat st;
    if (stat(host.c_str(), &st) == 0) {
      if (!parents) out += "mkdir failed for " + argv[i] + ", File exists\r\n";
    } else if (mkdir(host.c_str(), 0771) != 0) {
      out += "mkdir failed for " + argv[i] + ", No such file or directory\r\n";
    }
  }
  return out;
}

std::string CShellScript::Ls(const std::vector<std::string>& argv) {
  std::string path = "/";
  for (size_t i = 1; i < argv.size(); ++i)
    if (argv[i][0] != '-') path = argv[i];
  std::string host;
  struct stat st;
  if (m_pFs == nullptr || !m_pFs->Resolve(path, &host) || stat(host.c_str(), &st) != 0)
    return path + ": No such file or directory\r\n";
  if (!S_ISDIR(st.st_mode)) return path + "\r\n";
  std::vector<std::string> names;
  if (DIR* d = opendir(host.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& n : names) out += n + "\r\n";
  return out;
}

std::string CShellScript::Exec(const std::vector<std::string>& argv) {
  const std::string& path = argv[0];
  std::string host;
  struct stat st;
  if (m_pFs == nullptr || !m_pFs->Resolve(path, &host) || stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
    return std::string(kSh) + ": " + path + ": not found\r\n";
  if ((st.st_mode & 0111) == 0)
    return std::string(kSh) + ": " + path + ": can't execute: Permission denied\r\n";
  // A pushed helper starts and goes on running in the background; the
  // shell that started it ends at once.
  int pid = StartProcess("shell", 1, path);
  auto child = m_Children.find(BaseName(path));
  if (child != m_Children.end()) StartProcess("shell", pid, child->second);
  return "";
}

}  // namespace phonesim
