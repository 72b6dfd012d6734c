#include "platform/kernel/wcestr.h"

#include "platform/kernel/WceFormat.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

WCHAR FoldAscii(WCHAR c) {
  return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c - u'A' + u'a') : c;
}

bool IsSpace(WCHAR c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int DigitValue(WCHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'z') return c - u'a' + 10;
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
  return 99;
}

// Shared by wcstol and wcstoul: sign, base prefix and digits; the magnitude saturates at
// `limit`. Returns false when no digit was read (end then points at s).
bool ParseMagnitude(const WCHAR* s, WCHAR** end, int base, uint64_t limit, uint64_t& magnitude,
                    bool& negative, bool& overflow) {
  const WCHAR* p = s;
  magnitude = 0;
  negative = false;
  overflow = false;
  if (end) *end = const_cast<WCHAR*>(s);
  if (s == nullptr || base < 0 || base == 1 || base > 36) return false;
  while (IsSpace(*p)) ++p;
  if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
  if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && DigitValue(p[2]) < 16) {
    p += 2;
    base = 16;
  } else if (base == 0) {
    base = p[0] == u'0' ? 8 : 10;
  }
  const WCHAR* digits = p;
  for (int d; (d = DigitValue(*p)) < base; ++p) {
    if (magnitude > (limit - d) / base)
      overflow = true;
    else
      magnitude = magnitude * base + d;
  }
  if (p == digits) return false;
  if (end) *end = const_cast<WCHAR*>(p);
  return true;
}

}  // namespace

size_t wcslen(const WCHAR* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

int wcscmp(const WCHAR* a, const WCHAR* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a < *b ? -1 : *a > *b ? 1 : 0;
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n) {
  for (; n > 0; --n, ++a, ++b) {
    if (*a != *b) return *a < *b ? -1 : 1;
    if (*a == 0) return 0;
  }
  return 0;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) {
  return _wcsnicmp(a, b, SIZE_MAX);
}

int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n) {
  for (; n > 0; --n, ++a, ++b) {
    WCHAR x = FoldAscii(*a);
    WCHAR y = FoldAscii(*b);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

WCHAR* _wcslwr(WCHAR* s) {
  for (WCHAR* p = s; *p; ++p) *p = FoldAscii(*p);
  return s;
}

WCHAR* wcscpy(WCHAR* dst, const WCHAR* src) {
  WCHAR* d = dst;
  while ((*d++ = *src++) != 0) {
  }
  return dst;
}

WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n) {
  size_t i = 0;
  for (; i < n && src[i]; ++i) dst[i] = src[i];
  for (; i < n; ++i) dst[i] = 0;
  return dst;
}

WCHAR* wcscat(WCHAR* dst, const WCHAR* src) {
  wcscpy(dst + wcslen(dst), src);
  return dst;
}

const WCHAR* wcschr(const WCHAR* s, WCHAR c) {
  for (;; ++s) {
    if (*s == c) return s;
    if (*s == 0) return nullptr;
  }
}

WCHAR* wcschr(WCHAR* s, WCHAR c) {
  return const_cast<WCHAR*>(wcschr(const_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c) {
  const WCHAR* found = nullptr;
  for (;; ++s) {
    if (*s == c) found = s;
    if (*s == 0) return found;
  }
}

WCHAR* wcsrchr(WCHAR* s, WCHAR c) {
  return const_cast<WCHAR*>(wcsrchr(const_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsstr(const WCHAR* hay, const WCHAR* needle) {
  size_t n = wcslen(needle);
  if (n == 0) return hay;
  for (; *hay; ++hay) {
    if (*hay == *needle && wcsncmp(hay, needle, n) == 0) return hay;
  }
  return nullptr;
}

WCHAR* wcsstr(WCHAR* hay, const WCHAR* needle) {
  return const_cast<WCHAR*>(wcsstr(const_cast<const WCHAR*>(hay), needle));
}

long wcstol(const WCHAR* s, WCHAR** end, int base) {
  // LONG is 32 bits on the target: results saturate there, not at the host's 64-bit long.
  uint64_t magnitude;
  bool negative, overflow;
  uint64_t limit = 0x80000000ull;
  if (!ParseMagnitude(s, end, base, limit, magnitude, negative, overflow)) return 0;
  if (!negative && magnitude > 0x7FFFFFFFull) overflow = true;
  if (overflow) {
    errno = ERANGE;
    return negative ? INT32_MIN : INT32_MAX;
  }
  return negative ? -static_cast<long>(magnitude) : static_cast<long>(magnitude);
}

unsigned long wcstoul(const WCHAR* s, WCHAR** end, int base) {
  uint64_t magnitude;
  bool negative, overflow;
  if (!ParseMagnitude(s, end, base, 0xFFFFFFFFull, magnitude, negative, overflow)) return 0;
  if (overflow) {
    errno = ERANGE;
    return 0xFFFFFFFFul;
  }
  uint32_t v = static_cast<uint32_t>(magnitude);
  return negative ? static_cast<uint32_t>(0u - v) : v;
}

int _wtoi(const WCHAR* s) {
  return static_cast<int>(wcstol(s, nullptr, 10));
}

int vswprintf(WCHAR* dst, size_t cch, const WCHAR* fmt, va_list ap) {
  if (dst == nullptr || cch == 0) return -1;
  std::u16string text;
  WceFormatAppendV(text, fmt, ap);
  size_t n = text.size() < cch - 1 ? text.size() : cch - 1;
  std::memcpy(dst, text.data(), n * sizeof(WCHAR));
  dst[n] = 0;
  return static_cast<int>(n);
}

int swprintf(WCHAR* dst, size_t cch, const WCHAR* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = vswprintf(dst, cch, fmt, ap);
  va_end(ap);
  return n;
}

int wsprintfW(WCHAR* dst, const WCHAR* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = vswprintf(dst, 1024, fmt, ap);
  va_end(ap);
  return n;
}

std::u16string WceUtf8ToWide(const std::string& s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    uint32_t cp = 0;
    size_t used = WceDecodeUtf8(s.data() + i, s.size() - i, cp);
    if (used == 0) {
      out.push_back(0xFFFD);  // one replacement per byte that is not part of valid UTF-8
      ++i;
    } else {
      WceAppendCodePoint(out, cp);
      i += used;
    }
  }
  return out;
}

std::string WceWideToUtf8(const std::u16string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string WceWideToUtf8(const WCHAR* s) {
  return s ? WceWideToUtf8(std::u16string(s)) : std::string();
}
