#include "platform/gdi/CFontFace.h"

#include "platform/gdi/CFontEngine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>

namespace {
// A text of many different characters should not grow a face's cache without bound.
const size_t kMaxCachedGlyphs = 4096;

int RoundPixels(FT_Pos value26_6) {
  return static_cast<int>((value26_6 + 32) >> 6);
}
}  // namespace

CFontFace::CFontFace(FT_FaceRec_* face, const std::string& path, int index)
    : m_face(face), m_path(path), m_index(index) {
  m_family = face->family_name != nullptr ? face->family_name : "";
  m_bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  m_italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
}

CFontFace::~CFontFace() {
  CFontEngine::GetInstance().DoneFace(m_face);
}

bool CFontFace::HasGlyph(char32_t code) {
  std::lock_guard<std::mutex> lock(m_lock);
  return FT_Get_Char_Index(m_face, code) != 0;
}

int CFontFace::EmForCellHeight(int cellHeight) {
  std::lock_guard<std::mutex> lock(m_lock);
  // Windows measures a cell by the OS/2 table's Windows ascent and descent when the font has one.
  long units = m_face->ascender - m_face->descender;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0)
    units = os2->usWinAscent + os2->usWinDescent;
  if (units <= 0) return cellHeight;
  return std::max(
      1, static_cast<int>((static_cast<long>(cellHeight) * m_face->units_per_EM + units / 2) / units));
}

void CFontFace::Metrics(int em, int* ascent, int* descent) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (FT_Set_Pixel_Sizes(m_face, 0, static_cast<FT_UInt>(em)) != 0) {
    *ascent = em;
    *descent = 0;
    return;
  }
  *ascent = RoundPixels(m_face->size->metrics.ascender);
  *descent = -RoundPixels(m_face->size->metrics.descender);
}

std::shared_ptr<const GdiGlyph> CFontFace::Glyph(char32_t code, int em, bool embolden, bool oblique) {
  const GlyphKey key(code, em, embolden, oblique);
  std::lock_guard<std::mutex> lock(m_lock);
  auto cached = m_glyphs.find(key);
  if (cached != m_glyphs.end()) return cached->second;
  if (FT_Set_Pixel_Sizes(m_face, 0, static_cast<FT_UInt>(em)) != 0) return nullptr;
  if (FT_Load_Char(m_face, code, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return nullptr;
  FT_GlyphSlot slot = m_face->glyph;
  if (oblique) FT_GlyphSlot_Oblique(slot);
  if (embolden) FT_GlyphSlot_Embolden(slot);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return nullptr;
  auto glyph = std::make_shared<GdiGlyph>();
  glyph->advance = RoundPixels(slot->advance.x);
  glyph->left = slot->bitmap_left;
  glyph->top = slot->bitmap_top;
  glyph->width = static_cast<int>(slot->bitmap.width);
  glyph->height = static_cast<int>(slot->bitmap.rows);
  glyph->coverage.resize(static_cast<size_t>(glyph->width) * glyph->height);
  for (int row = 0; row < glyph->height; ++row) {
    const unsigned char* from = slot->bitmap.buffer + static_cast<ptrdiff_t>(row) * slot->bitmap.pitch;
    std::copy(from, from + glyph->width,
              glyph->coverage.begin() + static_cast<ptrdiff_t>(row) * glyph->width);
  }
  if (m_glyphs.size() >= kMaxCachedGlyphs) m_glyphs.clear();
  m_glyphs.emplace(key, glyph);
  return glyph;
}
