#include "tests/services/fuzz/FuzzInputFile.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/KernelHooks.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

std::string g_root;

void RemoveRoot() {
  std::error_code ec;
  std::filesystem::remove_all(g_root, ec);
}

const std::string& Root() {
  if (g_root.empty()) {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                     : std::filesystem::temp_directory_path();
    g_root = (base / ("services-fuzz-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(g_root);
    wce::SetRootDir(g_root);
    std::atexit(RemoveRoot);
  }
  return g_root;
}

}  // namespace

bool WriteFuzzInputFile(const char* name, const uint8_t* data, size_t size) {
  FILE* f = std::fopen((Root() + "/" + name).c_str(), "wb");
  if (!f) return false;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return true;
}
