// The INI reader and writer over any file: every line read must be reported, and a rewrite must
// keep the file readable.
#include "services/CIniFile.h"

#include "kernel/filesys.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string g_root;

void RemoveRoot() {
  std::error_code ec;
  std::filesystem::remove_all(g_root, ec);
}

std::string PrepareRoot() {
  // Memory-backed when there is one: every run writes its input as a file.
  std::filesystem::path base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                    : std::filesystem::temp_directory_path();
  std::string root = (base / ("ini-fuzz-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(root);
  wce::SetRootDir(root);
  g_root = root;
  std::atexit(RemoveRoot);
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string root = PrepareRoot();
  FILE* f = std::fopen((root + "/in.ini").c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

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
