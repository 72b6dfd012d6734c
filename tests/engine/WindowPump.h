// The test thread's message loop for tests that drive the engine through a window: what is queued
// (posts, and timers that are due) is delivered, until a condition holds or time runs out.
#pragma once

#include "platform/kernel/kernel.h"
#include "platform/user/user.h"

#include <functional>

namespace testpump {

inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// False when pred still does not hold after timeoutMs.
inline bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!pred()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pump();
    Sleep(5);
  }
  return true;
}

}  // namespace testpump
