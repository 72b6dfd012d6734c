// Windows, message queues, timers, painting, input and registered messages: the part of USER that
// the head unit and its UI framework call. Each thread gets its own message queue the first time it
// touches this layer; a window belongs to the thread that created it, and its procedure only ever
// runs on that thread. Windows form a tree: top-level windows are the screen's children, siblings
// are kept in z-order, and a window's rectangle is relative to its parent's client area. The screen
// itself belongs to the display (framebuffer, damaged areas, present step) behind a table of
// driver functions: headless by default, a desktop window through SDL2 on request.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

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
  // GetTickCount when the message was posted; input: when the event happened; WM_TIMER and
  // WM_PAINT: when they were taken.
  DWORD time;
  POINT pt;  // input from the display: the screen point; otherwise 0, 0
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
typedef CREATESTRUCTW* LPCREATESTRUCTW;
typedef LPCREATESTRUCTW LPCREATESTRUCT;

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;  // client coordinates; the DC is clipped to it
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;

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
#define WM_ENABLE 0x000A
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
#define WS_EX_NOACTIVATE 0x08000000L
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
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOOWNERZORDER 0x0200

// ---- GetWindow
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// ---- MsgWaitForMultipleObjects
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY)
#define QS_ALLINPUT (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE)

// ---- virtual keys (letters and digits are their upper-case ASCII)
#define VK_BACK 0x08
#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28

// ---- mouse message wParam
#define MK_LBUTTON 0x0001
#define MAKELPARAM(l, h) \
  (static_cast<LPARAM>(  \
      static_cast<DWORD>((static_cast<WORD>(l)) | (static_cast<DWORD>(static_cast<WORD>(h)) << 16))))
#define GET_X_LPARAM(lp) \
  (static_cast<int>(static_cast<short>(static_cast<WORD>(static_cast<DWORD>(lp) & 0xFFFF))))
#define GET_Y_LPARAM(lp) \
  (static_cast<int>(static_cast<short>(static_cast<WORD>((static_cast<DWORD>(lp) >> 16) & 0xFFFF))))

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
// The window's children of the same thread go with it: WM_DESTROY reaches the parent first.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
// Top-level windows, oldest first; either argument may be NULL (any). Both compare without ASCII case.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
// Previous visibility; WM_SHOWWINDOW when it changes. Showing invalidates the window, hiding gives
// its area back to the windows under it.
BOOL ShowWindow(HWND hwnd, int cmdShow);
// The window and every ancestor are shown.
BOOL IsWindowVisible(HWND hwnd);
// Siblings in z-order: GW_HWNDFIRST is the top, GW_HWNDNEXT goes down. GW_CHILD is the top child.
// GW_OWNER: the owner of a top-level window created with a parent but without WS_CHILD (a popup
// such as a modal dialog), which stays above its owner and is neither clipped nor disabled with it.
// Among top-level windows the walk passes the other programs' on a shared bus too, below this
// program's.
HWND GetWindow(HWND hwnd, UINT cmd);
// A child's parent; an owned top-level window's owner.
HWND GetParent(HWND hwnd);
// The creating thread's id; the process id (if asked) is this process's, or the owner's for
// another program's window (its process id stands for the thread too).
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);
// Previous state: nonzero if the window was disabled. WM_ENABLE when it changes; a disabled window
// gets no mouse or key input, and loses focus and capture.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
// The deepest shown and enabled window under a screen point, top of the z-order first.
HWND WindowFromPoint(POINT pt);
BOOL ClientToScreen(HWND hwnd, LPPOINT pt);
BOOL ScreenToClient(HWND hwnd, LPPOINT pt);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int cch);
// Windows have no frame here: the client area is the whole window.
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);  // screen coordinates
// x, y relative to the parent's client area (the screen for top-level windows).
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// insertAfter: a sibling (the window goes right under it), HWND_TOP, HWND_BOTTOM, HWND_TOPMOST
// (top-level: topmost from then on) or HWND_NOTOPMOST (under the topmost ones). Topmost top-level
// windows always stay above the others. The active window stays as it is (SetActiveWindow moves it).
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
// On CE a LONG holds a pointer; here the value is pointer-sized so a pointer kept in
// GWL_USERDATA or GWL_WNDPROC survives the round trip.
LONG_PTR GetWindowLongW(HWND hwnd, int index);
LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value);  // returns the previous value
// WM_CLOSE destroys the window; WM_PAINT validates it; WM_ERASEBKGND answers 1; everything else 0.
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- active window, focus, capture (one input state for the process, as on a head unit's one screen)
// The active window is a top-level window: WM_ACTIVATE(WA_INACTIVE) to the one losing it, then
// WM_ACTIVATE(WA_ACTIVE) to the new one. The previous one is returned.
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);  // activates the window's top-level window
HWND GetForegroundWindow();
// WM_KILLFOCUS to the old, WM_SETFOCUS to the new; keys go to the focus. Returns the previous.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
// Mouse input goes to the capture window whatever the point; WM_CAPTURECHANGED (lParam: the new
// capture) tells the window that loses it.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// ---- painting. The update region is kept as one rectangle (the bounds of everything invalidated),
// in client coordinates. A window with one gets WM_PAINT after posted messages and input and before
// timers, until the region is validated.
BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase);  // NULL rect: the whole client area
BOOL ValidateRect(HWND hwnd, LPCRECT rect);                // NULL rect: all of it
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);    // nonzero when there is one
// Sends WM_PAINT right away when the window has an update region.
BOOL UpdateWindow(HWND hwnd);
// Takes the update region: rcPaint, a window DC clipped to it, WM_ERASEBKGND first when erasing
// was asked. EndPaint releases the DC.
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);

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
// Waits for one of the handles or for a message in this thread's queue that `wakeMask` names
// (QS_ALLINPUT: any). WAIT_OBJECT_0 + count for a message, WAIT_OBJECT_0 + i for handle i,
// WAIT_TIMEOUT, WAIT_FAILED. Only wait-any (waitAll FALSE).
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms, DWORD wakeMask);

// ---- timers: callable from any thread; WM_TIMER (or the TIMERPROC) runs on the window's owner thread.
// The same window and id replace the earlier timer.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR idEvent, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR idEvent);

int GetSystemMetrics(int index);

// ---- rectangles (right and bottom are outside the rectangle)
BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(LPRECT rect);
BOOL IsRectEmpty(const RECT* rect);
BOOL PtInRect(const RECT* rect, POINT pt);
BOOL OffsetRect(LPRECT rect, int dx, int dy);
BOOL EqualRect(const RECT* a, const RECT* b);
// Both FALSE, with an empty result, when the result is empty.
BOOL IntersectRect(LPRECT out, const RECT* a, const RECT* b);
BOOL UnionRect(LPRECT out, const RECT* a, const RECT* b);
