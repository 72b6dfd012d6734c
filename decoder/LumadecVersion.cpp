#include "decoder/LumadecVersion.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

namespace {
const char kLibraryName[] = "Lumadec";
const int kBuild = 1;
const char kBoardTag[] = "CORVANE";
}  // namespace

void LumadecLogVersion(const LumadecVersion& rVersion) {
  wce::DebugPrint("[VER][%s] V%d.%d_%d_%d [%s] [Time] %s %s %s\r\n", kLibraryName, rVersion.m_nMajor,
                  rVersion.m_nMinor, rVersion.m_nPatch, kBuild, kBoardTag, __DATE__, __TIME__,
                  rVersion.m_pszKind);
}
