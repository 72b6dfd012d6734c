#include "phonelink/LocalFile.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/wcestr.h"
#include "platform/kernel/KernelHooks.h"

#include <cstdio>

bool ReadLocalFile(const char* cePath, std::vector<uint8_t>* out) {
  FILE* f = std::fopen(wce::HostPath(WceUtf8ToWide(cePath)).c_str(), "rb");
  if (!f) return false;
  out->clear();
  uint8_t buf[16384];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) {
    out->insert(out->end(), buf, buf + n);
    if (out->size() > 0x7FFFFFFF) break;
  }
  bool ok = !std::ferror(f) && out->size() <= 0x7FFFFFFF;
  std::fclose(f);
  return ok;
}
