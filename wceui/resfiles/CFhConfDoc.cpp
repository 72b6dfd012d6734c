#include "wceui/resfiles/CFhConfDoc.h"

#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/FhHashSize.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/WceUiReadFile.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// Map nodes come in blocks of this many: a conf file has tens to thousands of entries.
constexpr UINT kConfMapBlockSize = 32;
constexpr WCHAR kByteOrderMark = 0xFEFF;

bool IsLineBlank(WCHAR c) {
  return c == u' ' || c == u'\r' || c == u'\t';
}

}  // namespace

CFhConfDoc::CFhConfDoc() : m_Map(kConfMapBlockSize) {}

CFhConfDoc::~CFhConfDoc() {
  Clean();
}

void CFhConfDoc::Clean() {
  m_Map.RemoveAll();
  m_Map.InitHashTable(CWceUiStrMap::kDefaultHashSize, FALSE);
  delete[] m_pPool;
  m_pPool = nullptr;
  m_bLoaded = 0;
  m_bEscape = 0;
}

LPCWSTR CFhConfDoc::GetString(LPCWSTR pKey) const {
  void* pValue = nullptr;
  if (!m_bLoaded || pKey == nullptr || !m_Map.Lookup(pKey, pValue)) return nullptr;
  return static_cast<LPCWSTR>(pValue);
}

BOOL CFhConfDoc::LoadFile(LPCWSTR pFilePath, BOOL bEscape) {
  WCEUI_CHECK(NULL != pFilePath);
  if (pFilePath == nullptr) return 0;
  if (m_bLoaded) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadFile(%s), already loaded", WCEUI_LOG_TAGW, pFilePath);
    return 0;
  }
  DWORD nSize = 0;
  std::unique_ptr<BYTE[]> pFile(
      WceUiReadFile(pFilePath, &nSize, WceUiGetGlobals()->GetGlobalData()->GetPassword()));
  if (pFile == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadFile, Call WceUiReadFile %s fail", WCEUI_LOG_TAGW, pFilePath);
    Clean();
    return 0;
  }
  m_strFilePath.SetString(pFilePath);
  if (nSize < 2 || nSize % 2 != 0) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadFile, %s is not a valid UNICODE file, the length is %u",
              WCEUI_LOG_TAGW, pFilePath, nSize);
    Clean();
    return 0;
  }
  if (pFile[0] != (kByteOrderMark & 0xFF) || pFile[1] != (kByteOrderMark >> 8)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadFile %s is not a valid UNICODE format file", WCEUI_LOG_TAGW,
              pFilePath);
    Clean();
    return 0;
  }
  size_t nLen = (nSize - 2) / 2;
  std::unique_ptr<WCHAR[]> pText(new (std::nothrow) WCHAR[nLen + 1]);
  if (pText == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadFile, Parse %s fail", WCEUI_LOG_TAGW, pFilePath);
    Clean();
    return 0;
  }
  std::memcpy(pText.get(), pFile.get() + 2, nLen * sizeof(WCHAR));
  pText[nLen] = 0;
  m_bEscape = bEscape ? 1 : 0;
  if (!ParseStr(pText.get(), nLen)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::LoadFile, Parse %s fail", WCEUI_LOG_TAGW, pFilePath);
    Clean();
    return 0;
  }
  m_bLoaded = 1;
  return 1;
}

