#include "services/ProgramDir.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/KernelHooks.h"

CString GetProgramDir() {
  std::u16string dir = wce::ProgramDirectory();
  if (!dir.empty()) dir.pop_back();  // without its trailing backslash
  return CString(dir.c_str());
}
