// A conf file of the framework (language, colour, bitmap and font conf files): UTF-16LE text with
// the mark FF FE, one "key = value" a line. Read in one pass into one pool of every key and value,
// looked up through a hash map sized for the number of entries.
//
// Lines end at LF (a CR right before it is not part of the line). Leading blanks, CRs and tabs are
// skipped; empty lines and lines whose first other character is ";" or "[" are skipped. The key
// runs to the first "=", blank, CR or tab; only blanks, CRs and tabs may stand between it and "=";
// blanks, CRs and tabs after "=" are skipped and the value is the rest of the line, trailing blanks
// included. With escapes on, a line with a "\" behind its "=" has "\\", "\n", "\r" and "\t" decoded
// in its value, and any other "\" fails the file. A key seen again replaces the earlier value.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"
#include "wceui/base/CWceUiStrMap.h"

class CFhConfDoc {
 public:
  CFhConfDoc();
  ~CFhConfDoc();
  CFhConfDoc(const CFhConfDoc&) = delete;
  CFhConfDoc& operator=(const CFhConfDoc&) = delete;

  // Reads the file through WceUiReadFile with the pack password of the global data. A document
  // that is already loaded, or a file that is not UTF-16LE or does not parse, gives 0 with one
  // error line and leaves the document empty.
  BOOL LoadFile(LPCWSTR pFilePath, BOOL bEscape);
  void Clean();
  BOOL IsLoaded() const { return m_bLoaded; }
  // The value of a key (case-sensitive), or nullptr.
  LPCWSTR GetString(LPCWSTR pKey) const;

 private:
  struct CPair {
    size_t m_nKey;  // offsets into the pool
    size_t m_nValue;
  };

  BOOL ParseStr(const WCHAR* pText, size_t nLen);
  BOOL ParseLine(const WCHAR* pLine, const WCHAR* pEnd, bool bSlash, WCHAR* pPool, size_t* pUsed,
                 CPair* pPair);

  CWceUiStrMap m_Map;
  WCHAR* m_pPool = nullptr;
  BOOL m_bLoaded = 0;
  CQuickString m_strFilePath;
  BOOL m_bEscape = 0;
};
