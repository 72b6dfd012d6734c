// The colour cache: colour ids are the keys of one colour file, "color\wceui.color" in the resource
// directory, whose values are colour texts RRGGBB ("0x" allowed). The file is read on the first
// request, and again on the next one while it could not be read.
#pragma once

#include "wceui/resfiles/CFhConfDoc.h"
#include "wceui/resfiles/CFhResLoader.h"

class CWceUiColor;

class CFhColorResLoader : public CFhResLoader {
 public:
  CFhColorResLoader() : CFhResLoader(u"Color") {}
  ~CFhColorResLoader() override;

  CWceUiColor* GetColor(LPCWSTR pColorID) { return static_cast<CWceUiColor*>(Get(pColorID)); }
  // Tests: every entry released (with the leak report) and the colour file forgotten.
  void Reset();

 protected:
  BOOL Prepare() override;
  void* LoadObject(LPCWSTR pId) override;
  void DeleteObject(void* pObject) override;

 private:
  CFhConfDoc m_ColorFile;
};
