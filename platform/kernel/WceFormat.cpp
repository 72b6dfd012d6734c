#include "platform/kernel/WceFormat.h"

#include <cstdio>
#include <cstring>

namespace {

enum class ArgSize { Default, Char, Short, Long, LongLong, Pointer };

struct FormatField {
  bool m_bLeft = false;
  bool m_bPlus = false;
  bool m_bSpace = false;
  bool m_bAlt = false;
  bool m_bZero = false;
  int m_nWidth = 0;
  int m_nPrecision = -1;
  ArgSize m_Size = ArgSize::Default;
  bool m_bNarrowText = false;  // 'h' in front of s/c
  bool m_bWideText = false;    // 'l' or 'w' in front of s/c/S/C
};

void AppendAscii(std::u16string& out, const char* s) {
  for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
}

// Padding and placement shared by text and numbers. `prefix` (sign, 0x) stays in front of
// zero padding.
void EmitField(std::u16string& out, const FormatField& field, const std::u16string& prefix,
               const std::u16string& body, bool zeroPadAllowed) {
  size_t len = prefix.size() + body.size();
  size_t pad = field.m_nWidth > 0 && static_cast<size_t>(field.m_nWidth) > len ? field.m_nWidth - len : 0;
  if (field.m_bLeft) {
    out += prefix;
    out += body;
    out.append(pad, u' ');
  } else if (field.m_bZero && zeroPadAllowed) {
    out += prefix;
    out.append(pad, u'0');
    out += body;
  } else {
    out.append(pad, u' ');
    out += prefix;
    out += body;
  }
}

void EmitInteger(std::u16string& out, const FormatField& field, uint64_t magnitude, bool negative,
                 bool isSigned, unsigned base, bool upper) {
  const char* digitSet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string digits;
  for (uint64_t v = magnitude; v != 0; v /= base) digits.insert(digits.begin(), digitSet[v % base]);
  if (digits.empty() && field.m_nPrecision != 0) digits = u"0";
  if (field.m_nPrecision > 0 && digits.size() < static_cast<size_t>(field.m_nPrecision))
    digits.insert(0, field.m_nPrecision - digits.size(), u'0');
  std::u16string prefix;
  if (isSigned) {
    if (negative)
      prefix = u"-";
    else if (field.m_bPlus)
      prefix = u"+";
    else if (field.m_bSpace)
      prefix = u" ";
  }
  if (field.m_bAlt && base == 16 && magnitude != 0) prefix += upper ? u"0X" : u"0x";
  if (field.m_bAlt && base == 8 && (digits.empty() || digits[0] != u'0')) digits.insert(digits.begin(), u'0');
  EmitField(out, field, prefix, digits, field.m_nPrecision < 0);
}

void EmitText(std::u16string& out, const FormatField& field, std::u16string text) {
  if (field.m_nPrecision >= 0 && text.size() > static_cast<size_t>(field.m_nPrecision))
    text.resize(field.m_nPrecision);
  EmitField(out, field, std::u16string(), text, false);
}

std::u16string WideArgText(const WCHAR* s, int precision) {
  if (s == nullptr) return u"(null)";
  size_t n = 0;
  // With a precision the array need not be terminated: never look past it.
  while ((precision < 0 || n < static_cast<size_t>(precision)) && s[n] != 0) ++n;
  return std::u16string(s, n);
}

std::u16string NarrowArgText(const char* s, int precision) {
  if (s == nullptr) return u"(null)";
  size_t n = precision < 0 ? std::strlen(s) : strnlen(s, static_cast<size_t>(precision));
  return WceNarrowToWide(s, n);
}

int64_t ReadSigned(va_list& ap, ArgSize size) {
  switch (size) {
    case ArgSize::Char:
      return static_cast<signed char>(va_arg(ap, int));
    case ArgSize::Short:
      return static_cast<short>(va_arg(ap, int));
    case ArgSize::LongLong:
      return va_arg(ap, long long);
    case ArgSize::Pointer:
      return va_arg(ap, intptr_t);
    // 'l' is 32 bits as on the target, where LONG and DWORD are what %ld and %lu print.
    case ArgSize::Long:
    case ArgSize::Default:
      break;
  }
  return va_arg(ap, int);
}

uint64_t ReadUnsigned(va_list& ap, ArgSize size) {
  switch (size) {
    case ArgSize::Char:
      return static_cast<unsigned char>(va_arg(ap, unsigned int));
    case ArgSize::Short:
      return static_cast<unsigned short>(va_arg(ap, unsigned int));
    case ArgSize::LongLong:
      return va_arg(ap, unsigned long long);
    case ArgSize::Pointer:
      return va_arg(ap, uintptr_t);
    case ArgSize::Long:
    case ArgSize::Default:
      break;
  }
  return va_arg(ap, unsigned int);
}

}  // namespace

