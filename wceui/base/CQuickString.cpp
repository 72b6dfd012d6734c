#include "wceui/base/CQuickString.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"

#include <cstring>
#include <new>

CQuickString::CQuickString() : m_pString(m_szBuffer) {
  m_szBuffer[0] = 0;
}

CQuickString::CQuickString(LPCWSTR pString) : CQuickString() {
  SetString(pString);
}

CQuickString::CQuickString(const CQuickString& rhs) : CQuickString() {
  SetString(rhs.m_pString);
}

CQuickString& CQuickString::operator=(const CQuickString& rhs) {
  SetString(rhs.m_pString);
  return *this;
}

CQuickString::~CQuickString() {
  if (m_pString != m_szBuffer) delete[] m_pString;
}

int CQuickString::GetLength() const {
  return static_cast<int>(wcslen(m_pString));
}

void CQuickString::SetString(LPCWSTR pString) {
  WCEUI_CHECK(NULL != pString);
  if (pString == nullptr) pString = u"";
  // The new text is copied before the old block is freed: it may be this string's own text.
  size_t nChars = wcslen(pString) + 1;
  WCHAR* pTarget = m_szBuffer;
  if (nChars > static_cast<size_t>(kInlineChars)) pTarget = new (std::nothrow) WCHAR[nChars];
  if (pTarget == nullptr) {
    WceUiCheckFailed(__PRETTY_FUNCTION__, "NULL != m_pString");
    if (m_pString != m_szBuffer) delete[] m_pString;
    m_pString = m_szBuffer;
    m_szBuffer[0] = 0;
    return;
  }
  std::memmove(pTarget, pString, nChars * sizeof(WCHAR));
  if (m_pString != m_szBuffer && m_pString != pTarget) delete[] m_pString;
  m_pString = pTarget;
}