BOOL CFhConfDoc::ParseLine(const WCHAR* pLine, const WCHAR* pEnd, bool bSlash, WCHAR* pPool, size_t* pUsed,
                           CPair* pPair) {
  const char16_t* pMethod = bSlash ? u"ParseLineWithSlash" : u"ParseLineNoSlash";
  const WCHAR* p = pLine;
  while (p < pEnd && *p != u'=' && !IsLineBlank(*p)) ++p;
  const WCHAR* pKeyEnd = p;
  while (p < pEnd && IsLineBlank(*p)) ++p;
  if (p == pEnd || *p != u'=') {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::%s, Parse %s fail 2", WCEUI_LOG_TAGW, pMethod,
              m_strFilePath.GetString());
    return 0;
  }
  if (pKeyEnd == pLine) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::%s, Parse %s fail 3", WCEUI_LOG_TAGW, pMethod,
              m_strFilePath.GetString());
    return 0;
  }
  ++p;
  while (p < pEnd && IsLineBlank(*p)) ++p;

  size_t nUsed = *pUsed;
  pPair->m_nKey = nUsed;
  for (const WCHAR* k = pLine; k < pKeyEnd; ++k) pPool[nUsed++] = *k;
  pPool[nUsed++] = 0;
  pPair->m_nValue = nUsed;
  for (; p < pEnd; ++p) {
    if (!bSlash || *p != u'\\') {
      pPool[nUsed++] = *p;
      continue;
    }
    WCHAR c = p + 1 < pEnd ? p[1] : 0;
    switch (c) {
      case u'\\':
        pPool[nUsed++] = u'\\';
        break;
      case u'n':
        pPool[nUsed++] = u'\n';
        break;
      case u'r':
        pPool[nUsed++] = u'\r';
        break;
      case u't':
        pPool[nUsed++] = u'\t';
        break;
      default:
        // A "\" at the end of the line shows as "\ ".
        WceUiLogW(WCEUI_LOG_ERROR, u"%s::%s, Parse %s fail, \\%c is not valid", WCEUI_LOG_TAGW, pMethod,
                  m_strFilePath.GetString(), c != 0 ? c : u' ');
        return 0;
    }
    ++p;
  }
  pPool[nUsed++] = 0;
  *pUsed = nUsed;
  return 1;
}

BOOL CFhConfDoc::ParseStr(const WCHAR* pText, size_t nLen) {
  size_t nLines = 1;
  for (size_t i = 0; i < nLen; ++i) nLines += pText[i] == u'\n';
  // Every key and value is a part of its line plus a terminator, and a line of n units holds at
  // most n - 1 of them (the "=" is dropped), so the pool never needs more than the text + 1.
  std::unique_ptr<CPair[]> pPairs(new (std::nothrow) CPair[nLines]);
  std::unique_ptr<WCHAR[]> pPool(new (std::nothrow) WCHAR[nLen + 1]);
  if (pPairs == nullptr || pPool == nullptr) return 0;
  size_t nPairs = 0;
  size_t nUsed = 0;
  const WCHAR* pTextEnd = pText + nLen;
  for (const WCHAR* pLine = pText; pLine < pTextEnd;) {
    const WCHAR* pLf = pLine;
    while (pLf < pTextEnd && *pLf != u'\n') ++pLf;
    const WCHAR* pNext = pLf < pTextEnd ? pLf + 1 : pTextEnd;
    const WCHAR* p = pLine;
    while (p < pLf && IsLineBlank(*p)) ++p;
    if (p == pLf || *p == u';' || *p == u'[') {
      pLine = pNext;
      continue;
    }
    const WCHAR* pEqual = p;
    while (pEqual < pLf && *pEqual != u'=') ++pEqual;
    if (pEqual == pLf) {
      WceUiLogW(WCEUI_LOG_ERROR, u"%s::ParseStr, PrePareLine(%s) fail", WCEUI_LOG_TAGW,
                m_strFilePath.GetString());
      return 0;
    }
    const WCHAR* pEnd = pLf < pTextEnd && pLf > p && pLf[-1] == u'\r' ? pLf - 1 : pLf;
    bool bSlash = false;
    if (m_bEscape) {
      for (const WCHAR* q = pEqual; q < pEnd && !bSlash; ++q) bSlash = *q == u'\\';
    }
    if (!ParseLine(p, pEnd, bSlash, pPool.get(), &nUsed, &pPairs[nPairs])) {
      WceUiLogW(
          WCEUI_LOG_ERROR,
          bSlash ? u"%s::ParseStr, ParseLineWithSlash(%s) fail" : u"%s::ParseStr, ParseLineNoSlash(%s) fail",
          WCEUI_LOG_TAGW, m_strFilePath.GetString());
      return 0;
    }
    ++nPairs;
    pLine = pNext;
  }
  m_pPool = new (std::nothrow) WCHAR[nUsed + 1];
  if (m_pPool == nullptr) return 0;
  std::memcpy(m_pPool, pPool.get(), nUsed * sizeof(WCHAR));
  m_pPool[nUsed] = 0;
  m_Map.InitHashTable(FhGetHashTableSize(UINT(nPairs)), TRUE);
  for (size_t i = 0; i < nPairs; ++i) {
    if (!m_Map.SetAt(m_pPool + pPairs[i].m_nKey, m_pPool + pPairs[i].m_nValue, FALSE)) return 0;
  }
  return 1;
}
