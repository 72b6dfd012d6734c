#include "wceui/base/FhPath.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/wcestr.h"
#include "platform/kernel/KernelHooks.h"
#include "wceui/base/WceUiLog.h"

#include <string>

BOOL FhGetDirPathFromFilePath(LPWSTR pFilePath) {
  WCEUI_CHECK(NULL != pFilePath);
  if (pFilePath == nullptr) return FALSE;
  WCHAR* pLast = nullptr;
  for (WCHAR* p = pFilePath; *p != 0; ++p) {
    if (FhIsPathSeparator(*p)) pLast = p;
  }
  if (pLast == nullptr) return FALSE;
  pLast[1] = 0;
  return TRUE;
}

BOOL FhGetAbsolutePath(LPWSTR pOut, int nOutChars, LPCWSTR pPath, LPCWSTR pBaseDir) {
  if (pOut == nullptr || nOutChars <= 0 || pPath == nullptr) return FALSE;
  std::u16string result;
  if (FhIsPathSeparator(pPath[0]) || (pPath[0] != 0 && pPath[1] == u':')) {
    result = pPath;
  } else {
    std::u16string base = pBaseDir != nullptr ? std::u16string(pBaseDir) : wce::ProgramDirectory();
    while (!base.empty() && FhIsPathSeparator(base.back())) base.pop_back();
    result = base;
    const WCHAR* p = pPath;
    while (*p != 0) {
      const WCHAR* pEnd = p;
      while (*pEnd != 0 && !FhIsPathSeparator(*pEnd)) ++pEnd;
      std::u16string part(p, pEnd - p);
      if (part == u"..") {
        size_t cut = result.find_last_of(u"\\/");
        result.resize(cut == std::u16string::npos ? 0 : cut);
      } else if (!part.empty() && part != u".") {
        result += u'\\';
        result += part;
      }
      p = *pEnd != 0 ? pEnd + 1 : pEnd;
    }
  }
  if (result.size() + 1 > static_cast<size_t>(nOutChars)) return FALSE;
  wcscpy(pOut, result.c_str());
  return TRUE;
}

namespace {
bool IsDirectory(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
}  // namespace

BOOL FhCreateDirectory(LPCWSTR pPath) {
  if (pPath == nullptr || pPath[0] == 0) return FALSE;
  std::u16string path = pPath;
  if (IsDirectory(path)) return TRUE;
  // Each parent first; the ones that exist already just refuse to be made again.
  for (size_t i = 1; i < path.size(); ++i) {
    if (FhIsPathSeparator(path[i])) CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
  CreateDirectoryW(path.c_str(), nullptr);
  return IsDirectory(path) ? TRUE : FALSE;
}
