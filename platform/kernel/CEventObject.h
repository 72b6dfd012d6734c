// Event: manual or auto reset, with the CE event data word carried beside the state.
#pragma once

#include "platform/kernel/CWaitableObject.h"

class CEventObject : public CWaitableObject {
 public:
  CEventObject(bool manualReset, bool initialState);

  void Set();
  void Reset();
  // Releases the threads waiting now (one for auto reset) and leaves the event reset.
  void Pulse();
  void SetData(DWORD data);
  DWORD GetData() const;

  bool IsSignalledFor(DWORD threadId) const override;
  void Acquire(DWORD threadId) override;

 private:
  const bool m_bManualReset;
  bool m_bSignalled;   // guarded by the dispatcher lock
  DWORD m_dwData = 0;  // guarded by the dispatcher lock
};
