// The engine program's console: commands read from standard input, one a line, and the
// registered messages written to standard output as "msg NAME WPARAM LPARAM" (decimal), one a
// line, flushed at once. A broadcast is written when it is posted; a message posted to the main
// window alone is written when the window receives it; neither twice.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdio>
#include <functional>
#include <iosfwd>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class CEngineConsole {
 public:
  enum Kind {
    kEmpty,
    kTouch,
    kMsg,
    kDump,
    kQuit,
    kHoldVideo,
    kReleaseVideo,
    kHoldClock,
    kMoveClock,
    kRunClock,
    kScreen,
    kLayers,
    kBad
  };

  struct Command {
    Kind m_Kind = kEmpty;
    UINT m_nTouchMsg = 0;  // WM_LBUTTONDOWN, WM_MOUSEMOVE or WM_LBUTTONUP
    int m_nX = 0;
    int m_nY = 0;
    std::string m_strName;  // msg: the registered message's name
    WPARAM m_wParam = 0;
    LPARAM m_lParam = 0;
    std::string m_strFile;  // dump, screen
    DWORD m_dwMs = 0;       // clock move
  };

  // "touch down|move|up X Y" (0..65535 each), "msg NAME WPARAM LPARAM", "dump FILE", "quit",
  // "screen FILE", "layers", and the tests' "hold video", "release video", "clock hold",
  // "clock move MS" (0..60000), "clock run".
  static Command Parse(const std::string& line);
  // A program's own commands (dump, quit, screen, layers), from the input thread; false for one
  // the program does not take.
  using CommandHandler = std::function<bool(const Command& cmd)>;
  // Reads commands until the input ends: touches and messages are posted to hMainWnd, the video
  // thread is held and released and the program's clock held, moved and let run here (each
  // answered by a line: "held video", "clock held", "clock moved", "clock runs"), every other
  // command goes to onCommand. A line that is no
  // command is reported on standard error after "<program>: ".
  void ReadCommands(std::istream& in, const char* pszProgram, HWND hMainWnd, const CommandHandler& onCommand);
  // Writes the picture surface as a BMP file; false, with a line on standard error, when it cannot.
  static bool WriteSurface(const std::string& path, const char* pszProgram);
  // The number of a registered message named in ASCII.
  static UINT Register(const std::string& name);
  // "msg NAME WPARAM LPARAM"; empty for a number that is not a registered message.
  static std::string Format(UINT msg, WPARAM wParam, LPARAM lParam);

  explicit CEngineConsole(FILE* out) : m_pOut(out) {}

  // From the broadcast tap (any thread).
  void OnBroadcast(UINT msg, WPARAM wParam, LPARAM lParam);
  // From the main window's procedure: registered messages only are written.
  void OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // A line of the program's own ("held video"), between the message lines.
  void WriteLine(const std::string& line);
  // Lines of one answer, with no message line between them.
  void WriteLines(const std::vector<std::string>& lines);

 private:
  void Write(const std::string& line);

  FILE* m_pOut;
  std::mutex m_Lock;
  // Broadcasts already written that the main window has yet to receive.
  std::map<UINT, int> m_PendingBroadcasts;
};
