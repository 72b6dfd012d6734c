// The INI reader and writer over any file: every line read must be reported, and a rewrite must
// keep the file readable.
#include "services/CIniFile.h"

#include "tests/services/fuzz/FuzzInputFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!WriteFuzzInputFile("in.ini", data, size)) return 0;

  WCHAR buf[260];
  ReadIniString(u"corvane", u"guid", u"", buf, 260, u"\\in.ini");
  ReadIniString(u"corvane", u"board", u"d", buf, 8, u"\\in.ini");
  // Every unit of the file is in some line, so the lines together never exceed it.
  {
    CIniFile file;
    if (file.Open(u"\\in.ini", CFile::modeRead | CFile::typeBinary)) {
      CString line;
      size_t units = 0;
      int lines = 0;
      while (file.ReadLine(line) && lines < 100000) {
        units += static_cast<size_t>(line.GetLength());
        ++lines;
      }
      if (units > size / 2) __builtin_trap();
    }
  }
  if (WriteIniString(u"corvane", u"guid", u"01234567-89AB-4def-8123-456789ABCDEF", u"\\in.ini")) {
    ReadIniString(u"corvane", u"guid", u"", buf, 260, u"\\in.ini");
    if (std::u16string(buf) != u"01234567-89AB-4def-8123-456789ABCDEF") __builtin_trap();
  }
  return 0;
}
