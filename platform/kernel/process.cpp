// Programs started by other programs: CreateProcessW runs a host executable found at the CE path's
// place under the root directory, with the same environment (so the same root and bus).
#include "platform/kernel/CHandleTable.h"
#include "platform/kernel/CProcessObject.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <cerrno>
#include <functional>
#include <memory>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
// The program part of a command line given without an application name: up to the first space,
// or between the quotes when it starts with one.
std::u16string SplitProgram(std::u16string* commandLine) {
  std::u16string& line = *commandLine;
  size_t begin = 0;
  size_t end = 0;
  size_t rest = 0;
  if (!line.empty() && line[0] == u'"') {
    begin = 1;
    end = line.find(u'"', 1);
    if (end == std::u16string::npos) end = line.size();
    rest = end < line.size() ? end + 1 : end;
  } else {
    end = line.find(u' ');
    if (end == std::u16string::npos) end = line.size();
    rest = end;
  }
  std::u16string program = line.substr(begin, end - begin);
  while (rest < line.size() && line[rest] == u' ') ++rest;
  line.erase(0, rest);
  return program;
}

bool IsProgramFile(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(host.c_str(), X_OK) == 0;
}

std::mutex g_startHookLock;
std::function<void(DWORD)> g_startHook;  // guarded by g_startHookLock

void WatchExit(std::shared_ptr<CProcessObject> process, pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  process->Exited(WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : kProcessKilledExitCode);
}
}  // namespace

BOOL CreateProcessW(LPCWSTR appName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                    DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION info) {
  std::u16string args = commandLine != nullptr ? std::u16string(commandLine) : std::u16string();
  const std::u16string program = appName != nullptr ? std::u16string(appName) : SplitProgram(&args);
  const std::string host = wce::HostPath(program);
  if (program.empty() || !IsProgramFile(host)) {
    NKDbgPrintfW(u"CreateProcess %s: no such program\r\n", program.c_str());
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  // CE hands a program its command line as one string, so it travels as one argument.
  const std::string narrowArgs = WceWideToUtf8(args);
  std::vector<char*> argv{const_cast<char*>(host.c_str())};
  if (!narrowArgs.empty()) argv.push_back(const_cast<char*>(narrowArgs.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, host.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    NKDbgPrintfW(u"CreateProcess %s: cannot run it (errno %d)\r\n", program.c_str(), error);
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return FALSE;
  }
  NKDbgPrintfW(u"CreateProcess %s %s: process %u\r\n", program.c_str(), args.c_str(),
               static_cast<unsigned>(pid));
  auto process = std::make_shared<CProcessObject>(static_cast<DWORD>(pid));
  std::thread(WatchExit, process, pid).detach();
  CHandleTable& handles = CHandleTable::GetInstance();
  // The program's first thread has no object of its own here: its handle stands for the process.
  HANDLE hProcess = handles.Insert(process);
  HANDLE hThread = handles.Insert(process);
  if (info == nullptr) {
    handles.Close(hProcess);
    handles.Close(hThread);
  } else {
    info->hProcess = hProcess;
    info->hThread = hThread;
    info->dwProcessId = static_cast<DWORD>(pid);
    info->dwThreadId = static_cast<DWORD>(pid);
  }
  std::function<void(DWORD)> hook;
  {
    std::lock_guard<std::mutex> lock(g_startHookLock);
    hook = g_startHook;
  }
  if (hook) hook(static_cast<DWORD>(pid));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

namespace wce {
void SetProcessStartHook(std::function<void(DWORD processId)> hook) {
  std::lock_guard<std::mutex> lock(g_startHookLock);
  g_startHook = std::move(hook);
}
}  // namespace wce

BOOL GetExitCodeProcess(HANDLE h, LPDWORD code) {
  auto process = CHandleTable::GetInstance().LookupAs<CProcessObject>(h, CKernelObject::Type::Process);
  if (!process || code == nullptr) {
    SetLastError(process ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *code = process->GetExitCode();
  return TRUE;
}
