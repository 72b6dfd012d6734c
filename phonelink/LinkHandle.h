// Handles of the link that are made at a start and closed at an end: closed once, then nullptr,
// so that a second end or a late waker finds nothing to close or set.
#pragma once

#include "platform/kernel/kernel.h"

inline void CloseLinkHandle(HANDLE* h) {
  if (*h) CloseHandle(*h);
  *h = nullptr;
}
