// The configuration record: process-wide values read once from "CorvaneConfigure.xml" at start-up,
// before any other thread exists, and read without locks afterwards.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/mfc/CString.h"

struct WindowParam {
  BYTE m_bTopmost = 0;
  int m_nExitTime = 0;  // seconds
  CString m_strWndClass;
  CString m_strWndTitle;
  CString m_strMutex;
};

struct CorvaneConfig {
  char m_szChannelId[64] = {};  // narrow, NUL-padded
  BYTE m_bNotifyMsg = 0;
  int m_nCustomer = 0;  // 1: the device identifier lives in the registry
  int m_nTopOffset = 0;
  CString m_strVersion;
  WindowParam m_WindowParam;
};

extern CorvaneConfig g_CorvaneConfig;

// Back to the static defaults (tests; the program never calls it after start-up).
void ResetCorvaneConfig();
// Start-up: reads "CorvaneConfigure.xml" from the program's directory into g_CorvaneConfig.
void LoadCorvaneConfig();
