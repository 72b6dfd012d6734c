#include "wceui/drawing/CWceUiFont.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"

#include <cstddef>
#include <cstring>

namespace {

// Height, width, escapement, orientation, weight and the eight one-byte fields before the face.
constexpr size_t kLogFontHeaderBytes = offsetof(LOGFONTW, lfFaceName);
static_assert(kLogFontHeaderBytes == 28, "the LOGFONT header is 28 bytes");
static_assert(sizeof(LOGFONTW) == 92, "the wide LOGFONT is 92 bytes");

size_t FaceLength(const LOGFONTW& logFont) {
  size_t n = 0;
  while (n < LF_FACESIZE && logFont.lfFaceName[n] != 0) ++n;
  return n;
}

}  // namespace

void CWceUiFont::GetSystemLogFont(LOGFONTW* pLogFont) {
  std::memset(pLogFont, 0, sizeof *pLogFont);
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof *pLogFont, pLogFont);
}

CWceUiFont::CWceUiFont() {
  GetSystemLogFont(&m_LogFont);
}

CWceUiFont::CWceUiFont(const LOGFONTW& logFont) : m_LogFont(logFont) {}

CWceUiFont::~CWceUiFont() {
  DeleteFont();
}

CWceUiFont::CWceUiFont(const CWceUiFont& rhs) : m_LogFont(rhs.m_LogFont) {}

CWceUiFont& CWceUiFont::operator=(const CWceUiFont& rhs) {
  if (this == &rhs) return *this;
  DeleteFont();
  m_LogFont = rhs.m_LogFont;
  return *this;
}

BOOL CWceUiFont::GetLogFont(LOGFONTW* pLogFont) const {
  WCEUI_CHECK(NULL != pLogFont);
  if (pLogFont == nullptr) return FALSE;
  std::memcpy(pLogFont, &m_LogFont, sizeof m_LogFont);
  return TRUE;
}

HFONT CWceUiFont::GetFont() {
  if (m_hFont == nullptr) m_hFont = CreateFontIndirectW(&m_LogFont);
  return m_hFont;
}

void CWceUiFont::SetLogFont(const LOGFONTW& logFont) {
  size_t nFace = FaceLength(logFont);
  if (nFace == FaceLength(m_LogFont) &&
      std::memcmp(&logFont, &m_LogFont, kLogFontHeaderBytes + nFace * sizeof(WCHAR)) == 0) {
    return;
  }
  DeleteFont();
  m_LogFont = logFont;
}

void CWceUiFont::DeleteFont() {
  if (m_hFont != nullptr) DeleteObject(m_hFont);
  m_hFont = nullptr;
}
