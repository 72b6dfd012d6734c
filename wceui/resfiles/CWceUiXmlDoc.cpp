#include "wceui/resfiles/CWceUiXmlDoc.h"

#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/FhPath.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/WceUiReadFile.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr WCHAR kByteOrderMark = 0xFEFF;
const WCHAR kIncludeDirective[] = u"#include_xml";
constexpr size_t kIncludeDirectiveLen = sizeof(kIncludeDirective) / sizeof(WCHAR) - 1;

bool IsXmlSpace(WCHAR c) {
  return c == u' ' || c == u'\r' || c == u'\n' || c == u'\t';
}
bool IsBlankCrTab(WCHAR c) {
  return c == u' ' || c == u'\r' || c == u'\t';
}
bool IsBlankTab(WCHAR c) {
  return c == u' ' || c == u'\t';
}

WCHAR* Find(WCHAR* p, const WCHAR* pEnd, WCHAR c) {
  while (p < pEnd && *p != c) ++p;
  return p < pEnd ? p : nullptr;
}

WCHAR* FindText(WCHAR* p, const WCHAR* pEnd, const char16_t* pText) {
  size_t n = wcslen(pText);
  for (; p + n <= pEnd; ++p) {
    if (std::memcmp(p, pText, n * sizeof(WCHAR)) == 0) return p;
  }
  return nullptr;
}

// Cuts a tag name at its first whitespace; the content (attributes) follows behind the cut.
WCHAR* CutName(WCHAR* pName, WCHAR* pEnd) {
  WCHAR* p = pName;
  while (p < pEnd && !IsXmlSpace(*p)) ++p;
  if (p < pEnd) {
    *p = 0;
    return p + 1;
  }
  return pEnd;
}

}  // namespace

CWceUiXmlDoc::CWceUiXmlDoc()
    : m_NodeList(offsetof(CWceUiXmlElem, m_pNodePrev), offsetof(CWceUiXmlElem, m_pNodeNext)) {
  m_szFilePath[0] = 0;
  Clean();
}

CWceUiXmlDoc::~CWceUiXmlDoc() {
  Clean();
}

void CWceUiXmlDoc::FreeNodes() {
  while (!m_NodeList.IsEmpty()) delete static_cast<CWceUiXmlElem*>(m_NodeList.RemoveHead());
  m_pRoot = nullptr;
  m_nDepth = 0;
}

void CWceUiXmlDoc::Clean() {
  FreeNodes();
  delete[] m_pText;
  m_pText = nullptr;
  m_pTextEnd = nullptr;
  m_nTextLen = 0;
  m_bKeepComments = 0;
  m_bLoaded = 0;
  m_szFilePath[0] = 0;
}

CWceUiXmlElem* CWceUiXmlDoc::NewNode(CWceUiXmlElem::NodeType nType) {
  return new (std::nothrow) CWceUiXmlElem(this, nType);
}

void CWceUiXmlDoc::AddNode(CWceUiXmlElem* pNode) {
  m_NodeList.AddTail(pNode);
}

void CWceUiXmlDoc::SyntaxError(const char16_t* pMethod, int nCode) {
  WCHAR szCode[8];
  swprintf(szCode, 8, u"%03d", nCode);
  WceUiLogW(WCEUI_LOG_ERROR, u"%s::%s, (%s) syntax error %s", WCEUI_LOG_TAGW, pMethod, m_szFilePath,
            nCode == kXmlTextOutsideTag ? u"010,attention:<a><x></x>err</a> is not supported" : szCode);
}

