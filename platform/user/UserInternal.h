// What the files of USER share: the window table, the checks every call makes of its window, and
// calling a procedure with no lock held.
#pragma once

#include "platform/user/CDisplay.h"
#include "platform/user/CWindowManager.h"
#include "platform/user/user.h"

namespace userpart {

inline CWindowManager& Windows() {
  return CWindowManager::GetInstance();
}

inline bool IsBroadcast(HWND hwnd) {
  return hwnd == HWND_BROADCAST;
}

// The window, or nullptr with the USER error set, as callers of these calls expect.
std::shared_ptr<CWindow> Existing(HWND hwnd);
// Calls the window's procedure on the current thread; 0 when the window is gone.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT AnswerSent(const SentMessage& sent);
// The window and its shown descendants get an update region and the screen is damaged there.
void InvalidateTree(HWND hwnd);

}  // namespace userpart
