// The registry file's text form, readable and exact: every key and value written with its
// spelling, type and bytes, so that reading it back gives the same registry.
//
//   ; comment
//   [HKEY_LOCAL_MACHINE\Drivers\USB\ClientDrivers\ADB_Class]
//   "Prefix"=sz:"ADB"                  REG_SZ whose bytes end in one terminator (not shown)
//   "App"=sz-noterm:"QX_VT"            REG_SZ stored without a terminator
//   "VTCorvane"=dword:00000064         REG_DWORD of four bytes
//   "Blob"=hex:01,02,ff                REG_BINARY
//   "Odd"=hex(7):41,00,00,00           any other type, or bytes that fit none of the above
//   @=sz:"text"                        the key's default value
//
// The file is UTF-8. Quoted text escapes \\ \" \0 \r \n \t, and \uXXXX for other control
// characters and for unpaired surrogates. Every key is written, empty ones too, after its parent.
#pragma once

#include "platform/registry/CRegistryKey.h"

#include <string>
#include <vector>

struct CRegistryRoot {
  const char* m_pName;  // "HKEY_LOCAL_MACHINE"
  CRegistryKey* m_pKey;
};

class CRegistryText {
 public:
  // Keys may be nested at most this deep; deeper ones are refused when created or read.
  static constexpr size_t kMaxDepth = 512;

  static std::string Format(const std::vector<CRegistryRoot>& roots);
  // Adds what the text holds to the roots. A line that cannot be read is skipped and logged,
  // and so are the values of a key that cannot be read. Returns the number of lines skipped.
  static int Parse(const std::string& text, const std::vector<CRegistryRoot>& roots);

  // Whether a name may name a key: 1 to 255 characters, no backslash, no control character,
  // no unpaired surrogate (so that the file can show it in brackets as it is).
  static bool IsValidKeyName(const std::u16string& name);
};
