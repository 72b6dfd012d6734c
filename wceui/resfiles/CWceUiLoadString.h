// A text named by a text id of the language file. The text is looked up at the first GetString
// after the id is set or the language changes (the language marks every living holder), so layer
// texts follow the language at their next draw.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"

class CWceUiLoadString {
 public:
  CWceUiLoadString();
  ~CWceUiLoadString();
  CWceUiLoadString(const CWceUiLoadString& rhs);
  CWceUiLoadString& operator=(const CWceUiLoadString& rhs);

  // An equal id (letter case counts) changes nothing.
  void SetTextResID(LPCWSTR pTextResID);
  LPCWSTR GetTextResID() const { return m_strTextResID; }
  // Empty for an empty id or an id the language lacks (logged once per reload).
  LPCWSTR GetString();
  void SetNeedReload() { m_bNeedReload = 1; }

 private:
  CQuickString m_strTextResID;
  CQuickString m_strText;
  BOOL m_bNeedReload = 1;
};
