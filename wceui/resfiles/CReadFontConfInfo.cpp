#include "wceui/resfiles/CReadFontConfInfo.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CFhConfDoc.h"
#include "wceui/drawing/CWceUiFont.h"

#include <cstring>

namespace {

struct FontConfKey {
  const char16_t* m_pKey;
  size_t m_nOffset;
  size_t m_nSize;  // 4: a LONG field; 1: a BYTE field, which keeps the value's low 8 bits
};

const FontConfKey kFontConfKeys[] = {
    {u"height", offsetof(LOGFONTW, lfHeight), 4},
    {u"width", offsetof(LOGFONTW, lfWidth), 4},
    {u"escapement", offsetof(LOGFONTW, lfEscapement), 4},
    {u"orientation", offsetof(LOGFONTW, lfOrientation), 4},
    {u"weight", offsetof(LOGFONTW, lfWeight), 4},
    {u"italic", offsetof(LOGFONTW, lfItalic), 1},
    {u"underline", offsetof(LOGFONTW, lfUnderline), 1},
    {u"strikeout", offsetof(LOGFONTW, lfStrikeOut), 1},
    {u"charset", offsetof(LOGFONTW, lfCharSet), 1},
    {u"outprecision", offsetof(LOGFONTW, lfOutPrecision), 1},
    {u"clipprecision", offsetof(LOGFONTW, lfClipPrecision), 1},
    {u"quality", offsetof(LOGFONTW, lfQuality), 1},
    {u"pitchandfamily", offsetof(LOGFONTW, lfPitchAndFamily), 1},
};

}  // namespace

CReadFontConfInfo::CReadFontConfInfo() {
  Reset();
}

void CReadFontConfInfo::Reset() {
  CWceUiFont::GetSystemLogFont(&m_LogFont);
  m_bLoaded = 0;
}

BOOL CReadFontConfInfo::LoadFontConfFile(LPCWSTR pFontConfFile) {
  WCEUI_CHECK(NULL != pFontConfFile);
  if (pFontConfFile == nullptr) return 0;
  Reset();
  CFhConfDoc doc;
  if (!doc.LoadFile(pFontConfFile, FALSE)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"can not load file %s", pFontConfFile);
    Reset();
    return 0;
  }
  BYTE* pFields = reinterpret_cast<BYTE*>(&m_LogFont);
  for (const FontConfKey& key : kFontConfKeys) {
    LPCWSTR pValue = doc.GetString(key.m_pKey);
    if (pValue == nullptr) continue;
    LONG nValue = _wtoi(pValue);
    if (key.m_nSize == 4) {
      std::memcpy(pFields + key.m_nOffset, &nValue, sizeof nValue);
    } else {
      pFields[key.m_nOffset] = BYTE(nValue & 0xFF);
    }
  }
  if (LPCWSTR pFace = doc.GetString(u"facename")) {
    wcsncpy(m_LogFont.lfFaceName, pFace, LF_FACESIZE - 1);
    m_LogFont.lfFaceName[LF_FACESIZE - 1] = 0;
  }
  m_bLoaded = 1;
  return 1;
}

BOOL CReadFontConfInfo::GetLogFont(LOGFONTW* pLogFont) const {
  WCEUI_CHECK(NULL != pLogFont);
  WCEUI_CHECK(m_bLoaded);
  if (pLogFont == nullptr || !m_bLoaded) return 0;
  *pLogFont = m_LogFont;
  return 1;
}
