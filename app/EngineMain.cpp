// corvane-engine: the projection engine without a UI. A bare full-screen window plays the root
// window's part for the engine; the phone is reached at CORVANE_PHONE=tcp:HOST:PORT.
#include "app/AppWindowMessages.h"
#include "app/CAppMainWndEngine.h"
#include "app/CEngineConsole.h"
#include "app/ProgramOptions.h"

#include "platform/gdi/gdi.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/usbd/CUsbTcpBackend.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "services/CorvaneConfig.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

namespace {

// Private messages of the engine program's own window.
const UINT WM_ENGINE_DUMP = WM_USER + 1;  // lParam: a std::string* with the host path (freed here)
const UINT WM_ENGINE_QUIT = WM_USER + 2;

CAppMainWndEngine g_engine;
CEngineConsole g_console(stdout);
bool g_quit = false;
const char kProgram[] = "corvane-engine";

const char kUsage[] =
    "usage: corvane-engine [--dir DIR] [--screen WxH] [--bpp N] [--dump-surface FILE] [--help]\n"
    "  The phone: CORVANE_PHONE=tcp:HOST:PORT.\n"
    "  --dir DIR            the root: the host directory with the program's files (configuration,\n"
    "                       keys, logs, helper files) and, with CORVANE_BUS=shared, the bus where\n"
    "                       the other programs meet its named objects, messages and windows;\n"
    "                       default: the current directory. CORVANE_ROOT, when set, is the root\n"
    "                       instead, and DIR is not used\n"
    "  --screen WxH         the screen size (default 800x480)\n"
    "  --bpp N              bits per pixel, 16 or 32 (default 32)\n"
    "  --dump-surface FILE  write the picture surface as a BMP file at the end\n"
    "Standard input, one command a line:\n"
    "  touch down|move|up X Y    msg NAME WPARAM LPARAM    dump FILE    quit\n"
    "  hold video    release video   (tests: the video receive thread parks; \"held video\" once it has)\n"
    "  clock hold    clock move MS   clock run   (tests: the program's clock stands, moves on by MS,\n"
    "                runs on from there; \"clock held\", \"clock moved\", \"clock runs\")\n"
    "Standard output: every registered message that reaches the main window or is broadcast,\n"
    "as \"msg NAME WPARAM LPARAM\".\n";

// Runs before every static initialiser of the program: they create named objects and register
// messages on the bus under the root, so the root must be the program's by then.
__attribute__((constructor(101))) void SettleRootFirst(int argc, char** argv, char**) {
  SettleProgramRoot(argc, argv);
}

LRESULT EngineWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ENGINE_DUMP: {
      std::string* path = reinterpret_cast<std::string*>(lParam);
      CEngineConsole::WriteSurface(*path, kProgram);
      delete path;
      return 0;
    }
    case WM_ENGINE_QUIT:
    case WM_CLOSE:
      g_quit = true;
      return 0;
    default:
      break;
  }
  if (msg >= 0xC000) g_console.OnWindowMessage(msg, wParam, lParam);
  if (g_engine.HandleWindowMessage(msg, wParam, lParam)) return 0;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The commands that act on the UI thread.
bool OnCommand(HWND hwnd, const CEngineConsole::Command& cmd) {
  switch (cmd.m_Kind) {
    case CEngineConsole::kDump:
      PostMessageW(hwnd, WM_ENGINE_DUMP, 0, reinterpret_cast<LPARAM>(new std::string(cmd.m_strFile)));
      return true;
    case CEngineConsole::kQuit:
      PostMessageW(hwnd, WM_ENGINE_QUIT, 0, 0);
      return true;
    default:
      return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  ProgramOptions options;
  sigset_t signals;
  const int nStatus = StartProgram(argc, argv, false, kUsage, kProgram, &options, &signals);
  if (nStatus != kProgramRunsOn) return nStatus;
  LoadCorvaneConfig();
  RegisterKavlinkDriver();

  WNDCLASSW wc = {};
  wc.lpfnWndProc = EngineWndProc;
  wc.lpszClassName = u"CorvaneEngineWnd";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, u"WND_CORVANE", WS_POPUP | WS_VISIBLE, 0, 0,
                              options.m_nWidth, options.m_nHeight, nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) {
    std::fprintf(stderr, "corvane-engine: no window\n");
    return 1;
  }
  wce::SetBroadcastTap(
      [](UINT msg, WPARAM wParam, LPARAM lParam) { g_console.OnBroadcast(msg, wParam, lParam); });

  PlugPhoneFromEnvironment(kProgram);

  g_engine.Start(hwnd);

  // End of input is not a quit: the engine runs on until told or signalled.
  std::thread([hwnd] {
    g_console.ReadCommands(std::cin, kProgram, hwnd,
                           [hwnd](const CEngineConsole::Command& cmd) { return OnCommand(hwnd, cmd); });
  }).detach();
  StartQuitSignalThread(signals, [hwnd] { PostMessageW(hwnd, WM_ENGINE_QUIT, 0, 0); });

  MSG msg;
  while (!g_quit && !g_engine.IsExitRequested() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageW(&msg);
  }

  WriteEndSurface(options, kProgram);
  g_engine.Shutdown();
  wce::CUsbTcpBackend::GetInstance().Stop();
  wce::SetBroadcastTap(nullptr);
  DestroyWindow(hwnd);
  std::fflush(stdout);
  // The input thread may still sit in a blocking read: leave without joining it.
  std::_Exit(0);
}
