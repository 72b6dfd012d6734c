// The markup document's loader over any bytes: encoding detection, conversion, tokenizer, index,
// then a walk over whatever was indexed.
#include "services/CXmlDocument.h"

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
  std::string root = (base / ("xml-fuzz-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(root);
  wce::SetRootDir(root);
  g_root = root;
  std::atexit(RemoveRoot);
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string root = PrepareRoot();
  FILE* f = std::fopen((root + "/in.xml").c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  CXmlDocument doc;
  doc.LoadFile(u"\\in.xml");
  // Walk every element depth-first through the public navigation, reading an attribute each.
  doc.ResetPosition();
  int budget = 10000;
  while (budget-- > 0) {
    if (doc.FindElement()) {
      doc.GetAttribute(u"a");
      doc.GetTagName();
      doc.EnterElement();
      continue;
    }
    break;
  }
  for (int i = 0; i < doc.GetElemCount(); ++i) {
    const CXmlDocument::ElemPos& e = doc.GetElemPos(i);
    if (e.nStart + e.nLength > doc.GetDoc().size()) __builtin_trap();
  }
  return 0;
}
