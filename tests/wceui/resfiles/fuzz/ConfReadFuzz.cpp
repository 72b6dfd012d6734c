// The conf reader over any file, with escapes on and off: a loaded document answers every lookup
// with text that lies in its pool, and a failed one answers none.
#include "wceui/resfiles/CFhConfDoc.h"
#include "wceui/resfiles/CReadFontConfInfo.h"

#include "platform/kernel/wcestr.h"
#include "tests/services/fuzz/FuzzInputFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!WriteFuzzInputFile("in.conf", data, size)) return 0;
  static const char16_t* const kKeys[] = {u"a", u"key", u"height", u"facename", u"", u"\\", u"=", u"[x]"};
  for (BOOL bEscape : {FALSE, TRUE}) {
    CFhConfDoc doc;
    BOOL bLoaded = doc.LoadFile(u"\\in.conf", bEscape);
    for (const char16_t* key : kKeys) {
      LPCWSTR value = doc.GetString(key);
      if (!bLoaded && value != nullptr) __builtin_trap();
      // A value is a part of one line of the file: never longer than the text.
      if (value != nullptr && wcslen(value) > size / 2) __builtin_trap();
    }
  }
  CReadFontConfInfo font;
  if (font.LoadFontConfFile(u"\\in.conf")) {
    LOGFONTW lf;
    if (!font.GetLogFont(&lf) || lf.lfFaceName[LF_FACESIZE - 1] != 0) __builtin_trap();
  }
  return 0;
}
