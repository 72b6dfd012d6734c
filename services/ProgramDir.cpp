#include "services/ProgramDir.h"

#include "kernel/filesys.h"

CString GetProgramDir() {
  WCHAR path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0) return CString();
  path[MAX_PATH - 1] = 0;
  CString dir(path);
  int slash = dir.ReverseFind(u'\\');
  return slash < 0 ? CString() : dir.Left(slash);
}
