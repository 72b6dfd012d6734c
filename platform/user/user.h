// Windows, message queues, timers and registered messages: the part of USER that the head unit
// calls. Each thread gets its own message queue the first time it touches this layer; a window
// belongs to the thread that created it, and its procedure only ever runs on that thread.
#pragma once

#include "gdi/gdi.h"
#include "kernel/wcetypes.h"

#include <functional>
#include <string>

typedef WORD ATOM;
typedef intptr_t LONG_PTR;

struct HICON__;
typedef HICON__* HICON;
typedef HICON HCURSOR;
struct HMENU__;
typedef HMENU__* HMENU;

typedef LRESULT (*WNDPROC)(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
typedef void (*TIMERPROC)(HWND hwnd, UINT msg, UINT_PTR idEvent, DWORD time);

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;  // GetTickCount when the message was posted (WM_TIMER: when it was taken)
  POINT pt;    // 0, 0: there is no cursor; touches carry their point in lParam
};
typedef MSG* LPMSG;

struct WNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
};
typedef WNDCLASSW WNDCLASS;

// lParam of WM_CREATE.
struct CREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
};
typedef CREATESTRUCTW CREATESTRUCT;

// ---- errors of this part
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_INVALID_THREAD_ID 1444L

// ---- messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_FONTCHANGE 0x001D
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_CAPTURECHANGED 0x0215
#define WM_USER 0x0400

#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<uintptr_t>(0xFFFF)))
#define HWND_TOP (reinterpret_cast<HWND>(static_cast<intptr_t>(0)))
#define HWND_BOTTOM (reinterpret_cast<HWND>(static_cast<intptr_t>(1)))
#define HWND_TOPMOST (reinterpret_cast<HWND>(static_cast<intptr_t>(-1)))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(static_cast<intptr_t>(-2)))

// ---- styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_EX_TOPMOST 0x00000008L
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002

// ---- ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWNA 8
#define SW_RESTORE 9

// ---- SetWindowPos
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

// ---- window longs
#define GWL_WNDPROC (-4)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)

// ---- PeekMessage
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

// ---- GetSystemMetrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

// Timers shorter than this run at this period.
#define USER_TIMER_MINIMUM 0x0000000A

// ---- registered messages: the same name (ASCII case ignored) gives the same number, 0xC000..0xFFFF;
// 0 for an empty name.
UINT RegisterWindowMessageW(LPCWSTR name);

// ---- classes and windows
ATOM RegisterClassW(const WNDCLASSW* wc);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Owner thread only (as on CE): WM_DESTROY reaches the procedure, the window's timers end and its
// queued messages are dropped.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
// Top-level windows, oldest first; either argument may be NULL (any). Both compare without ASCII case.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
BOOL ShowWindow(HWND hwnd, int cmdShow);  // previous visibility; WM_SHOWWINDOW when it changes
BOOL IsWindowVisible(HWND hwnd);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int cch);
// Windows have no frame here: the client area is the whole window.
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
// On CE a LONG holds a pointer; here the value is pointer-sized so a pointer kept in
// GWL_USERDATA or GWL_WNDPROC survives the round trip.
LONG_PTR GetWindowLongW(HWND hwnd, int index);
LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value);  // returns the previous value
// WM_CLOSE destroys the window; WM_ERASEBKGND answers 1; everything else 0.
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- messages
// hwnd NULL posts to the calling thread; HWND_BROADCAST posts to every top-level window, oldest first.
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// On the owner thread a direct call; from another thread the message is handed to the owner's queue
// and the caller waits for the answer, meanwhile answering messages sent to its own windows.
// HWND_BROADCAST sends to every top-level window in turn and returns 0.
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// 1 for a message, 0 for WM_QUIT, -1 for an invalid window filter. Blocks without polling until a
// message arrives or a timer falls due.
BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg);
BOOL TranslateMessage(const MSG* msg);  // no character messages are produced: always FALSE
LRESULT DispatchMessageW(const MSG* msg);
void PostQuitMessage(int exitCode);
LONG GetMessageTime();  // time of the message last taken by this thread's GetMessage/PeekMessage

// ---- timers: callable from any thread; WM_TIMER (or the TIMERPROC) runs on the window's owner thread.
// The same window and id replace the earlier timer.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR idEvent, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR idEvent);

int GetSystemMetrics(int index);

// ---- our own hooks (no CE counterpart)
namespace wce {
// Sees every broadcast post, in the order the windows receive it. Runs on the posting thread; it
// must not post broadcasts itself. nullptr removes it.
void SetBroadcastTap(std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)> tap);
// The name a registered message was first registered with; empty when the number is not one.
std::u16string GetRegisteredMessageName(UINT msg);

// Tests only: forget every window, class, timer, registered message, queued message, the tap and
// the screen configuration. Threads blocked in GetMessage stay blocked until something is posted.
void ResetUser();
}  // namespace wce
