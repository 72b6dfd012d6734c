// The holder of the framework's process-wide objects. Each member is built on its first use and
// destroyed at exit in the reverse order of construction. UI thread only; nothing is locked.
//
// Declared here, in the lowest room that reaches it, so that file reading, conf files and the
// caches find their objects without knowing the rooms above; defined in core/CFhGlobals.cpp, the
// one room that knows every object it holds (the window registry is core's).
#pragma once

#include "wceui/base/CFhGlobalData.h"
#include "wceui/base/CFhIgnoreMsg.h"
#include "wceui/base/CFhLogFile.h"
#include "wceui/resfiles/CWceUiPackCache.h"

class CXiWndHelper;
class CFhBitmapResLoader;
class CFhFontResLoader;
class CFhColorResLoader;
class CFhLanguage;

class CFhGlobals {
 public:
  // Opened in the program's directory when first reached.
  CFhLogFile* GetLogFile();
  CFhGlobalData* GetGlobalData();
  CFhIgnoreMsg* GetIgnoreMsg();
  // The opened resource packs, by lower-case pack path.
  CWceUiPackCache* GetPackCache();
  // The real windows' class and the map from window handle to object.
  CXiWndHelper* GetWndHelper();
  // The resource caches and the language. Each reports its unreleased entries when it ends at
  // exit; after that it answers none, so a holder that ends later cannot reach it.
  CFhBitmapResLoader* GetBitmapResLoader();
  CFhFontResLoader* GetFontResLoader();
  CFhColorResLoader* GetColorResLoader();
  CFhLanguage* GetLanguage();

  // Tests: the global data, the input filter and the window registry as new, no pack opened, the
  // caches emptied (with their leak report) and no language (the log file stays as it is). USER's
  // windows and classes are USER's to reset.
  void Reset();
};

CFhGlobals* WceUiGetGlobals();