BOOL CWceUiXmlDoc::LoadXmlFile(LPCWSTR pFilePath, BOOL bKeepComments) {
  WCEUI_CHECK(NULL != pFilePath);
  if (pFilePath == nullptr) return 0;
  if (m_bLoaded) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadXmlFile, can not load %s, call clean first", WCEUI_LOG_TAGW,
              pFilePath);
    return 0;
  }
  // The path is the base of include names: a cut path could name another folder.
  size_t nPathLen = wcslen(pFilePath);
  if (nPathLen >= MAX_PATH) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadXmlFile, a path of %u characters is too long", WCEUI_LOG_TAGW,
              unsigned(nPathLen));
    return 0;
  }
  DWORD nSize = 0;
  std::unique_ptr<BYTE[]> pFile(
      WceUiReadFile(pFilePath, &nSize, WceUiGetGlobals()->GetGlobalData()->GetPassword()));
  if (pFile == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadXmlFile, WceUiReadFile %s fail", WCEUI_LOG_TAGW, pFilePath);
    return 0;
  }
  if (nSize < 4) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadXmlFile, the length of %s is less than 4", WCEUI_LOG_TAGW,
              pFilePath);
    return 0;
  }
  if (nSize % 2 != 0) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadXmlFile, the length of %s is odd number, not a UNICODE file",
              WCEUI_LOG_TAGW, pFilePath);
    return 0;
  }
  if ((pFile[0] | pFile[1] << 8) != kByteOrderMark) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadXmlFile, %s is not a UNICODE file", WCEUI_LOG_TAGW, pFilePath);
    return 0;
  }
  size_t nUnits = (nSize - 2) / 2 + 1;
  m_pText = new (std::nothrow) WCHAR[nUnits];
  if (m_pText == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadXmlFile, WceUiReadFile %s fail", WCEUI_LOG_TAGW, pFilePath);
    return 0;
  }
  std::memcpy(m_pText, pFile.get() + 2, nSize - 2);
  m_pText[nUnits - 1] = 0;
  m_nTextLen = nUnits;
  pFile.reset();
  wcscpy(m_szFilePath, pFilePath);
  if (!SpliceIncludes()) {
    Clean();
    return 0;
  }
  m_bKeepComments = bKeepComments ? 1 : 0;
  WCHAR* pEnd = m_pText + m_nTextLen - 1;
  while (pEnd > m_pText && IsXmlSpace(pEnd[-1])) *--pEnd = 0;
  m_pTextEnd = pEnd;
  if (!ParseXml()) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::%s, (%s) syntax error %s", WCEUI_LOG_TAGW, u"LoadXmlFile", m_szFilePath,
              u"030");
    Clean();
    return 0;
  }
  m_bLoaded = 1;
  return 1;
}

BOOL CWceUiXmlDoc::ReadIncludeFile(LPCWSTR pPath, BYTE** ppFile, DWORD* pSize) {
  *ppFile = WceUiReadFile(pPath, pSize, WceUiGetGlobals()->GetGlobalData()->GetPassword());
  if (*ppFile == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::ReadIncludeFile, WceUiReadFile %s fail", WCEUI_LOG_TAGW, pPath);
    return 0;
  }
  if (*pSize == 0) {
    delete[] * ppFile;
    *ppFile = nullptr;
    return 1;
  }
  const char16_t* pError = nullptr;
  if (*pSize % 2 != 0) {
    pError = u"%s::ReadIncludeFile, %s is not a UNICODE file 1";
  } else if (((*ppFile)[0] | (*ppFile)[1] << 8) != kByteOrderMark) {
    pError = u"%s::ReadIncludeFile,%s is not a UNICODE file 2";
  }
  if (pError != nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, pError, WCEUI_LOG_TAGW, pPath);
    delete[] * ppFile;
    *ppFile = nullptr;
    return 0;
  }
  return 1;
}

