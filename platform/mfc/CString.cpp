#include "platform/mfc/CString.h"

#include "platform/kernel/wcestr.h"

#include <cstdarg>
#include <vector>

namespace {

bool IsSpace(WCHAR c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

}  // namespace

CString::CString(LPCWSTR text) {
  if (text) m_str.assign(text, wcslen(text));
}

CString::CString(LPCWSTR text, int length) {
  if (text && length > 0) m_str.assign(text, static_cast<size_t>(length));
}

CString::CString(WCHAR ch, int repeat) {
  if (repeat > 0) m_str.assign(static_cast<size_t>(repeat), ch);
}

CString& CString::operator=(LPCWSTR text) {
  if (text) {
    m_str.assign(text, wcslen(text));
  } else {
    m_str.clear();
  }
  return *this;
}

CString& CString::operator+=(const CString& other) {
  m_str += other.m_str;
  return *this;
}

CString& CString::operator+=(LPCWSTR text) {
  if (text) m_str.append(text, wcslen(text));
  return *this;
}

CString& CString::operator+=(WCHAR ch) {
  m_str.push_back(ch);
  return *this;
}

void CString::Append(LPCWSTR text, int length) {
  if (text && length > 0) m_str.append(text, static_cast<size_t>(length));
}

CString operator+(const CString& a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const CString& a, LPCWSTR b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(LPCWSTR a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

bool operator==(const CString& a, LPCWSTR b) {
  return a.Compare(b) == 0;
}

int CString::Compare(LPCWSTR text) const {
  return wcscmp(m_str.c_str(), text ? text : u"");
}

int CString::CompareNoCase(LPCWSTR text) const {
  return _wcsicmp(m_str.c_str(), text ? text : u"");
}

int CString::Find(WCHAR ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  size_t pos = m_str.find(ch, static_cast<size_t>(start));
  return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(LPCWSTR text, int start) const {
  if (!text || start < 0 || start > GetLength()) return -1;
  size_t pos = m_str.find(text, static_cast<size_t>(start), wcslen(text));
  return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(WCHAR ch) const {
  size_t pos = m_str.rfind(ch);
  return pos == std::u16string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int count) const {
  if (count < 0) count = 0;
  if (count > GetLength()) count = GetLength();
  return CString(m_str.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
  return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (first > GetLength()) first = GetLength();
  if (count < 0) count = 0;
  if (count > GetLength() - first) count = GetLength() - first;
  return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
  if (count < 0) count = 0;
  if (count > GetLength()) count = GetLength();
  return CString(m_str.substr(m_str.size() - static_cast<size_t>(count)));
}

CString& CString::Trim() {
  return TrimRight().TrimLeft();
}

CString& CString::TrimLeft() {
  size_t i = 0;
  while (i < m_str.size() && IsSpace(m_str[i])) ++i;
  m_str.erase(0, i);
  return *this;
}

CString& CString::TrimRight() {
  size_t n = m_str.size();
  while (n > 0 && IsSpace(m_str[n - 1])) --n;
  m_str.resize(n);
  return *this;
}

LPWSTR CString::GetBuffer(int minLength) {
  if (minLength > GetLength()) m_str.resize(static_cast<size_t>(minLength));
  return &m_str[0];
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) {
    size_t n = 0;
    while (n < m_str.size() && m_str[n] != 0) ++n;
    m_str.resize(n);
  } else if (static_cast<size_t>(newLength) <= m_str.size()) {
    m_str.resize(static_cast<size_t>(newLength));
  }
}

void CString::Format(LPCWSTR fmt, ...) {
  std::vector<WCHAR> buf(1024);
  va_list ap;
  va_start(ap, fmt);
  int n = vswprintf(buf.data(), buf.size(), fmt, ap);
  va_end(ap);
  if (n < 0) n = 0;
  m_str.assign(buf.data(), static_cast<size_t>(n));
}
