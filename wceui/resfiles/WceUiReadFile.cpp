#include "wceui/resfiles/WceUiReadFile.h"

#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CFhFileHandle.h"
#include "wceui/resfiles/CWceUiPackCache.h"
#include "wceui/resfiles/CWceUiPackFile.h"

#include <new>

namespace {

const WCHAR kPackMark[] = u".pack\\";
constexpr size_t kPackMarkLen = sizeof(kPackMark) / sizeof(WCHAR) - 1;
constexpr size_t kPackExtLen = kPackMarkLen - 1;  // ".pack" stays with the pack path

}  // namespace

BYTE* WceUiReadWholeFile(LPCWSTR pPath, DWORD* pSize) {
  *pSize = 0;
  CFhFileHandle file(pPath);
  if (!file.IsOpen()) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CreateFile : %s failed, GetLastError is %d", pPath, int(GetLastError()));
    return nullptr;
  }
  DWORD nSize = GetFileSize(file.Get(), nullptr);
  if (nSize == INVALID_FILE_SIZE) {
    WceUiLogW(WCEUI_LOG_ERROR, u"GetFileSize %s failed , GetLastError is %d", pPath, int(GetLastError()));
    return nullptr;
  }
  // One spare byte keeps the buffer non-null for an empty file.
  BYTE* pBuffer = new (std::nothrow) BYTE[size_t(nSize) + 1];
  if (pBuffer == nullptr || !file.ReadAll(pBuffer, nSize)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"ReadFile %s failed", pPath);
    delete[] pBuffer;
    return nullptr;
  }
  *pSize = nSize;
  return pBuffer;
}

BOOL WceUiSplitPackPath(LPCWSTR pPath, LPWSTR pPackPath, LPWSTR pItemName) {
  // The mark is looked for before any folding: "X.PACK\item" is not a pack path.
  const WCHAR* pMark = wcsstr(pPath, kPackMark);
  if (pMark == nullptr) return 0;
  size_t nPackLen = size_t(pMark - pPath) + kPackExtLen;
  const WCHAR* pItem = pMark + kPackMarkLen;
  size_t nItemLen = wcslen(pItem);
  if (pMark == pPath || nItemLen == 0 || nPackLen >= MAX_PATH || nItemLen >= MAX_PATH) return 0;
  wcsncpy(pPackPath, pPath, nPackLen);
  pPackPath[nPackLen] = 0;
  wcscpy(pItemName, pItem);
  return 1;
}

BYTE* WceUiReadFile(LPCWSTR pPath, DWORD* pSize, LPCWSTR pPassword) {
  *pSize = 0;
  if (pPath == nullptr || *pPath == 0) {
    WceUiLogW(WCEUI_LOG_ERROR, u"WceUiReadFile failed, no path");
    return nullptr;
  }
  DWORD dwAttributes = GetFileAttributesW(pPath);
  if (dwAttributes != INVALID_FILE_ATTRIBUTES) {
    if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      WceUiLogW(WCEUI_LOG_ERROR, u"WceUiReadFile failed, %s is a directory", pPath);
      return nullptr;
    }
    return WceUiReadWholeFile(pPath, pSize);
  }
  WCHAR szPackPath[MAX_PATH];
  WCHAR szItemName[MAX_PATH];
  if (!WceUiSplitPackPath(pPath, szPackPath, szItemName)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s is not a valid packed file path", pPath);
    return nullptr;
  }
  // Only the cache key and the item name are folded: the host's file system may tell case apart,
  // so the pack file itself is opened by the path as written.
  WCHAR szPackKey[MAX_PATH];
  wcscpy(szPackKey, szPackPath);
  _wcslwr(szPackKey);
  _wcslwr(szItemName);
  for (WCHAR* p = szItemName; *p; ++p) {
    if (*p == u'/') *p = u'\\';
  }
  DWORD dwPackAttributes = GetFileAttributesW(szPackPath);
  if (dwPackAttributes == INVALID_FILE_ATTRIBUTES || (dwPackAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s is not a valid packed file", szPackPath);
    return nullptr;
  }
  CWceUiPackFile* pPack = WceUiGetGlobals()->GetPackCache()->GetPack(szPackKey, szPackPath);
  if (pPack == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"WceUiReadFile failed, no memory for the pack %s", szPackPath);
    return nullptr;
  }
  return pPack->ReadItem(szItemName, pSize, pPassword);
}
