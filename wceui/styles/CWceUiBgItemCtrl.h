// The background items of a style, in drawing order; the list owns copies of the items it is given.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CWceUiHTList.h"
#include "wceui/styles/CWceUiBgItem.h"

class CWceUiBgItemCtrl {
 public:
  CWceUiBgItemCtrl();
  ~CWceUiBgItemCtrl();
  CWceUiBgItemCtrl(const CWceUiBgItemCtrl& rhs);
  CWceUiBgItemCtrl& operator=(const CWceUiBgItemCtrl& rhs);

  CWceUiBgItem* GetHead() const { return static_cast<CWceUiBgItem*>(m_Items.GetHead()); }
  CWceUiBgItem* GetNext(const CWceUiBgItem* pCurBgItem) const;
  // The first item of that name (letter case counts), or none.
  CWceUiBgItem* GetByName(LPCWSTR pName) const;
  int GetCount() const { return m_Items.GetCount(); }
  // Appends a copy of the item.
  void AddTail(const CWceUiBgItem& item);
  void RemoveAll();

 private:
  CWceUiHTList m_Items;
};
