// Where the head unit's programs meet: the bus directory under the root directory. Programs with
// different roots never see each other, so test runs that each have their own root stay apart.
#include "platform/kernel/CHandleTable.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {
const char kBusVariable[] = "CORVANE_BUS";
const char kBusShared[] = "shared";
const char kBusDirName[] = "/bus";
}  // namespace

namespace wce {

bool IsBusShared() {
  const char* bus = std::getenv(kBusVariable);
  return bus != nullptr && std::strcmp(bus, kBusShared) == 0;
}

std::string GetBusDir() {
  if (!IsBusShared()) return std::string();
  const std::string dir = GetRootDir() + kBusDirName;
  mkdir(GetRootDir().c_str(), 0777);
  mkdir(dir.c_str(), 0777);
  return dir;
}

void SetNameTableDriver(const NameTableDriver* driver) {
  CHandleTable::GetInstance().SetNameDriver(driver);
}

}  // namespace wce
