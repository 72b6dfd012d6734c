// A caller inside the link's interface. Corvane_Adb_Close frees the ring buffers and events
// only after every caller has left, so a read or a service call that is still running never
// touches freed state; it wakes them by setting their events and clearing the flags they poll.
#pragma once

#include "phonelink/AdbSession.h"

class LinkCall {
 public:
  LinkCall() { ++g_adb.m_Life.m_nCallers; }
  ~LinkCall() { --g_adb.m_Life.m_nCallers; }
  LinkCall(const LinkCall&) = delete;
  LinkCall& operator=(const LinkCall&) = delete;
  // Checked after entering, so Close either sees this caller or the caller sees the link closed.
  bool Open() const { return g_adb.m_Life.m_bInitialised != 0; }
};