BOOL CWceUiXmlDoc::SpliceIncludes() {
  struct CPiece {
    const WCHAR* m_pChars;
    size_t m_nChars;
  };
  WCHAR* const pText = m_pText;
  const size_t nText = m_nTextLen - 1;
  std::vector<CPiece> pieces{{pText, m_nTextLen}};
  std::vector<std::unique_ptr<BYTE[]>> files;

  // Names resolve against the document's folder; a document named without a folder lives in the
  // program's directory (an empty base would resolve against the file's own name).
  WCHAR szBaseDir[MAX_PATH];
  wcscpy(szBaseDir, m_szFilePath);
  const bool bHasDir = FhGetDirPathFromFilePath(szBaseDir) != 0;

  size_t nPos = 0;
  while (nPos + kIncludeDirectiveLen <= nText) {
    WCHAR* pHit = FindText(pText + nPos, pText + nText, kIncludeDirective);
    if (pHit == nullptr) break;
    size_t h = size_t(pHit - pText);
    size_t nLineStart = h;
    while (nLineStart > 0 && IsBlankCrTab(pText[nLineStart - 1])) --nLineStart;
    bool bValid = nLineStart == 0 || pText[nLineStart - 1] == u'\n';
    size_t q = h + kIncludeDirectiveLen;
    while (q < nText && IsBlankTab(pText[q])) ++q;
    bValid = bValid && q < nText && pText[q] == u'"';
    size_t nNameStart = q + 1;
    size_t e = nNameStart;
    while (bValid && e < nText && pText[e] != u'"' && pText[e] != u'\r' && pText[e] != u'\n') ++e;
    bValid = bValid && e < nText && pText[e] == u'"' && e > nNameStart && e - nNameStart <= kMaxIncludeName;
    size_t nLineEnd = 0;
    if (bValid) {
      size_t r = e + 1;
      while (r < nText && IsBlankTab(pText[r])) ++r;
      if (r == nText) {
        nLineEnd = r;
      } else if (pText[r] == u'\n') {
        nLineEnd = r + 1;
      } else if (pText[r] == u'\r' && r + 1 < nText && pText[r + 1] == u'\n') {
        nLineEnd = r + 2;
      } else {
        bValid = false;
      }
    }
    if (!bValid) {
      nPos = h + 1;
      continue;
    }
    WCHAR szName[kMaxIncludeName + 1];
    std::memcpy(szName, pText + nNameStart, (e - nNameStart) * sizeof(WCHAR));
    szName[e - nNameStart] = 0;
    WCHAR szPath[MAX_PATH];
    if (!FhGetAbsolutePath(szPath, MAX_PATH, szName, bHasDir ? szBaseDir : nullptr)) {
      WceUiLogW(WCEUI_LOG_ERROR, u"%s::ReadIncludeFile, WceUiReadFile %s fail", WCEUI_LOG_TAGW, szName);
      return 0;
    }
    BYTE* pFile = nullptr;
    DWORD nSize = 0;
    if (!ReadIncludeFile(szPath, &pFile, &nSize)) return 0;
    nPos = nLineEnd;
    if (pFile == nullptr) continue;  // an empty file splices nothing
    files.emplace_back(pFile);
    CPiece& last = pieces.back();
    last.m_nChars = size_t(pText + nLineStart - last.m_pChars);
    pieces.push_back({reinterpret_cast<const WCHAR*>(pFile + 2), (nSize - 2) / 2});
    pieces.push_back({pText + nLineEnd, m_nTextLen - nLineEnd});
  }
  if (files.empty()) return 1;
  size_t nTotal = 0;
  for (const CPiece& piece : pieces) nTotal += piece.m_nChars;
  WCHAR* pSpliced = new (std::nothrow) WCHAR[nTotal];
  if (pSpliced == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadXmlFile, no memory for %s with its includes", WCEUI_LOG_TAGW,
              m_szFilePath);
    return 0;
  }
  WCHAR* pOut = pSpliced;
  for (const CPiece& piece : pieces) {
    std::memcpy(pOut, piece.m_pChars, piece.m_nChars * sizeof(WCHAR));
    pOut += piece.m_nChars;
  }
  pSpliced[nTotal - 1] = 0;
  delete[] m_pText;
  m_pText = pSpliced;
  m_nTextLen = nTotal;
  return 1;
}

