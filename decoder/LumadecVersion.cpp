#include "decoder/LumadecVersion.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

namespace {
const char kLibraryName[] = "Lumadec";
const int kBuild = 1;
const char kBoardTag[] = "CORVANE";
}  // namespace

void LumadecLogVersion(const LumadecVersion& rVersion) {
  wce::DebugPrint("[VER][%s] V%d.%d_%d_%d [%s] [Time] %s %s %s\r\n", kLibraryName, rVersion.nMajor,
                  rVersion.nMinor, rVersion.nPatch, kBuild, kBoardTag, __DATE__, __TIME__, rVersion.pszKind);
}
