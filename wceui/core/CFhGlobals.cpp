#include "wceui/resfiles/CFhGlobals.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/KernelHooks.h"
#include "wceui/core/CXiWndHelper.h"
#include "wceui/resfiles/CFhBitmapResLoader.h"
#include "wceui/resfiles/CFhColorResLoader.h"
#include "wceui/resfiles/CFhFontResLoader.h"
#include "wceui/resfiles/CFhLanguage.h"

namespace {

// A member built on first use whose end at exit is remembered: afterwards it answers none. Objects
// that end later (holders kept in statics) then find nothing to give their references back to.
template <class T>
T* LateMember() {
  static bool s_bEnded = false;
  struct CHolder {
    T m_Object;
    ~CHolder() { s_bEnded = true; }
  };
  if (s_bEnded) return nullptr;
  static CHolder s_holder;
  return &s_holder.m_Object;
}

}  // namespace

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

CFhBitmapResLoader* CFhGlobals::GetBitmapResLoader() {
  return LateMember<CFhBitmapResLoader>();
}

CFhFontResLoader* CFhGlobals::GetFontResLoader() {
  return LateMember<CFhFontResLoader>();
}

CFhColorResLoader* CFhGlobals::GetColorResLoader() {
  return LateMember<CFhColorResLoader>();
}

CFhLanguage* CFhGlobals::GetLanguage() {
  return LateMember<CFhLanguage>();
}

void CFhGlobals::Reset() {
  if (GetBitmapResLoader() != nullptr) GetBitmapResLoader()->ReleaseAll();
  if (GetFontResLoader() != nullptr) GetFontResLoader()->ReleaseAll();
  if (GetColorResLoader() != nullptr) GetColorResLoader()->Reset();
  if (GetLanguage() != nullptr) GetLanguage()->Reset();
  GetGlobalData()->Reset();
  *GetIgnoreMsg() = CFhIgnoreMsg();
  GetPackCache()->RemoveAll();
  GetWndHelper()->Reset();
}
