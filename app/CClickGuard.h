// The screens' guard against a double tap: a click less than kClickIntervalMs after the last
// accepted one is ignored. The first click is always accepted, however soon after the device
// started. UI thread only.
#pragma once

#include "platform/kernel/wcetypes.h"

class CClickGuard {
 public:
  static const DWORD kClickIntervalMs = 1000;

  // True, and the click becomes the last accepted one, when it is far enough from that one.
  bool Accept(DWORD dwNow);
  void Reset() { m_bAccepted = false; }

 private:
  bool m_bAccepted = false;
  DWORD m_dwLastTick = 0;
};
