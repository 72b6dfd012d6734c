// The navigation program of the tests that start one through "NaviOne.ini": it opens a shown
// top-level window and writes, one line each, to the descriptor that NAVI_STANDIN_FD names (a
// pipe inherited from the test that started it): "window <hwnd>" once the window is on the bus,
// then "got <message> <wParam> <lParam>" for each message its window takes from outside, until
// WM_CLOSE ends it.
#include "platform/kernel/kernel.h"
#include "platform/user/user.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

int g_fd = -1;

void Say(const std::string& text) {
  const std::string line = text + "\n";
  // One write a line: the reader never sees half of one.
  if (write(g_fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) std::_Exit(3);
}

LRESULT NaviProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // What the window's own creation and painting bring is not news to the test.
  if (msg == WM_CREATE || msg == WM_PAINT || msg == WM_ERASEBKGND || msg == WM_SHOWWINDOW)
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  Say("got " + std::to_string(msg) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
  if (msg == WM_CLOSE) PostQuitMessage(0);
  return 0;
}

}  // namespace

int main() {
  const char* fd = std::getenv("NAVI_STANDIN_FD");
  if (fd == nullptr) return 2;
  g_fd = std::atoi(fd);
  WNDCLASSW wc{};
  wc.lpfnWndProc = &NaviProc;
  wc.lpszClassName = u"NaviStandIn";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, u"NaviStandIn", u"Navi", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                              nullptr, nullptr, nullptr);
  if (hwnd == nullptr) return 4;
  Say("window " + std::to_string(reinterpret_cast<uintptr_t>(hwnd)));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
