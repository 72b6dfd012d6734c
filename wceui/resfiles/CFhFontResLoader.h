// The font cache: a font id names a font conf file in the folder "font\" of the resource
// directory.
#pragma once

#include "wceui/resfiles/CFhResLoader.h"

class CWceUiFont;

class CFhFontResLoader : public CFhResLoader {
 public:
  CFhFontResLoader() : CFhResLoader(u"Font") {}
  ~CFhFontResLoader() override;

  CWceUiFont* GetFont(LPCWSTR pFontID) { return static_cast<CWceUiFont*>(Get(pFontID)); }

 protected:
  void* LoadObject(LPCWSTR pId) override;
  void DeleteObject(void* pObject) override;
};
