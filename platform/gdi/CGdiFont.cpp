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
  font->m_logFont = logFont;
  WCHAR name[LF_FACESIZE + 1] = {};
  std::memcpy(name, logFont.lfFaceName, sizeof(logFont.lfFaceName));  // may lack its terminator
  const bool bold = logFont.lfWeight >= FW_SEMIBOLD;
  const bool italic = logFont.lfItalic != 0;
  font->m_face = engine.Resolve(WceWideToUtf8(name), bold, italic);
  if (!font->m_face) return nullptr;
  std::shared_ptr<CFontFace> system = engine.SystemFace();
  if (system != font->m_face) font->m_fallback = system;
  font->m_embolden = bold && !font->m_face->IsBold();
  font->m_oblique = italic && !font->m_face->IsItalic();
  if (logFont.lfHeight < 0) {
    font->m_em = -logFont.lfHeight;
  } else if (logFont.lfHeight > 0) {
    font->m_em = font->m_face->EmForCellHeight(logFont.lfHeight);
  } else {
    font->m_em = kSystemEm;
  }
  font->m_face->Metrics(font->m_em, &font->m_ascent, &font->m_descent);
  return font;
}

CFontFace& CGdiFont::FaceFor(char32_t code) const {
  if (m_fallback && !m_face->HasGlyph(code) && m_fallback->HasGlyph(code)) return *m_fallback;
  return *m_face;
}

int CGdiFont::Advance(char32_t code) const {
  std::shared_ptr<const GdiGlyph> glyph = Glyph(code);
  return glyph ? glyph->advance : 0;
}

std::shared_ptr<const GdiGlyph> CGdiFont::Glyph(char32_t code) const {
  CFontFace& face = FaceFor(code);
  // The system face was not asked for a style: it takes the synthetic one whenever it lacks it.
  const bool embolden = &face == m_face.get() ? m_embolden : m_logFont.lfWeight >= FW_SEMIBOLD;
  const bool oblique = &face == m_face.get() ? m_oblique : m_logFont.lfItalic != 0;
  return face.Glyph(code, m_em, embolden, oblique);
}
