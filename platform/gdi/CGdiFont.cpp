#include "platform/gdi/CGdiFont.h"

#include "platform/gdi/CFontEngine.h"
#include "platform/kernel/wcestr.h"

#include <algorithm>
#include <cstring>

namespace {
// SYSTEM_FONT's em size in pixels: readable on the head unit's 800 x 480 screens.
const int kSystemEm = 20;
}  // namespace

LOGFONTW CGdiFont::SystemLogFont() {
  LOGFONTW font = {};
  font.lfHeight = -kSystemEm;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  std::shared_ptr<CFontFace> face = CFontEngine::GetInstance().SystemFace();
  const std::u16string name = face ? WceUtf8ToWide(face->Family()) : std::u16string();
  std::memcpy(font.lfFaceName, name.data(), std::min<size_t>(name.size(), LF_FACESIZE - 1) * sizeof(WCHAR));
  return font;
}

std::shared_ptr<CGdiFont> CGdiFont::Create(const LOGFONTW& logFont) {
  CFontEngine& engine = CFontEngine::GetInstance();
  std::shared_ptr<CGdiFont> font(new CGdiFont());
  font->m_LogFont = logFont;
  WCHAR name[LF_FACESIZE + 1] = {};
  std::memcpy(name, logFont.lfFaceName, sizeof(logFont.lfFaceName));  // may lack its terminator
  const bool bold = logFont.lfWeight >= FW_SEMIBOLD;
  const bool italic = logFont.lfItalic != 0;
  font->m_pFace = engine.Resolve(WceWideToUtf8(name), bold, italic);
  if (!font->m_pFace) return nullptr;
  std::shared_ptr<CFontFace> system = engine.SystemFace();
  if (system != font->m_pFace) font->m_pFallback = system;
  font->m_bEmbolden = bold && !font->m_pFace->IsBold();
  font->m_bOblique = italic && !font->m_pFace->IsItalic();
  if (logFont.lfHeight < 0) {
    font->m_nEm = -logFont.lfHeight;
  } else if (logFont.lfHeight > 0) {
    font->m_nEm = font->m_pFace->EmForCellHeight(logFont.lfHeight);
  } else {
    font->m_nEm = kSystemEm;
  }
  font->m_pFace->Metrics(font->m_nEm, &font->m_nAscent, &font->m_nDescent);
  return font;
}

CFontFace& CGdiFont::FaceFor(char32_t code) const {
  if (m_pFallback && !m_pFace->HasGlyph(code) && m_pFallback->HasGlyph(code)) return *m_pFallback;
  return *m_pFace;
}

int CGdiFont::Advance(char32_t code) const {
  std::shared_ptr<const GdiGlyph> glyph = Glyph(code);
  return glyph ? glyph->m_nAdvance : 0;
}

std::shared_ptr<const GdiGlyph> CGdiFont::Glyph(char32_t code) const {
  CFontFace& face = FaceFor(code);
  // The system face was not asked for a style: it takes the synthetic one whenever it lacks it.
  const bool embolden = &face == m_pFace.get() ? m_bEmbolden : m_LogFont.lfWeight >= FW_SEMIBOLD;
  const bool oblique = &face == m_pFace.get() ? m_bOblique : m_LogFont.lfItalic != 0;
  return face.Glyph(code, m_nEm, embolden, oblique);
}
