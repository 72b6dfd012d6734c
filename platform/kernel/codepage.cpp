#include "platform/kernel/codepage.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

namespace {

const char* CharsetOf(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_GBK:
      return "CP936";
    case CP_UTF8:
      return "UTF-8";
    default:
      return nullptr;
  }
}

// One conversion descriptor per call: descriptors keep state and are not shared.
struct IconvClose {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvPtr = std::unique_ptr<void, IconvClose>;

IconvPtr OpenIconv(const char* to, const char* from) {
  const iconv_t cd = iconv_open(to, from);
  return IconvPtr(cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd);
}

enum class Outcome { Done, Invalid, Unmappable, Failed };

// Converts as much of [*in, *in + *inLeft) as it can, appending to out. Stops at the first
// sequence that cannot be converted: Invalid for a malformed or cut-off one, Unmappable when
// the input was well formed (the caller checked) and only the target lacks the character.
Outcome Convert(iconv_t cd, char** in, size_t* inLeft, std::string& out, bool inputChecked) {
  char buf[4096];
  while (*inLeft > 0) {
    char* o = buf;
    size_t oLeft = sizeof buf;
    const size_t rc = iconv(cd, in, inLeft, &o, &oLeft);
    out.append(buf, static_cast<size_t>(o - buf));
    if (rc != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    if (errno == EILSEQ) return inputChecked ? Outcome::Unmappable : Outcome::Invalid;
    if (errno == EINVAL) return Outcome::Invalid;
    return Outcome::Failed;
  }
  return Outcome::Done;
}

bool IsHighSurrogate(WCHAR c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(WCHAR c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

bool SurrogatesPaired(const WCHAR* s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (IsHighSurrogate(s[i])) {
      if (i + 1 >= n || !IsLowSurrogate(s[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(s[i])) {
      return false;
    }
  }
  return true;
}

int Fail(DWORD err) {
  SetLastError(err);
  return 0;
}

}  // namespace

UINT GetACP() {
  return CP_GBK;
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR mb, int cbMultiByte, LPWSTR wide, int cchWideChar) {
  const char* charset = CharsetOf(codePage);
  if (charset == nullptr || mb == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
      (wide == nullptr && cchWideChar != 0)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const size_t inSize = cbMultiByte == -1 ? std::strlen(mb) + 1 : static_cast<size_t>(cbMultiByte);
  const IconvPtr cd = OpenIconv("UTF-16LE", charset);
  if (!cd) return Fail(ERROR_INVALID_PARAMETER);
  std::string bytes;
  char* in = const_cast<char*>(mb);  // iconv's prototype; the input is only read
  size_t inLeft = inSize;
  switch (Convert(cd.get(), &in, &inLeft, bytes, false)) {
    case Outcome::Done:
      break;
    case Outcome::Failed:
      return Fail(ERROR_INVALID_PARAMETER);
    default:
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  const size_t units = bytes.size() / 2;
  if (units > static_cast<size_t>(INT32_MAX)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (cchWideChar == 0) return static_cast<int>(units);
  if (units > static_cast<size_t>(cchWideChar)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  for (size_t i = 0; i < units; ++i) {
    wide[i] = static_cast<WCHAR>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return static_cast<int>(units);
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int cchWideChar, LPSTR mb, int cbMultiByte,
                        LPCSTR defaultChar, BOOL* usedDefault) {
  const char* charset = CharsetOf(codePage);
  if (charset == nullptr || wide == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
      (mb == nullptr && cbMultiByte != 0) ||
      (codePage == CP_UTF8 && (defaultChar != nullptr || usedDefault != nullptr))) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const size_t inUnits = cchWideChar == -1 ? wcslen(wide) + 1 : static_cast<size_t>(cchWideChar);
  if (!SurrogatesPaired(wide, inUnits)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  std::string input(inUnits * 2, '\0');
  for (size_t i = 0; i < inUnits; ++i) {
    input[2 * i] = static_cast<char>(wide[i] & 0xFF);
    input[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  std::string replacement = "?";
  if (defaultChar != nullptr && defaultChar[0] != 0) {
    replacement.assign(defaultChar, defaultChar[1] != 0 ? 2 : 1);  // one character: one or two bytes
  }
  const IconvPtr cd = OpenIconv(charset, "UTF-16LE");
  if (!cd) return Fail(ERROR_INVALID_PARAMETER);
  std::string out;
  char* in = input.data();
  size_t inLeft = input.size();
  bool replaced = false;
  for (;;) {
    const Outcome outcome = Convert(cd.get(), &in, &inLeft, out, true);
    if (outcome == Outcome::Done) break;
    if (outcome != Outcome::Unmappable) {
      return Fail(outcome == Outcome::Invalid ? ERROR_NO_UNICODE_TRANSLATION : ERROR_INVALID_PARAMETER);
    }
    // The character at `in` has no GBK form: put the default character in its place.
    const size_t skip =
        inLeft >= 4 && IsHighSurrogate(static_cast<WCHAR>(static_cast<unsigned char>(in[0]) |
                                                          (static_cast<unsigned char>(in[1]) << 8)))
            ? 4
            : 2;
    out += replacement;
    replaced = true;
    in += skip;
    inLeft -= skip;
  }
  if (usedDefault != nullptr) *usedDefault = replaced ? TRUE : FALSE;
  if (out.size() > static_cast<size_t>(INT32_MAX)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (cbMultiByte == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(cbMultiByte)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(mb, out.data(), out.size());
  return static_cast<int>(out.size());
}
