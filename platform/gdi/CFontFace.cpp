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
    : m_pFace(face), m_strPath(path), m_nIndex(index) {
  m_strFamily = face->family_name != nullptr ? face->family_name : "";
  m_bBold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  m_bItalic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
}

CFontFace::~CFontFace() {
  CFontEngine::GetInstance().DoneFace(m_pFace);
}

bool CFontFace::HasGlyph(char32_t code) {
  std::lock_guard<std::mutex> lock(m_Lock);
  return FT_Get_Char_Index(m_pFace, code) != 0;
}

int CFontFace::EmForCellHeight(int cellHeight) {
  std::lock_guard<std::mutex> lock(m_Lock);
  // Windows measures a cell by the OS/2 table's Windows ascent and descent when the font has one.
  long units = m_pFace->ascender - m_pFace->descender;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_pFace, FT_SFNT_OS2));
  if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0)
    units = os2->usWinAscent + os2->usWinDescent;
  if (units <= 0) return cellHeight;
  return std::max(
      1, static_cast<int>((static_cast<long>(cellHeight) * m_pFace->units_per_EM + units / 2) / units));
}

void CFontFace::Metrics(int em, int* ascent, int* descent) {
  std::lock_guard<std::mutex> lock(m_Lock);
  if (FT_Set_Pixel_Sizes(m_pFace, 0, static_cast<FT_UInt>(em)) != 0) {
    *ascent = em;
    *descent = 0;
    return;
  }
  *ascent = RoundPixels(m_pFace->size->metrics.ascender);
  *descent = -RoundPixels(m_pFace->size->metrics.descender);
}

std::shared_ptr<const GdiGlyph> CFontFace::Glyph(char32_t code, int em, bool embolden, bool oblique) {
  const GlyphKey key(code, em, embolden, oblique);
  std::lock_guard<std::mutex> lock(m_Lock);
  auto cached = m_Glyphs.find(key);
  if (cached != m_Glyphs.end()) return cached->second;
  if (FT_Set_Pixel_Sizes(m_pFace, 0, static_cast<FT_UInt>(em)) != 0) return nullptr;
  if (FT_Load_Char(m_pFace, code, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return nullptr;
  FT_GlyphSlot slot = m_pFace->glyph;
  if (oblique) FT_GlyphSlot_Oblique(slot);
  if (embolden) FT_GlyphSlot_Embolden(slot);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return nullptr;
  auto glyph = std::make_shared<GdiGlyph>();
  glyph->m_nAdvance = RoundPixels(slot->advance.x);
  glyph->m_nLeft = slot->bitmap_left;
  glyph->m_nTop = slot->bitmap_top;
  glyph->m_nWidth = static_cast<int>(slot->bitmap.width);
  glyph->m_nHeight = static_cast<int>(slot->bitmap.rows);
  glyph->m_Coverage.resize(static_cast<size_t>(glyph->m_nWidth) * glyph->m_nHeight);
  for (int row = 0; row < glyph->m_nHeight; ++row) {
    const unsigned char* from = slot->bitmap.buffer + static_cast<ptrdiff_t>(row) * slot->bitmap.pitch;
    std::copy(from, from + glyph->m_nWidth,
              glyph->m_Coverage.begin() + static_cast<ptrdiff_t>(row) * glyph->m_nWidth);
  }
  if (m_Glyphs.size() >= kMaxCachedGlyphs) m_Glyphs.clear();
  m_Glyphs.emplace(key, glyph);
  return glyph;
}
