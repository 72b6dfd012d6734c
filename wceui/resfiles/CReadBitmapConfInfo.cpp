#include "wceui/resfiles/CReadBitmapConfInfo.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/FhColor.h"
#include "wceui/base/FhPath.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CFhConfDoc.h"

namespace {

constexpr DWORD kMaxConstantAlpha = 255;
const WCHAR kBmpEnding[] = u".bmp";
constexpr size_t kBmpEndingLen = 4;

}  // namespace

CReadBitmapConfInfo::CReadBitmapConfInfo() {
  Reset();
}

void CReadBitmapConfInfo::Reset() {
  m_strBitmapFullPath.SetString(u"");
  m_strAlphaFullPath.SetString(u"");
  m_crTrans = kNone;
  m_bPerPixelAlpha = 0;
  m_nConstantAlpha = kNone;
  m_bLoaded = 0;
}

BOOL CReadBitmapConfInfo::LoadBitmapConfFile(LPCWSTR pBitmapConfFile) {
  WCEUI_CHECK(NULL != pBitmapConfFile);
  Reset();
  if (pBitmapConfFile == nullptr) return FALSE;
  if (!ReadFields(pBitmapConfFile)) {
    Reset();
    return FALSE;
  }
  m_bLoaded = 1;
  return TRUE;
}

BOOL CReadBitmapConfInfo::ReadFields(LPCWSTR pBitmapConfFile) {
  CFhConfDoc doc;
  if (!doc.LoadFile(pBitmapConfFile, FALSE)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"can not load file %s", pBitmapConfFile);
    return FALSE;
  }
  WCHAR szDir[MAX_PATH];
  if (wcslen(pBitmapConfFile) >= MAX_PATH) return FALSE;
  wcscpy(szDir, pBitmapConfFile);
  if (!FhGetDirPathFromFilePath(szDir)) return FALSE;

  LPCWSTR pSrc = doc.GetString(u"src");
  if (pSrc == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Load %s failed no src item", pBitmapConfFile);
    return FALSE;
  }
  WCHAR szPath[MAX_PATH];
  if (!FhGetAbsolutePath(szPath, MAX_PATH, pSrc, szDir)) return FALSE;
  m_strBitmapFullPath.SetString(szPath);

  LPCWSTR pPerPixel = doc.GetString(u"pa");
  if (pPerPixel != nullptr && _wcsicmp(pPerPixel, u"true") == 0) {
    size_t nLen = wcslen(szPath);
    // The alpha file's name is the BMP file's with ".alpha" for ".bmp".
    if (nLen <= kBmpEndingLen || _wcsicmp(szPath + nLen - kBmpEndingLen, kBmpEnding) != 0) return FALSE;
    if (nLen - kBmpEndingLen + 6 >= MAX_PATH) return FALSE;
    wcscpy(szPath + nLen - kBmpEndingLen, u".alpha");
    m_strAlphaFullPath.SetString(szPath);
    m_bPerPixelAlpha = 1;
  }

  LPCWSTR pTrans = doc.GetString(u"tc");
  if (pTrans != nullptr && _wcsicmp(pTrans, u"false") != 0) m_crTrans = FhHexStrToColor(pTrans);

  LPCWSTR pAlpha = doc.GetString(u"ca");
  if (pAlpha != nullptr && _wcsicmp(pAlpha, u"false") != 0) {
    DWORD nAlpha = static_cast<DWORD>(_wtoi(pAlpha));
    if (nAlpha > kMaxConstantAlpha) {
      WceUiLogW(WCEUI_LOG_ERROR, u"invalid ca in %s", pBitmapConfFile);
      return FALSE;
    }
    m_nConstantAlpha = nAlpha;
  }
  return TRUE;
}

LPCWSTR CReadBitmapConfInfo::GetBitmapFullPath() const {
  WCEUI_CHECK(m_bLoaded);
  return m_strBitmapFullPath;
}

LPCWSTR CReadBitmapConfInfo::GetAlphaFullPath() const {
  WCEUI_CHECK(m_bLoaded);
  return m_strAlphaFullPath;
}

BOOL CReadBitmapConfInfo::HasPerPixelAlpha() const {
  WCEUI_CHECK(m_bLoaded);
  return m_bPerPixelAlpha;
}

BOOL CReadBitmapConfInfo::GetTransColor(COLORREF* pTransColor) const {
  WCEUI_CHECK(m_bLoaded);
  if (m_crTrans == kNone || pTransColor == nullptr) return FALSE;
  *pTransColor = m_crTrans;
  return TRUE;
}

BOOL CReadBitmapConfInfo::GetConstantAlpha(DWORD* pConstantAlpha) const {
  WCEUI_CHECK(m_bLoaded);
  if (m_nConstantAlpha == kNone || pConstantAlpha == nullptr) return FALSE;
  *pConstantAlpha = m_nConstantAlpha;
  return TRUE;
}
