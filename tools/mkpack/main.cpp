// mkpack: makes a resource pack of a folder, or lists the index of one.
//   mkpack DIR OUT.pack PASSWORD
//   mkpack --list PACK PASSWORD
#include "tools/mkpack/CPackWriter.h"

#include "platform/kernel/wcestr.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: mkpack DIR OUT.pack PASSWORD\n       mkpack --list PACK PASSWORD\n");
  return 2;
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "mkpack: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Usage();
  const std::u16string password = WceUtf8ToWide(argv[3]);
  std::string error;
  if (std::strcmp(argv[1], "--list") == 0) {
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    if (!in) return Fail(std::string("cannot read ") + argv[2]);
    return CPackWriter::List(bytes.str(), password.c_str(), stdout, &error) ? 0 : Fail(error);
  }
  CPackWriter writer;
  std::string pack;
  if (!writer.AddDirectory(argv[1], &error) || !writer.Build(password.c_str(), &pack, &error))
    return Fail(error);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << pack;
  out.close();
  if (!out) return Fail(std::string("cannot write ") + argv[2]);
  std::printf("%s: %zu items, %zu bytes\n", argv[2], writer.GetCount(), pack.size());
  return 0;
}
