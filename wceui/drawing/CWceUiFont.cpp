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
  GetSystemLogFont(&m_logFont);
}

CWceUiFont::CWceUiFont(const LOGFONTW& logFont) : m_logFont(logFont) {}

CWceUiFont::~CWceUiFont() {
  DeleteFont();
}

CWceUiFont::CWceUiFont(const CWceUiFont& rhs) : m_logFont(rhs.m_logFont) {}

CWceUiFont& CWceUiFont::operator=(const CWceUiFont& rhs) {
  if (this == &rhs) return *this;
  DeleteFont();
  m_logFont = rhs.m_logFont;
  return *this;
}

BOOL CWceUiFont::GetLogFont(LOGFONTW* pLogFont) const {
  WCEUI_CHECK(NULL != pLogFont);
  if (pLogFont == nullptr) return FALSE;
  std::memcpy(pLogFont, &m_logFont, sizeof m_logFont);
  return TRUE;
}

HFONT CWceUiFont::GetFont() {
  if (m_hFont == nullptr) m_hFont = CreateFontIndirectW(&m_logFont);
  return m_hFont;
}

void CWceUiFont::SetLogFont(const LOGFONTW& logFont) {
  size_t nFace = FaceLength(logFont);
  if (nFace == FaceLength(m_logFont) &&
      std::memcmp(&logFont, &m_logFont, kLogFontHeaderBytes + nFace * sizeof(WCHAR)) == 0) {
    return;
  }
  DeleteFont();
  m_logFont = logFont;
}

void CWceUiFont::DeleteFont() {
  if (m_hFont != nullptr) DeleteObject(m_hFont);
  m_hFont = nullptr;
}
