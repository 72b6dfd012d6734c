// corvane-engine: the projection engine without a UI. A bare full-screen window plays the root
// window's part for the engine; the phone is reached at CORVANE_PHONE=tcp:HOST:PORT.
#include "AppWindowMessages.h"
#include "CAppMainWndEngine.h"
#include "CEngineConsole.h"

#include "CorvaneChannelContext.h"
#include "DibBmp.h"

#include "gdi/gdi.h"
#include "kernel/filesys.h"
#include "kernel/kernel.h"
#include "phonelink/DriverInstall.h"
#include "services/CorvaneConfig.h"
#include "usbd/CUsbTcpBackend.h"
#include "user/user.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

// Private messages of the engine program's own window.
const UINT WM_ENGINE_DUMP = WM_USER + 1;  // lParam: a std::string* with the host path (freed here)
const UINT WM_ENGINE_QUIT = WM_USER + 2;

CAppMainWndEngine g_engine;
CEngineConsole g_console(stdout);
bool g_quit = false;
// The video thread parks at its next package boundary; a step decoding a large picture on a
// loaded machine takes a while.
const DWORD kHoldVideoMs = 20000;

const char kUsage[] =
    "usage: corvane-engine [--dir DIR] [--screen WxH] [--bpp N] [--dump-surface FILE] [--help]\n"
    "  The phone: CORVANE_PHONE=tcp:HOST:PORT.\n"
    "  --dir DIR            the host directory with the program's files (configuration, keys, logs,\n"
    "                       helper files); default: the current directory\n"
    "  --screen WxH         the screen size (default 800x480)\n"
    "  --bpp N              bits per pixel, 16 or 32 (default 32)\n"
    "  --dump-surface FILE  write the picture surface as a BMP file at the end\n"
    "Standard input, one command a line:\n"
    "  touch down|move|up X Y    msg NAME WPARAM LPARAM    dump FILE    quit\n"
    "  hold video    release video   (tests: the video receive thread parks; \"held video\" once it has)\n"
    "Standard output: every registered message that reaches the main window or is broadcast,\n"
    "as \"msg NAME WPARAM LPARAM\".\n";

bool DumpSurface(const std::string& path) {
  HBITMAP bitmap = DibBmp::GetInstance().GetBitmap();
  if (!bitmap || !wce::SaveBitmapFile(bitmap, path)) {
    std::fprintf(stderr, "corvane-engine: no picture surface written to %s\n", path.c_str());
    return false;
  }
  return true;
}

LRESULT EngineWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ENGINE_DUMP: {
      std::string* path = reinterpret_cast<std::string*>(lParam);
      DumpSurface(*path);
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

void ReadCommands(HWND hwnd) {
  std::string line;
  while (std::getline(std::cin, line)) {
    CEngineConsole::Command cmd = CEngineConsole::Parse(line);
    switch (cmd.kind) {
      case CEngineConsole::kTouch:
        PostMessageW(hwnd, cmd.touchMsg, 0, static_cast<LPARAM>((cmd.y << 16) | cmd.x));
        break;
      case CEngineConsole::kMsg:
        PostMessageW(hwnd, CEngineConsole::Register(cmd.name), cmd.wParam, cmd.lParam);
        break;
      case CEngineConsole::kDump:
        PostMessageW(hwnd, WM_ENGINE_DUMP, 0, reinterpret_cast<LPARAM>(new std::string(cmd.file)));
        break;
      case CEngineConsole::kQuit:
        PostMessageW(hwnd, WM_ENGINE_QUIT, 0, 0);
        break;
      case CEngineConsole::kHoldVideo:
        HoldVideoThread(true);
        if (WaitVideoThreadHeld(kHoldVideoMs)) {
          g_console.WriteLine("held video");
        } else {
          std::fprintf(stderr, "corvane-engine: the video thread did not park within %u ms\n", kHoldVideoMs);
        }
        break;
      case CEngineConsole::kReleaseVideo:
        HoldVideoThread(false);
        break;
      case CEngineConsole::kBad:
        std::fprintf(stderr, "corvane-engine: not a command: %s\n", line.c_str());
        break;
      case CEngineConsole::kEmpty:
        break;
    }
  }
  // End of input is not a quit: the engine runs on until told or signalled.
}

void WaitForSignal(HWND hwnd, sigset_t set) {
  int sig = 0;
  sigwait(&set, &sig);
  PostMessageW(hwnd, WM_ENGINE_QUIT, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = ".";
  std::string dumpFile;
  int width = 800;
  int height = 480;
  int bpp = 32;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--dir" && hasValue) {
      dir = argv[++i];
    } else if (arg == "--screen" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2) {
        std::fputs(kUsage, stderr);
        return 2;
      }
    } else if (arg == "--bpp" && hasValue) {
      bpp = std::atoi(argv[++i]);
    } else if (arg == "--dump-surface" && hasValue) {
      dumpFile = argv[++i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (!wce::SetScreen(width, height, bpp)) {
    std::fprintf(stderr, "corvane-engine: unusable screen %dx%d at %d bits\n", width, height, bpp);
    return 2;
  }

  // SIGINT and SIGTERM are taken by a thread of their own and become an orderly quit; every
  // thread started from here on inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  // The program's directory is the root of the device's file system.
  wce::SetRootDir(dir);
  wce::SetModuleFileName(u"\\CECorvane.exe");
  LoadCorvaneConfig();
  RegisterKavlinkDriver();

  WNDCLASSW wc = {};
  wc.lpfnWndProc = EngineWndProc;
  wc.lpszClassName = u"CorvaneEngineWnd";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, u"WND_CORVANE", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                              nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) {
    std::fprintf(stderr, "corvane-engine: no window\n");
    return 1;
  }
  wce::SetBroadcastTap(
      [](UINT msg, WPARAM wParam, LPARAM lParam) { g_console.OnBroadcast(msg, wParam, lParam); });

  if (!wce::CUsbTcpBackend::GetInstance().StartFromEnvironment()) {
    std::fprintf(stderr, "corvane-engine: CORVANE_PHONE is not set; waiting for no phone\n");
  }

  g_engine.Start(hwnd);

  std::thread(ReadCommands, hwnd).detach();
  std::thread(WaitForSignal, hwnd, signals).detach();

  MSG msg;
  while (!g_quit && !g_engine.IsExitRequested() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageW(&msg);
  }

  if (!dumpFile.empty()) DumpSurface(dumpFile);
  g_engine.Shutdown();
  wce::CUsbTcpBackend::GetInstance().Stop();
  wce::SetBroadcastTap(nullptr);
  DestroyWindow(hwnd);
  std::fflush(stdout);
  // The input thread may still sit in a blocking read: leave without joining it.
  std::_Exit(0);
}
