#include "app/CEngineConsole.h"

#include "engine/CorvaneEngine.h"

#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "platform/kernel/KernelHooks.h"

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

const UINT kFirstRegistered = 0xC000;
// The video thread parks at its next package boundary; a step decoding a large picture on a
// loaded machine takes a while.
const DWORD kHoldVideoMs = 20000;

bool ParseInteger(const std::string& text, long long lo, long long hi, long long* out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

std::u16string Widen(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

std::string Narrow(const std::u16string& wide) {
  std::string out;
  for (char16_t c : wide) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

}  // namespace

CEngineConsole::Command CEngineConsole::Parse(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  Command cmd;
  if (words.empty()) return cmd;
  cmd.m_Kind = kBad;
  const std::string& verb = words[0];
  if (verb == "quit" && words.size() == 1) {
    cmd.m_Kind = kQuit;
  } else if ((verb == "hold" || verb == "release") && words.size() == 2 && words[1] == "video") {
    cmd.m_Kind = verb == "hold" ? kHoldVideo : kReleaseVideo;
  } else if (verb == "clock" && words.size() == 2 && (words[1] == "hold" || words[1] == "run")) {
    cmd.m_Kind = words[1] == "hold" ? kHoldClock : kRunClock;
  } else if (verb == "clock" && words.size() == 3 && words[1] == "move") {
    long long ms = 0;
    if (!ParseInteger(words[2], 0, 60000, &ms)) return cmd;
    cmd.m_Kind = kMoveClock;
    cmd.m_dwMs = static_cast<DWORD>(ms);
  } else if ((verb == "dump" || verb == "screen") && words.size() == 2) {
    cmd.m_Kind = verb == "dump" ? kDump : kScreen;
    cmd.m_strFile = words[1];
  } else if (verb == "layers" && words.size() == 1) {
    cmd.m_Kind = kLayers;
  } else if (verb == "touch" && words.size() == 4) {
    long long x = 0;
    long long y = 0;
    if (!ParseInteger(words[2], 0, 0xFFFF, &x) || !ParseInteger(words[3], 0, 0xFFFF, &y)) return cmd;
    if (words[1] == "down") {
      cmd.m_nTouchMsg = WM_LBUTTONDOWN;
    } else if (words[1] == "move") {
      cmd.m_nTouchMsg = WM_MOUSEMOVE;
    } else if (words[1] == "up") {
      cmd.m_nTouchMsg = WM_LBUTTONUP;
    } else {
      return cmd;
    }
    cmd.m_Kind = kTouch;
    cmd.m_nX = static_cast<int>(x);
    cmd.m_nY = static_cast<int>(y);
  } else if (verb == "msg" && words.size() == 4) {
    long long w = 0;
    long long l = 0;
    if (!ParseInteger(words[2], 0, 0xFFFFFFFFLL, &w) ||
        !ParseInteger(words[3], INT32_MIN, 0xFFFFFFFFLL, &l)) {
      return cmd;
    }
    cmd.m_Kind = kMsg;
    cmd.m_strName = words[1];
    cmd.m_wParam = static_cast<WPARAM>(w);
    cmd.m_lParam = static_cast<LPARAM>(l);
  }
  return cmd;
}

void CEngineConsole::ReadCommands(std::istream& in, const char* pszProgram, HWND hMainWnd,
                                  const CommandHandler& onCommand) {
  std::string line;
  while (std::getline(in, line)) {
    Command cmd = Parse(line);
    switch (cmd.m_Kind) {
      case kTouch:
        PostMessageW(hMainWnd, cmd.m_nTouchMsg, 0, static_cast<LPARAM>((cmd.m_nY << 16) | cmd.m_nX));
        break;
      case kMsg:
        PostMessageW(hMainWnd, Register(cmd.m_strName), cmd.m_wParam, cmd.m_lParam);
        break;
      case kHoldVideo:
        HoldVideoThread(true);
        if (WaitVideoThreadHeld(kHoldVideoMs)) {
          WriteLine("held video");
        } else {
          std::fprintf(stderr, "%s: the video thread did not park within %u ms\n", pszProgram, kHoldVideoMs);
        }
        break;
      case kReleaseVideo:
        HoldVideoThread(false);
        break;
      // The program runs on in real time while its clock stands: a test decides how long a span
      // of it lasted on the clock that the program's own rules read.
      case kHoldClock:
        wce::HoldTick();
        WriteLine("clock held");
        break;
      case kMoveClock:
        wce::AdvanceTick(cmd.m_dwMs);
        WriteLine("clock moved");
        break;
      case kRunClock:
        wce::ReleaseTick();
        WriteLine("clock runs");
        break;
      case kEmpty:
        break;
      default:
        if (cmd.m_Kind == kBad || !onCommand(cmd))
          std::fprintf(stderr, "%s: not a command: %s\n", pszProgram, line.c_str());
        break;
    }
  }
}

bool CEngineConsole::WriteSurface(const std::string& path, const char* pszProgram) {
  HBITMAP bitmap = DibBmp::GetInstance().GetBitmap();
  if (!bitmap || !wce::SaveBitmapFile(bitmap, path)) {
    std::fprintf(stderr, "%s: no picture surface written to %s\n", pszProgram, path.c_str());
    return false;
  }
  return true;
}

UINT CEngineConsole::Register(const std::string& name) {
  return RegisterWindowMessageW(Widen(name).c_str());
}

std::string CEngineConsole::Format(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg < kFirstRegistered) return std::string();
  std::u16string name = wce::GetRegisteredMessageName(msg);
  if (name.empty()) return std::string();
  return "msg " + Narrow(name) + " " + std::to_string(static_cast<unsigned long long>(wParam)) + " " +
         std::to_string(static_cast<long long>(lParam));
}

void CEngineConsole::OnBroadcast(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::string line = Format(msg, wParam, lParam);
  if (line.empty()) return;
  std::lock_guard<std::mutex> hold(m_Lock);
  ++m_PendingBroadcasts[msg];
  Write(line);
}

void CEngineConsole::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::string line = Format(msg, wParam, lParam);
  if (line.empty()) return;
  std::lock_guard<std::mutex> hold(m_Lock);
  auto it = m_PendingBroadcasts.find(msg);
  if (it != m_PendingBroadcasts.end() && it->second > 0) {
    if (--it->second == 0) m_PendingBroadcasts.erase(it);
    return;
  }
  Write(line);
}

void CEngineConsole::WriteLine(const std::string& line) {
  std::lock_guard<std::mutex> hold(m_Lock);
  Write(line);
}

void CEngineConsole::WriteLines(const std::vector<std::string>& lines) {
  std::lock_guard<std::mutex> hold(m_Lock);
  for (const std::string& line : lines) Write(line);
}

void CEngineConsole::Write(const std::string& line) {
  std::fputs(line.c_str(), m_pOut);
  std::fputc('\n', m_pOut);
  std::fflush(m_pOut);
}