BOOL CWceUiXmlDoc::ParseXml() {
  WCHAR* p = m_pText;
  WCHAR* const pEnd = m_pTextEnd;
  for (;;) {
    while (p < pEnd && IsXmlSpace(*p)) ++p;
    if (p >= pEnd) {
      if (m_nDepth == 0) return 1;
      SyntaxError(u"ParseXml", kXmlOpenElements);
      break;
    }
    if (*p != u'<') {
      SyntaxError(u"ParseXml", kXmlTextOutsideTag);
      break;
    }
    if (pEnd - p < 4) {
      SyntaxError(u"ParseXml", kXmlShortTag);
      break;
    }
    if (p[1] == u'!') {
      if (pEnd - p < 7) {
        SyntaxError(u"ParseXml", kXmlShortComment);
        break;
      }
      if (p[2] != u'-' || p[3] != u'-') {
        SyntaxError(u"ParseXml", kXmlNotComment);
        break;
      }
      WCHAR* pClose = FindText(p + 4, pEnd, u"-->");
      if (pClose == nullptr) {
        SyntaxError(u"ParseXml", kXmlOpenComment);
        break;
      }
      if (m_bKeepComments) {
        CWceUiXmlElem* pNode = NewNode(CWceUiXmlElem::kComment);
        if (pNode == nullptr) break;
        pNode->m_pStart = p;
        pNode->m_pEnd = pClose + 2;
        AddNode(pNode);
      }
      p = pClose + 3;
      continue;
    }
    if (p[1] == u'?') {
      if (pEnd - p < 7) {
        SyntaxError(u"ParseXml", kXmlShortDeclaration);
        break;
      }
      if (p[2] != u'x' || p[3] != u'm' || p[4] != u'l') {
        SyntaxError(u"ParseXml", kXmlNotDeclaration);
        break;
      }
      WCHAR* pClose = FindText(p + 5, pEnd, u"?>");
      if (pClose == nullptr) {
        SyntaxError(u"ParseXml", kXmlOpenDeclaration);
        break;
      }
      CWceUiXmlElem* pNode = NewNode(CWceUiXmlElem::kDeclaration);
      if (pNode == nullptr) break;
      pNode->m_pStart = p;
      pNode->m_pEnd = pClose + 1;
      AddNode(pNode);
      p = pClose + 2;
      continue;
    }
    WCHAR* pNext = ParseXmlTag(p);
    if (pNext == nullptr) {
      SyntaxError(u"ParseXml", kXmlBadTag);
      break;
    }
    p = pNext;
  }
  FreeNodes();
  return 0;
}

