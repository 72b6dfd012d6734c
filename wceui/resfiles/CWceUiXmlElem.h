// One node of a UI XML document: an element, or a comment or declaration kept in the document's
// node list. Names and values point into the document's text, which must outlive them.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CWceUiHTList.h"

#include <memory>

class CWceUiXmlDoc;

struct CWceUiXmlAttr {
  LPWSTR m_pName;
  LPWSTR m_pValue;
  CWceUiXmlAttr* m_pPrev;
  CWceUiXmlAttr* m_pNext;
};

class CWceUiXmlElem {
 public:
  enum NodeType { kComment = 0, kDeclaration = 1, kElement = 2 };

  LPCWSTR GetTagName() const { return m_pTagName; }
  // The value of the first attribute of that name (compared without case), or nullptr.
  LPCWSTR GetAttribute(LPCWSTR pName) const;
  CWceUiXmlElem* GetFirstChild() const { return static_cast<CWceUiXmlElem*>(m_ChildList.GetHead()); }
  CWceUiXmlElem* GetNextChild(const CWceUiXmlElem* pChild) const;
  int GetChildCount() const { return m_ChildList.GetCount(); }
  // The first child whose tag name equals pTagName (without case), or nullptr.
  CWceUiXmlElem* FindChildElem(LPCWSTR pTagName) const;
  int GetDepth() const { return m_nDepth; }
  NodeType GetNodeType() const { return m_nType; }
  CWceUiXmlElem* GetParent() const { return m_pParent; }
  // The "<" and ">" of a comment or declaration (the text between is not terminated).
  const WCHAR* GetStart() const { return m_pStart; }
  const WCHAR* GetEnd() const { return m_pEnd; }

 private:
  friend class CWceUiXmlDoc;
  friend struct std::default_delete<CWceUiXmlElem>;

  CWceUiXmlElem(CWceUiXmlDoc* pDoc, NodeType nType);
  ~CWceUiXmlElem();
  void AddAttribute(CWceUiXmlAttr* pAttr);
  void AddChild(CWceUiXmlElem* pChild);

  int m_nDepth = 0;
  LPWSTR m_pTagName = nullptr;
  CWceUiHTList m_AttrList;  // of CWceUiXmlAttr, owned
  const WCHAR* m_pStart = nullptr;
  const WCHAR* m_pEnd = nullptr;
  NodeType m_nType;
  CWceUiXmlDoc* m_pDoc;
  CWceUiXmlElem* m_pParent = nullptr;
  CWceUiXmlElem* m_pNodeNext = nullptr;
  CWceUiXmlElem* m_pNodePrev = nullptr;
  CWceUiHTList m_ChildList;  // over m_pChildPrev/m_pChildNext; the document owns the children
  CWceUiXmlElem* m_pChildNext = nullptr;
  CWceUiXmlElem* m_pChildPrev = nullptr;
};
