// The current language: a conf file of text ids and texts (";" and "[" lines are skipped, so an
// INI-style file serves), and every text holder that must fetch its text again when it changes.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"
#include "wceui/resfiles/CFhConfDoc.h"

#include <vector>

class CWceUiLoadString;

class CFhLanguage {
 public:
  CFhLanguage() = default;
  CFhLanguage(const CFhLanguage&) = delete;
  CFhLanguage& operator=(const CFhLanguage&) = delete;

  // The path is taken relative to the program's directory. On success every registered holder
  // reloads at its next lookup; on failure no language is left loaded.
  BOOL SetLanguage(LPCWSTR pLangeFilePath, BOOL bEscape);
  // The text of the id, or none (no language loaded, or no such id).
  LPCWSTR GetString(LPCWSTR pTextID) const;
  // The path as SetLanguage was given it last with success.
  LPCWSTR GetLanguagePath() const { return m_strFilePath; }

  void AddLoadStringItem(CWceUiLoadString* pLoadStringItem);
  void DelLoadStringItem(CWceUiLoadString* pLoadStringItem);
  int GetLoadStringItemCount() const { return static_cast<int>(m_LoadStringItems.size()); }

  // Tests: no language; the holders stay registered, as they are still alive.
  void Reset();

 private:
  CQuickString m_strFilePath;
  CFhConfDoc m_LangFile;
  std::vector<CWceUiLoadString*> m_LoadStringItems;
};
