// Our own additions to the user part, with no CE counterpart: the broadcast tap, the names of
// registered messages, the display and its drivers, input as a display driver delivers it, and the
// reset for tests.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

#include <functional>
#include <string>

// ---- our own hooks (no CE counterpart)
namespace wce {
// Sees every broadcast post, in the order the windows receive it. Runs on the posting thread; it
// must not post broadcasts itself. nullptr removes it.
void SetBroadcastTap(std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)> tap);
// The name a registered message was first registered with; empty when the number is not one.
std::u16string GetRegisteredMessageName(UINT msg);

// ---- the display: one framebuffer at the configured screen size and depth that the shown windows
// are composed into, in z-order, where they were drawn (the damaged areas), at each present step.
// Drivers: "headless" (the default: nothing leaves the framebuffer) and "sdl" (a desktop window
// of the screen's size that shows the framebuffer and turns the mouse and keys into input). The
// first use picks CORVANE_DISPLAY's driver when set, else headless.
bool SetDisplayDriver(const char* name);  // false for an unknown name or one that cannot open
std::string GetDisplayDriver();
// Composes the damaged areas into the framebuffer and hands them to the driver.
void PresentScreen();
// Presents, then waits until the driver shows everything presented (the desktop window's pixels
// are on the X display); false after ms.
bool FlushScreen(DWORD ms);
// Presents, then writes the framebuffer as a BMP file (as SaveBitmapFile does).
BOOL SaveScreen(const std::string& path);
// Presents, then the framebuffer's pixels (rows top-down) into out; false when there are none.
// They stay valid until the next present step or a change of screen.
BOOL GetScreenPixels(BITMAP* out);
// Input as a display driver delivers it: a mouse message at a screen point (to the capture window,
// else the window under the point, in its client coordinates) or a key to the focus window, carrying
// the tick of the moment the event happened. False when no window takes it.
bool InjectMouse(UINT msg, int x, int y, DWORD tick);
bool InjectKey(UINT msg, UINT virtualKey, DWORD tick);
// The desktop window's close button, which a head unit's screen does not have: WM_CLOSE posted to
// the foreground window, as a task manager ends a program. False when there is none.
bool InjectClose();

// Tests only: forget every window, class, timer, registered message, queued message, the tap, the
// input state, the display (back to the default driver) and the screen configuration. Threads
// blocked in GetMessage stay blocked until something is posted.
void ResetUser();
}  // namespace wce
