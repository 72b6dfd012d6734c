// CString: the wide string class of the MFC class library, as far as the system uses it.
// Text is UTF-16 (WCHAR); the string may hold NUL units in the middle (lengths are explicit).
#pragma once

#include "platform/kernel/wcetypes.h"

#include <string>

class CString {
 public:
  CString() = default;
  CString(LPCWSTR text);  // NOLINT: implicit, as in MFC
  CString(LPCWSTR text, int length);
  CString(WCHAR ch, int repeat = 1);
  CString(const std::u16string& text) : m_str(text) {}  // NOLINT

  int GetLength() const { return static_cast<int>(m_str.size()); }
  bool IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }
  WCHAR GetAt(int index) const { return m_str[static_cast<size_t>(index)]; }
  WCHAR operator[](int index) const { return GetAt(index); }
  void SetAt(int index, WCHAR ch) { m_str[static_cast<size_t>(index)] = ch; }
  operator LPCWSTR() const { return m_str.c_str(); }  // NOLINT
  LPCWSTR GetString() const { return m_str.c_str(); }
  const std::u16string& Str() const { return m_str; }  // our own: the text without copying

  CString& operator=(LPCWSTR text);
  CString& operator+=(const CString& other);
  CString& operator+=(LPCWSTR text);
  CString& operator+=(WCHAR ch);
  void Append(LPCWSTR text, int length);
  friend CString operator+(const CString& a, const CString& b);
  friend CString operator+(const CString& a, LPCWSTR b);
  friend CString operator+(LPCWSTR a, const CString& b);
  friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
  friend bool operator==(const CString& a, LPCWSTR b);
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
  friend bool operator!=(const CString& a, LPCWSTR b) { return !(a == b); }

  // <0, 0, >0 as wcscmp; CompareNoCase folds ASCII letters only.
  int Compare(LPCWSTR text) const;
  int CompareNoCase(LPCWSTR text) const;

  // -1 when not found.
  int Find(WCHAR ch, int start = 0) const;
  int Find(LPCWSTR text, int start = 0) const;
  int ReverseFind(WCHAR ch) const;

  // Out-of-range counts are clamped, as in MFC.
  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;

  // White space: blank, TAB, CR, LF, VT, FF.
  CString& Trim();
  CString& TrimLeft();
  CString& TrimRight();

  // Room for at least minLength characters plus the terminator; ReleaseBuffer(-1) takes the
  // length from the first NUL.
  LPWSTR GetBuffer(int minLength);
  void ReleaseBuffer(int newLength = -1);

  void Format(LPCWSTR fmt, ...);

 private:
  std::u16string m_str;
};
