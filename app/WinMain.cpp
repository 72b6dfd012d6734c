// CECorvane: the head unit's projection program. WinMain's start (configuration, single instance,
// driver, resource pack, task bar) and the root window's modal run, with the options and the
// console of corvane-engine; the phone is reached at CORVANE_PHONE=tcp:HOST:PORT.
#include "app/AppStartup.h"
#include "app/CAppConsole.h"
#include "app/CAppConsoleMainWnd.h"
#include "app/ProgramOptions.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"
#include "platform/usbd/CUsbTcpBackend.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kProgram[] = "CECorvane";
// Where Windows CE loads a program's image: its instance handle.
HINSTANCE const kProgramInstance = reinterpret_cast<HINSTANCE>(0x10000);

const char kUsage[] =
    "usage: CECorvane [--dir DIR] [--screen WxH] [--bpp N] [--dump-surface FILE] [--help] [WORD...]\n"
    "  The phone: CORVANE_PHONE=tcp:HOST:PORT. The words are the program's command line: one\n"
    "  holding \"hide\" starts the window hidden.\n"
    "  --dir DIR            the root: the host directory with the program's files (configuration,\n"
    "                       packs, keys, logs, helper files) and, with CORVANE_BUS=shared, the bus\n"
    "                       where the other programs meet its named objects, messages and windows;\n"
    "                       default: the current directory. CORVANE_ROOT, when set, is the root\n"
    "                       instead, and DIR is not used\n"
    "  --screen WxH         the screen size (default 800x480)\n"
    "  --bpp N              bits per pixel, 16 or 32 (default 32)\n"
    "  --dump-surface FILE  write the picture surface as a BMP file at the end\n"
    "Standard input, one command a line:\n"
    "  touch down|move|up X Y    msg NAME WPARAM LPARAM    dump FILE    quit\n"
    "  screen FILE   the display as a BMP file, then \"screen FILE\"\n"
    "  layers        the shown layers of the running dialogs, one a line, then \"end\"\n"
    "  hold video    release video   (tests: the video receive thread parks; \"held video\" once it has)\n"
    "  clock hold    clock move MS   clock run   (tests: the program's clock stands, moves on by MS,\n"
    "                runs on from there; \"clock held\", \"clock moved\", \"clock runs\")\n"
    "Standard output: every registered message that reaches the main window or is broadcast,\n"
    "as \"msg NAME WPARAM LPARAM\", and the answers above.\n";

// Runs before every static initialiser of the program: they create named objects and register
// messages on the bus under the root, so the root must be the program's by then.
__attribute__((constructor(101))) void SettleRootFirst(int argc, char** argv, char**) {
  SettleProgramRoot(argc, argv);
}

CAppConsole g_console(stdout);

std::u16string CommandLine(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) line += (line.empty() ? "" : " ") + word;
  return WceUtf8ToWide(line);
}

}  // namespace

int main(int argc, char** argv) {
  ProgramOptions options;
  sigset_t signals;
  const int nStatus = StartProgram(argc, argv, true, kUsage, kProgram, &options, &signals);
  if (nStatus != kProgramRunsOn) return nStatus;

  AppStartupSteps steps = AppStartupDefaultSteps();
  steps.m_fnRunRootWindow = [&options, signals](DWORD dwStyle, const RECT& rc) {
    PlugPhoneFromEnvironment(kProgram);
    CAppConsoleMainWnd wnd(&g_console, signals, [&options] { WriteEndSurface(options, kProgram); });
    wnd.DoModal(dwStyle, &rc, nullptr);
    g_console.Stop();
    wce::CUsbTcpBackend::GetInstance().Stop();
  };
  RunWinMain(kProgramInstance, CommandLine(options.m_Words).c_str(), steps);
  // Shut down in order, the task bar given back: what a quit must reach within its bound.
  wce::DebugPrint("%s: ended\n", kProgram);
  std::fflush(stdout);
  // The input thread may still sit in a blocking read: leave without joining it.
  std::_Exit(0);
}
