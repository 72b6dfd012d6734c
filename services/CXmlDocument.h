// CXmlDocument: a lenient XML document over UTF-16 text. The text is kept whole; beside it an
// index of element records points into it, and navigation moves positions over that index.
// A document that is not well-formed is still indexed as far as possible; every irregularity
// becomes a named result in the result text instead of stopping the parse.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/mfc/CString.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CXmlDocument {
 public:
  // Document flags.
  enum {
    MDF_UTF16 = 1,
    MDF_UTF8PREAMBLE = 4,
    MDF_IGNORECASE = 8,
    MDF_READFILE = 16,
    MDF_WRITEFILE = 32,
    MDF_APPENDFILE = 64,
    MDF_UTF16BEFILE = 128,
  };
  // Node types of the tokenizer.
  enum {
    MNT_END_TAG = 0,
    MNT_ELEMENT = 1,
    MNT_TEXT = 2,
    MNT_WHITESPACE = 4,
    MNT_CDATA_SECTION = 8,
    MNT_PROCESSING_INSTRUCTION = 16,
    MNT_COMMENT = 32,
    MNT_DOCUMENT_TYPE = 64,
    MNT_NODE_ERROR = -1,
    MNT_END = -2,
  };
  // Element record flags (above the 16-bit level).
  enum {
    MNF_FIRST = 0x80000,
    MNF_NONENDED = 0x100000,
    MNF_ILLDATA = 0x200000,
    MNF_ILLFORMED = 0x800000,
  };

  CXmlDocument();
  CXmlDocument(const CXmlDocument&) = delete;
  CXmlDocument& operator=(const CXmlDocument&) = delete;
  ~CXmlDocument();

  BOOL ParseText(LPCWSTR text);
  BOOL LoadFile(LPCWSTR path);
  BOOL SaveFile(LPCWSTR path);
  bool IsWellFormed() const;

  void ResetPosition();
  void RestartChildren();
  BOOL FindElement(LPCWSTR name = nullptr);
  BOOL EnterElement();
  CString GetAttribute(LPCWSTR name) const;
  CString GetTagName() const;  // of the main position; empty when there is none

  const CString& GetResult() const { return m_strResult; }
  const std::u16string& GetDoc() const { return m_strDoc; }
  int GetDocFlags() const { return m_nDocFlags; }
  void SetDocFlags(int flags) { m_nDocFlags = flags; }

  // Entity references decoded; a reference that is not understood stays as written.
  static CString UnescapeText(LPCWSTR text, int length = -1);
  // "<", "&", ">" escaped, and both quotes too for attribute values.
  static CString EscapeText(LPCWSTR text, bool attribute);

  // The element record, eight 32-bit words.
  struct ElemPos {
    DWORD m_dwStart = 0;
    DWORD m_dwLength = 0;
    DWORD m_dwTagLengths = 0;  // start tag in the low 22 bits, end tag in the high 10
    DWORD m_dwFlags = 0;       // level in the low 16 bits, MNF_* above
    DWORD m_dwElemParent = 0;
    DWORD m_dwElemChild = 0;
    DWORD m_dwElemNext = 0;
    DWORD m_dwElemPrev = 0;  // for the first child: the last child
    DWORD StartTagLen() const { return m_dwTagLengths & 0x3FFFFF; }
    DWORD EndTagLen() const { return m_dwTagLengths >> 22; }
    DWORD Level() const { return m_dwFlags & 0xFFFF; }
  };
  // Tests and tools look at the index read-only; 0 is the virtual document node.
  const ElemPos& GetElemPos(int index) const { return At(index); }
  int GetElemCount() const { return m_nElemUsed; }

 private:
  ElemPos& At(int index) { return m_Blocks[static_cast<size_t>(index) >> 16][index & 0xFFFF]; }
  const ElemPos& At(int index) const { return m_Blocks[static_cast<size_t>(index) >> 16][index & 0xFFFF]; }
  void ResetIndex(int capacity);
  int NewElem();
  void LinkChild(int parent, int child);
  void CloseUnended(int elem, int endOffset);
  void FinishLevels();
  void Parse();
  void AddResult(LPCWSTR name, std::initializer_list<std::pair<LPCWSTR, CString>> attributes = {});

  std::u16string m_strDoc;
  CString m_strResult;
  int m_nPosParent = 0;
  int m_nPos = 0;
  int m_nPosChild = 0;
  int m_nNodeType = 0;
  int m_nNodeOffset = 0;
  int m_nNodeLength = 0;
  int m_nDocFlags = 0;
  CString m_strEncoding;  // as read; used again when saving
  // Blocks of at most 65,536 records; the element index is block * 65,536 + slot.
  std::vector<std::unique_ptr<ElemPos[]>> m_Blocks;
  std::vector<int> m_BlockSizes;
  int m_nElemCapacity = 0;
  int m_nElemUsed = 0;
};
