#include "app/ProgramOptions.h"

#include "app/CEngineConsole.h"

#include "phonelink/AdbPhoneSpec.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/usbd/CUsbTcpBackend.h"

#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// The program directory is the root of the device's file system.
const char16_t kProgramCePath[] = u"\\CECorvane.exe";
const char kRootVariable[] = "CORVANE_ROOT";

}  // namespace

ProgramOptionsResult ParseProgramOptions(int argc, char** argv, bool bTakesWords, ProgramOptions* pOptions) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool bHasValue = i + 1 < argc;
    if (arg == "--help") return kOptionsHelp;
    if (arg == "--dir" && bHasValue) {
      pOptions->m_strDir = argv[++i];
      pOptions->m_bDirGiven = true;
    } else if (arg == "--screen" && bHasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &pOptions->m_nWidth, &pOptions->m_nHeight) != 2) return kOptionsBad;
    } else if (arg == "--bpp" && bHasValue) {
      pOptions->m_nBpp = std::atoi(argv[++i]);
    } else if (arg == "--dump-surface" && bHasValue) {
      pOptions->m_strDumpFile = argv[++i];
    } else if (bTakesWords && arg.rfind("--", 0) != 0) {
      pOptions->m_Words.push_back(arg);
    } else {
      return kOptionsBad;
    }
  }
  return kOptionsRun;
}

std::string ProgramRoot(const char* pszEnvRoot, const std::string& dir) {
  return pszEnvRoot != nullptr && *pszEnvRoot != 0 ? std::string(pszEnvRoot) : dir;
}

void SettleProgramRoot(int argc, char** argv) {
  ProgramOptions options;
  ParseProgramOptions(argc, argv, true, &options);
  const std::string root = ProgramRoot(std::getenv(kRootVariable), options.m_strDir);
  wce::SetEnvironmentValue(kRootVariable, root);
  wce::SetRootDir(root);
}

bool ApplyProgramOptions(const ProgramOptions& options, const char* pszProgram) {
  if (!wce::SetScreen(options.m_nWidth, options.m_nHeight, options.m_nBpp)) {
    std::fprintf(stderr, "%s: unusable screen %dx%d at %d bits\n", pszProgram, options.m_nWidth,
                 options.m_nHeight, options.m_nBpp);
    return false;
  }
  const std::string root = ProgramRoot(std::getenv(kRootVariable), options.m_strDir);
  if (options.m_bDirGiven && root != options.m_strDir) {
    std::fprintf(stderr, "%s: the root is CORVANE_ROOT (%s); --dir %s is not used\n", pszProgram,
                 root.c_str(), options.m_strDir.c_str());
  }
  wce::SetRootDir(root);
  wce::SetModuleFileName(kProgramCePath);
  return true;
}

sigset_t BlockQuitSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signals;
}

void StartQuitSignalThread(sigset_t signals, std::function<void()> onQuit) {
  std::thread([signals, onQuit] {
    for (;;) {
      int sig = 0;
      if (sigwait(&signals, &sig) != 0) return;
      onQuit();
    }
  }).detach();
}

int StartProgram(int argc, char** argv, bool bTakesWords, const char* pszUsage, const char* pszProgram,
                 ProgramOptions* pOptions, sigset_t* pQuitSignals) {
  switch (ParseProgramOptions(argc, argv, bTakesWords, pOptions)) {
    case kOptionsHelp:
      std::fputs(pszUsage, stdout);
      return 0;
    case kOptionsBad:
      std::fputs(pszUsage, stderr);
      return 2;
    case kOptionsRun:
      break;
  }
  *pQuitSignals = BlockQuitSignals();
  return ApplyProgramOptions(*pOptions, pszProgram) ? kProgramRunsOn : 2;
}

void PlugPhoneFromEnvironment(const char* pszProgram) {
  if (!wce::CUsbTcpBackend::GetInstance().StartFromEnvironment(AdbPhoneSpec())) {
    std::fprintf(stderr, "%s: CORVANE_PHONE is not set; waiting for no phone\n", pszProgram);
  }
}

void WriteEndSurface(const ProgramOptions& options, const char* pszProgram) {
  if (!options.m_strDumpFile.empty()) CEngineConsole::WriteSurface(options.m_strDumpFile, pszProgram);
}
