// The UI XML document: a small non-validating reader of the framework's UTF-16 XML (elements with
// attributes, comments, <?xml ...?> declarations; element text is skipped). The file is read into
// one buffer and parsed in place: names and values point into it. Lines `#include_xml "name"` are
// replaced by the named file's text first (names resolve against the document's folder; includes
// do not nest).
//
// Syntax errors are logged as "  ::<method>, (<path>) syntax error <code>" with these codes.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CWceUiHTList.h"
#include "wceui/resfiles/CWceUiXmlElem.h"

enum WceUiXmlError {
  kXmlShortTag = 1,             // 001 fewer than 4 units from "<" to the end
  kXmlShortComment = 2,         // 002 "<!" with fewer than 7 units left
  kXmlNotComment = 3,           // 003 "<!" not followed by "--"
  kXmlOpenComment = 4,          // 004 comment without "-->"
  kXmlShortDeclaration = 6,     // 006 "<?" with fewer than 7 units left
  kXmlNotDeclaration = 7,       // 007 "<?" not followed by "xml"
  kXmlOpenDeclaration = 8,      // 008 declaration without "?>"
  kXmlBadTag = 9,               // 009 the tag could not be parsed
  kXmlTextOutsideTag = 10,      // 010 something other than "<" where a node must begin
  kXmlOpenElements = 11,        // 011 end of text with elements still open
  kXmlNoTagEnd = 12,            // 012 no ">" after "<"
  kXmlOpenTagNoName = 13,       // 013
  kXmlOpenTagNameEquals = 14,   // 014
  kXmlOpenTagAttributes = 15,   // 015
  kXmlOpenTagSecondRoot = 16,   // 016
  kXmlTooDeep = 17,             // 017 more than 32 open elements
  kXmlNoNextTag = 18,           // 018 no "<" after an open tag
  kXmlEmptyTagNoName = 19,      // 019
  kXmlEmptyTagNameEquals = 20,  // 020
  kXmlEmptyTagAttributes = 21,  // 021
  kXmlEmptyTagSecondRoot = 22,  // 022
  kXmlCloseTagNoName = 23,      // 023
  kXmlCloseTagNoneOpen = 24,    // 024
  kXmlCloseTagMismatch = 25,    // 025
  kXmlCloseAndEmpty = 26,       // 026 "</name/>"
  kXmlNoOpeningQuote = 27,      // 027
  kXmlNoClosingQuote = 28,      // 028
  kXmlRepeatedAttribute = 29,   // 029
  kXmlParseFailed = 30,         // 030 logged by LoadXmlFile after any of the above
};

class CWceUiXmlDoc {
 public:
  // Open elements at most.
  static constexpr int kMaxDepth = 32;
  // Include names hold 1 to this many units.
  static constexpr int kMaxIncludeName = 258;

  CWceUiXmlDoc();
  virtual ~CWceUiXmlDoc();
  CWceUiXmlDoc(const CWceUiXmlDoc&) = delete;
  CWceUiXmlDoc& operator=(const CWceUiXmlDoc&) = delete;

  // Reads the file through WceUiReadFile with the global data's pack password. A path of 260 units
  // or more is refused (a cut path could name another file). Comments become nodes only with
  // bKeepComments.
  BOOL LoadXmlFile(LPCWSTR pFilePath, BOOL bKeepComments);
  void Clean();
  CWceUiXmlElem* GetRootElem() const { return m_pRoot; }
  BOOL IsLoaded() const { return m_bLoaded; }
  LPCWSTR GetFilePath() const { return m_szFilePath; }
  // Every node the parse made (elements, and comments and declarations), in the order made.
  CWceUiXmlElem* GetFirstNode() const { return static_cast<CWceUiXmlElem*>(m_NodeList.GetHead()); }
  static CWceUiXmlElem* GetNextNode(const CWceUiXmlElem* pNode) { return pNode->m_pNodeNext; }

 private:
  struct COpenElem {
    CWceUiXmlElem* m_pElem;
    LPCWSTR m_pTagName;
  };

  BOOL SpliceIncludes();
  // The file's bytes (nullptr for an empty file) and 1, or 0 with its message.
  BOOL ReadIncludeFile(LPCWSTR pPath, BYTE** ppFile, DWORD* pSize);
  BOOL ParseXml();
  WCHAR* ParseXmlTag(WCHAR* p);
  CWceUiXmlElem* HandleXmlTagContent(LPWSTR pName, WCHAR* pContent, const WCHAR* pContentEnd);
  CWceUiXmlElem* NewNode(CWceUiXmlElem::NodeType nType);
  void AddNode(CWceUiXmlElem* pNode);
  void FreeNodes();
  void SyntaxError(const char16_t* pMethod, int nCode);

  CWceUiXmlElem* m_pRoot = nullptr;
  WCHAR* m_pText = nullptr;
  size_t m_nTextLen = 0;  // units, the terminating zero included
  BOOL m_bLoaded = 0;
  WCHAR m_szFilePath[MAX_PATH];
  BOOL m_bKeepComments = 0;
  COpenElem m_Stack[kMaxDepth];
  int m_nDepth = 0;
  CWceUiHTList m_NodeList;      // over m_pNodePrev/m_pNodeNext, owned
  WCHAR* m_pTextEnd = nullptr;  // behind the last unit that is not trailing whitespace
};
