// corvane-post: posts a window message from a shell, standing in for the head unit's other
// programs (launcher, key handler, navigation). It joins the shared bus of the programs under the
// same root (CORVANE_ROOT) and posts to the window with the title given, or to every top-level
// window when none is given.
#include "app/CEngineConsole.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "platform/user/user.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kUsage[] =
    "usage: corvane-post NAME WPARAM LPARAM [--window TITLE]\n"
    "  NAME     a registered message's name, a message number (decimal or 0x hexadecimal), or\n"
    "           one of the plain messages that reach another program: WM_NULL, WM_ACTIVATE,\n"
    "           WM_ENABLE, WM_CLOSE, WM_SHOWWINDOW, WM_FONTCHANGE, WM_KEYDOWN, WM_KEYUP, WM_CHAR,\n"
    "           WM_COMMAND\n"
    "  WPARAM   0 to 4294967295; LPARAM -2147483648 to 4294967295 (decimal)\n"
    "  --window the top-level window with this title (any program on the bus); without it the\n"
    "           message is broadcast to every top-level window\n"
    "The programs meet under CORVANE_ROOT. Exit status: 0 posted, 1 not posted, 2 usage.\n";

enum { kPosted = 0, kNotPosted = 1, kUsageError = 2 };

// The plain messages whose parameters are values, so that they reach another program's window,
// by the names the head unit's other programs know them by. Any other name is a registered one.
const struct {
  const char* m_pszName;
  UINT m_nMsg;
} kPlainMessages[] = {
    {"WM_NULL", WM_NULL},       {"WM_ACTIVATE", WM_ACTIVATE},     {"WM_ENABLE", WM_ENABLE},
    {"WM_CLOSE", WM_CLOSE},     {"WM_SHOWWINDOW", WM_SHOWWINDOW}, {"WM_FONTCHANGE", WM_FONTCHANGE},
    {"WM_KEYDOWN", WM_KEYDOWN}, {"WM_KEYUP", WM_KEYUP},           {"WM_CHAR", WM_CHAR},
    {"WM_COMMAND", WM_COMMAND}};

// A message number written as such or a plain message's name; 0 for a registered name.
UINT MessageNumber(const std::string& name) {
  for (const auto& plain : kPlainMessages) {
    if (name == plain.m_pszName) return plain.m_nMsg;
  }
  if (name.empty()) return 0;
  const bool bHex = name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X');
  char* end = nullptr;
  const unsigned long v = std::strtoul(name.c_str(), &end, bHex ? 16 : 10);
  if (*end != '\0' || v == 0 || v > 0xFFFF) return 0;
  return static_cast<UINT>(v);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && !(argc == 6 && std::string(argv[4]) == "--window")) {
    std::fputs(kUsage, stderr);
    return kUsageError;
  }
  const CEngineConsole::Command cmd =
      CEngineConsole::Parse(std::string("msg ") + argv[1] + " " + argv[2] + " " + argv[3]);
  if (cmd.m_Kind != CEngineConsole::kMsg) {
    std::fputs(kUsage, stderr);
    return kUsageError;
  }
  // Chosen before the first use of the window or message tables.
  setenv("CORVANE_BUS", "shared", 1);
  UINT msg = MessageNumber(cmd.m_strName);
  if (msg == 0) msg = CEngineConsole::Register(cmd.m_strName);
  HWND hWnd = HWND_BROADCAST;
  if (argc == 6) {
    hWnd = FindWindowW(nullptr, WceUtf8ToWide(argv[5]).c_str());
    if (hWnd == nullptr) {
      std::fprintf(stderr, "corvane-post: no window titled %s\n", argv[5]);
      return kNotPosted;
    }
  }
  if (!PostMessageW(hWnd, msg, cmd.m_wParam, cmd.m_lParam)) {
    std::fprintf(stderr, "corvane-post: message %u not posted (error %u)\n", msg,
                 static_cast<unsigned>(GetLastError()));
    return kNotPosted;
  }
  return kPosted;
}
