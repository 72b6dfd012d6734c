// The configuration record: process-wide values read once from "CorvaneConfigure.xml" at start-up,
// before any other thread exists, and read without locks afterwards.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/mfc/CString.h"

struct WindowParam {
  BYTE bTopmost = 0;
  int nExitTime = 0;  // seconds
  CString strWndClass;
  CString strWndTitle;
  CString strMutex;
};

struct CorvaneConfig {
  char szChannelId[64] = {};  // narrow, NUL-padded
  BYTE bNotifyMsg = 0;
  int nCustomer = 0;  // 1: the device identifier lives in the registry
  int nTopOffset = 0;
  CString strVersion;
  WindowParam windowParam;
};

extern CorvaneConfig g_CorvaneConfig;

// Back to the static defaults (tests; the program never calls it after start-up).
void ResetCorvaneConfig();
// Start-up: reads "CorvaneConfigure.xml" from the program's directory into g_CorvaneConfig.
void LoadCorvaneConfig();