size_t WceDecodeUtf8(const char* s, size_t avail, uint32_t& codePoint) {
  static const uint32_t kMinForLength[] = {0, 0x80, 0x800, 0x10000};
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  if (avail == 0) return 0;
  unsigned char b = p[0];
  if (b < 0x80) {
    codePoint = b;
    return 1;
  }
  size_t extra = b >= 0xF0 && b <= 0xF4 ? 3 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
  if (extra == 0 || extra >= avail) return 0;
  uint32_t cp = b & (0x3Fu >> extra);
  for (size_t k = 1; k <= extra; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[k] & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not text.
  if (cp < kMinForLength[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  codePoint = cp;
  return extra + 1;
}

void WceAppendCodePoint(std::u16string& out, uint32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

std::u16string WceNarrowToWide(const char* s, size_t maxBytes) {
  std::u16string out;
  for (size_t i = 0; i < maxBytes;) {
    uint32_t cp = 0;
    size_t used = WceDecodeUtf8(s + i, maxBytes - i, cp);
    if (used == 0) {
      out.push_back(static_cast<unsigned char>(s[i]));
      ++i;
    } else {
      WceAppendCodePoint(out, cp);
      i += used;
    }
  }
  return out;
}

void WceFormatAppendV(std::u16string& out, const WCHAR* fmt, va_list apIn) {
  if (fmt == nullptr) return;
  va_list ap;
  va_copy(ap, apIn);
  const WCHAR* p = fmt;
  while (*p) {
    if (*p != u'%') {
      out.push_back(*p++);
      continue;
    }
    const WCHAR* fieldStart = p++;
    FormatField field;
    for (;; ++p) {
      if (*p == u'-')
        field.m_bLeft = true;
      else if (*p == u'+')
        field.m_bPlus = true;
      else if (*p == u' ')
        field.m_bSpace = true;
      else if (*p == u'#')
        field.m_bAlt = true;
      else if (*p == u'0')
        field.m_bZero = true;
      else
        break;
    }
    if (*p == u'*') {
      field.m_nWidth = va_arg(ap, int);
      if (field.m_nWidth < 0) {
        field.m_bLeft = true;
        field.m_nWidth = field.m_nWidth == INT32_MIN ? 0 : -field.m_nWidth;
      }
      ++p;
    } else {
      while (*p >= u'0' && *p <= u'9') {
        if (field.m_nWidth < 100000) field.m_nWidth = field.m_nWidth * 10 + (*p - u'0');
        ++p;
      }
    }
    if (*p == u'.') {
      ++p;
      field.m_nPrecision = 0;
      if (*p == u'*') {
        field.m_nPrecision = va_arg(ap, int);
        if (field.m_nPrecision < 0) field.m_nPrecision = -1;
        ++p;
      } else {
        while (*p >= u'0' && *p <= u'9') {
          if (field.m_nPrecision < 100000) field.m_nPrecision = field.m_nPrecision * 10 + (*p - u'0');
          ++p;
        }
      }
    }
    if (*p == u'h') {
      ++p;
      field.m_Size = ArgSize::Short;
      field.m_bNarrowText = true;
      if (*p == u'h') {
        ++p;
        field.m_Size = ArgSize::Char;
      }
    } else if (*p == u'l') {
      ++p;
      field.m_Size = ArgSize::Long;
      field.m_bWideText = true;
      if (*p == u'l') {
        ++p;
        field.m_Size = ArgSize::LongLong;
      }
    } else if (*p == u'w') {
      ++p;
      field.m_bWideText = true;
    } else if (*p == u'I') {
      if (p[1] == u'6' && p[2] == u'4') {
        p += 3;
        field.m_Size = ArgSize::LongLong;
      } else if (p[1] == u'3' && p[2] == u'2') {
        p += 3;
        field.m_Size = ArgSize::Default;
      } else {
        ++p;
        field.m_Size = ArgSize::Pointer;
      }
    }
    WCHAR conv = *p;
    if (conv == 0) {
      // A lone '%' (or an unfinished field) at the end is kept as written.
      out.append(fieldStart, p);
      break;
    }
    ++p;
    switch (conv) {
      case u'd':
      case u'i': {
        int64_t v = ReadSigned(ap, field.m_Size);
        uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        EmitInteger(out, field, mag, v < 0, true, 10, false);
        break;
      }
      case u'u':
        EmitInteger(out, field, ReadUnsigned(ap, field.m_Size), false, false, 10, false);
        break;
      case u'x':
        EmitInteger(out, field, ReadUnsigned(ap, field.m_Size), false, false, 16, false);
        break;
      case u'X':
        EmitInteger(out, field, ReadUnsigned(ap, field.m_Size), false, false, 16, true);
        break;
      case u'o':
        EmitInteger(out, field, ReadUnsigned(ap, field.m_Size), false, false, 8, false);
        break;
      case u'p': {
        FormatField ptrField = field;
        ptrField.m_nPrecision = static_cast<int>(sizeof(void*) * 2);
        ptrField.m_bAlt = false;
        EmitInteger(out, ptrField, reinterpret_cast<uintptr_t>(va_arg(ap, void*)), false, false, 16, true);
        break;
      }
      case u'c':
      case u'C': {
        unsigned v = va_arg(ap, unsigned);
        bool narrow = conv == u'C' ? !field.m_bWideText : field.m_bNarrowText;
        WCHAR ch = narrow ? static_cast<WCHAR>(v & 0xFF) : static_cast<WCHAR>(v & 0xFFFF);
        EmitText(out, FormatField{field.m_bLeft, false, false, false, false, field.m_nWidth, -1},
                 std::u16string(1, ch));
        break;
      }
      case u's':
      case u'S': {
        bool narrow = conv == u'S' ? !field.m_bWideText : field.m_bNarrowText;
        std::u16string text = narrow ? NarrowArgText(va_arg(ap, const char*), field.m_nPrecision)
                                     : WideArgText(va_arg(ap, const WCHAR*), field.m_nPrecision);
        EmitText(out, field, std::move(text));
        break;
      }
      case u'f':
      case u'F':
      case u'e':
      case u'E':
      case u'g':
      case u'G': {
        // Floating point goes through the C library; only the field's ASCII form is handed on.
        char narrowFormat[64];
        int n = std::snprintf(narrowFormat, sizeof narrowFormat, "%%%s%s%s%s%s*.*%c",
                              field.m_bLeft ? "-" : "", field.m_bPlus ? "+" : "", field.m_bSpace ? " " : "",
                              field.m_bAlt ? "#" : "", field.m_bZero ? "0" : "", static_cast<char>(conv));
        if (n <= 0) break;
        double v = va_arg(ap, double);
        char buf[512];
        std::snprintf(buf, sizeof buf, narrowFormat, field.m_nWidth,
                      field.m_nPrecision < 0 ? 6 : field.m_nPrecision, v);
        AppendAscii(out, buf);
        break;
      }
      case u'%':
        out.push_back(u'%');
        break;
      default:
        // Unknown conversion: shown as written, and no argument is taken.
        out.append(fieldStart, p);
        break;
    }
  }
  va_end(ap);
}
