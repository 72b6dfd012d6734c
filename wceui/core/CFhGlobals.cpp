#include "core/CFhGlobals.h"

#include "kernel/filesys.h"

CFhGlobals* WceUiGetGlobals() {
  static CFhGlobals s_globals;
  return &s_globals;
}

CFhLogFile* CFhGlobals::GetLogFile() {
  static CFhLogFile s_logFile;
  static const bool s_opened = s_logFile.Open(wce::ProgramDirectory().c_str());
  (void)s_opened;
  return &s_logFile;
}

CFhGlobalData* CFhGlobals::GetGlobalData() {
  static CFhGlobalData s_globalData;
  return &s_globalData;
}

CFhIgnoreMsg* CFhGlobals::GetIgnoreMsg() {
  static CFhIgnoreMsg s_ignoreMsg;
  return &s_ignoreMsg;
}

CWceUiPackCache* CFhGlobals::GetPackCache() {
  static CWceUiPackCache s_packCache;
  return &s_packCache;
}

CXiWndHelper* CFhGlobals::GetWndHelper() {
  static CXiWndHelper s_wndHelper;
  return &s_wndHelper;
}

void CFhGlobals::Reset() {
  GetGlobalData()->Reset();
  *GetIgnoreMsg() = CFhIgnoreMsg();
  GetPackCache()->RemoveAll();
  GetWndHelper()->Reset();
}