WCHAR* CWceUiXmlDoc::ParseXmlTag(WCHAR* p) {
  WCHAR* const pEnd = m_pTextEnd;
  WCHAR* pGt = Find(p + 1, pEnd, u'>');
  if (pGt == nullptr) {
    SyntaxError(u"ParseXmlTag", kXmlNoTagEnd);
    return nullptr;
  }
  const bool bClose = p[1] == u'/';
  const bool bEmpty = pGt - 1 > p + (bClose ? 1 : 0) && pGt[-1] == u'/';
  if (bClose && bEmpty) {
    SyntaxError(u"ParseXmlTag", kXmlCloseAndEmpty);
    return nullptr;
  }
  if (bClose) {
    *p = 0;
    *pGt = 0;
    LPWSTR pName = p + 2;
    if (*pName == 0) {
      SyntaxError(u"ParseXmlTag", kXmlCloseTagNoName);
      return nullptr;
    }
    if (m_nDepth == 0) {
      SyntaxError(u"ParseXmlTag", kXmlCloseTagNoneOpen);
      return nullptr;
    }
    --m_nDepth;
    if (_wcsicmp(pName, m_Stack[m_nDepth].m_pTagName) != 0) {
      SyntaxError(u"ParseXmlTag", kXmlCloseTagMismatch);
      return nullptr;
    }
    return pGt + 1;
  }
  WCHAR* pContentEnd = bEmpty ? pGt - 1 : pGt;
  *p = 0;
  *pGt = 0;
  *pContentEnd = 0;
  LPWSTR pName = p + 1;
  WCHAR* pContent = CutName(pName, pContentEnd);
  if (*pName == 0) {
    SyntaxError(u"ParseXmlTag", bEmpty ? kXmlEmptyTagNoName : kXmlOpenTagNoName);
    return nullptr;
  }
  if (wcschr(pName, u'=') != nullptr) {
    SyntaxError(u"ParseXmlTag", bEmpty ? kXmlEmptyTagNameEquals : kXmlOpenTagNameEquals);
    return nullptr;
  }
  CWceUiXmlElem* pElem = HandleXmlTagContent(pName, pContent, pContentEnd);
  if (pElem == nullptr) {
    SyntaxError(u"ParseXmlTag", bEmpty ? kXmlEmptyTagAttributes : kXmlOpenTagAttributes);
    return nullptr;
  }
  if (m_nDepth > 0) {
    CWceUiXmlElem* pParent = m_Stack[m_nDepth - 1].m_pElem;
    pParent->AddChild(pElem);
    pElem->m_pParent = pParent;
    pElem->m_nDepth = pParent->m_nDepth + 1;
  } else if (m_pRoot != nullptr) {
    SyntaxError(u"ParseXmlTag", bEmpty ? kXmlEmptyTagSecondRoot : kXmlOpenTagSecondRoot);
    return nullptr;
  } else {
    m_pRoot = pElem;
  }
  if (bEmpty) return pGt + 1;
  if (m_nDepth == kMaxDepth) {
    SyntaxError(u"ParseXmlTag", kXmlTooDeep);
    return nullptr;
  }
  m_Stack[m_nDepth].m_pElem = pElem;
  m_Stack[m_nDepth].m_pTagName = pName;
  ++m_nDepth;
  WCHAR* pNext = Find(pGt + 1, pEnd, u'<');
  if (pNext == nullptr) {
    SyntaxError(u"ParseXmlTag", kXmlNoNextTag);
    return nullptr;
  }
  return pNext;
}

CWceUiXmlElem* CWceUiXmlDoc::HandleXmlTagContent(LPWSTR pName, WCHAR* pContent, const WCHAR* pContentEnd) {
  std::unique_ptr<CWceUiXmlElem> pElem(NewNode(CWceUiXmlElem::kElement));
  if (pElem == nullptr) return nullptr;
  pElem->m_pTagName = pName;
  WCHAR* p = pContent;
  for (;;) {
    while (p < pContentEnd && IsXmlSpace(*p)) ++p;
    if (p >= pContentEnd) break;
    LPWSTR pAttrName = p;
    while (p < pContentEnd && *p != u'=' && !IsXmlSpace(*p)) ++p;
    if (p >= pContentEnd) return nullptr;
    if (*p != u'=') {
      *p++ = 0;
      while (p < pContentEnd && IsXmlSpace(*p)) ++p;
      if (p >= pContentEnd || *p != u'=') return nullptr;
    }
    *p++ = 0;
    if (*pAttrName == 0) return nullptr;
    while (p < pContentEnd && IsXmlSpace(*p)) ++p;
    if (p >= pContentEnd) {
      SyntaxError(u"HandleXmlTagContent", kXmlNoOpeningQuote);
      return nullptr;
    }
    if (*p != u'"' && *p != u'\'') return nullptr;
    WCHAR* pClose = Find(p + 1, pContentEnd, *p);
    if (pClose == nullptr) {
      SyntaxError(u"HandleXmlTagContent", kXmlNoClosingQuote);
      return nullptr;
    }
    LPWSTR pValue = p + 1;
    *pClose = 0;
    if (pElem->GetAttribute(pAttrName) != nullptr) {
      SyntaxError(u"HandleXmlTagContent", kXmlRepeatedAttribute);
      return nullptr;
    }
    CWceUiXmlAttr* pAttr = new (std::nothrow) CWceUiXmlAttr{pAttrName, pValue, nullptr, nullptr};
    if (pAttr == nullptr) return nullptr;
    pElem->AddAttribute(pAttr);
    p = pClose + 1;
  }
  AddNode(pElem.get());
  return pElem.release();
}
