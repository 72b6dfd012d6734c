// A short string: text up to 31 characters lives in the object, longer text on the heap.
#pragma once

#include "platform/kernel/wcetypes.h"

class CQuickString {
 public:
  CQuickString();
  explicit CQuickString(LPCWSTR pString);
  CQuickString(const CQuickString& rhs);
  CQuickString& operator=(const CQuickString& rhs);
  ~CQuickString();

  // The text may be (a part of) this string's own text.
  void SetString(LPCWSTR pString);
  LPCWSTR GetString() const { return m_pString; }
  operator LPCWSTR() const { return m_pString; }
  int GetLength() const;
  BOOL IsEmpty() const { return m_pString[0] == 0; }

  static constexpr int kInlineChars = 32;

 private:
  WCHAR m_szBuffer[kInlineChars];
  WCHAR* m_pString;
};
