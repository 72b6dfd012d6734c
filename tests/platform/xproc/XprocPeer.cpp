// A second program on the bus for the cross-process tests. Its one argument is a command line
// (as CreateProcessW hands it over), words separated by spaces:
//   mutex NAME                  creates the named mutex, says "mutex <last error>", waits for "quit"
//   window CLASS TITLE NAME...  creates a shown top-level window, registers each NAME and says
//                               "window <hwnd> <number>..."; then broadcasts the first NAME
//                               (wParam 1, lParam its pid) and reports every message its window
//                               takes as "got <name or number> <wParam> <lParam>" until WM_CLOSE
// Lines go to standard output, read by the test; started without a reader (by CreateProcessW) it
// writes to whatever it inherited.
#include "platform/kernel/kernel.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

LRESULT PeerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE || msg == WM_PAINT || msg == WM_ERASEBKGND || msg == WM_SHOWWINDOW)
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  const std::u16string name = wce::GetRegisteredMessageName(msg);
  Say("got " + (name.empty() ? std::to_string(msg) : WceWideToUtf8(name)) + " " + std::to_string(wParam) +
      " " + std::to_string(lParam));
  if (msg == WM_CLOSE) PostQuitMessage(0);
  return 0;
}

int RunMutex(const std::string& name) {
  HANDLE m = CreateMutexW(nullptr, TRUE, WceUtf8ToWide(name).c_str());
  Say("mutex " + std::to_string(GetLastError()));
  std::string line;
  while (std::getline(std::cin, line) && line != "quit") {
  }
  CloseHandle(m);
  return 0;
}

int RunWindow(const std::vector<std::string>& words) {
  if (words.size() < 4) return 2;
  const std::u16string cls = WceUtf8ToWide(words[1]);
  const std::u16string title = WceUtf8ToWide(words[2]);
  WNDCLASSW wc{};
  wc.lpfnWndProc = &PeerProc;
  wc.lpszClassName = cls.c_str();
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, cls.c_str(), title.c_str(), WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                              nullptr, nullptr, nullptr);
  std::ostringstream said;
  said << "window " << reinterpret_cast<uintptr_t>(hwnd);
  std::vector<UINT> numbers;
  for (size_t i = 3; i < words.size(); ++i) {
    numbers.push_back(RegisterWindowMessageW(WceUtf8ToWide(words[i]).c_str()));
    said << " " << numbers.back();
  }
  Say(said.str());
  PostMessageW(HWND_BROADCAST, numbers.front(), 1, static_cast<LPARAM>(getpid()));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  std::istringstream line(argc > 1 ? argv[1] : "");
  std::vector<std::string> words;
  for (std::string w; line >> w;) words.push_back(w);
  if (words.size() >= 2 && words[0] == "mutex") return RunMutex(words[1]);
  if (!words.empty() && words[0] == "window") return RunWindow(words);
  return 2;
}
