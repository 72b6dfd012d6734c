// Paths of the framework. "\" is the framework's separator ("/" is accepted wherever a separator is
// looked for); the file system turns it into the host's own.
#pragma once

#include "platform/kernel/wcetypes.h"

// Cuts the path behind its last "\" or "/" (the separator stays); 0 when it has none.
BOOL FhGetDirPathFromFilePath(LPWSTR pFilePath);

// A path that begins with "\" or "/", or has ":" as its second character, is taken as it is;
// otherwise it is joined to pBaseDir (the program's directory when NULL) component by component,
// skipping "." and removing the previous component for "..". 0 when the result does not fit
// nOutChars characters with its terminator.
BOOL FhGetAbsolutePath(LPWSTR pOut, int nOutChars, LPCWSTR pPath, LPCWSTR pBaseDir);

// 1 when the path is a directory afterwards, creating it and its parents as needed.
BOOL FhCreateDirectory(LPCWSTR pPath);

// True for "\" and "/".
inline bool FhIsPathSeparator(WCHAR c) {
  return c == u'\\' || c == u'/';
}
