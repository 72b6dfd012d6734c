// One FreeType face (a file and a face index in it) with its own lock and a cache of the glyphs
// rendered from it. FreeType lets different faces work in different threads at once; one face
// serves one call at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

struct FT_FaceRec_;

// An antialiased glyph: coverage 0..255, rows top-down; (left, top) place its top-left corner
// relative to the pen on the baseline (top counts upwards). advance in whole pixels.
struct GdiGlyph {
  int m_nAdvance = 0;
  int m_nLeft = 0;
  int m_nTop = 0;
  int m_nWidth = 0;
  int m_nHeight = 0;
  std::vector<uint8_t> m_Coverage;
};

class CFontFace {
 public:
  // Takes ownership of face (made by CFontEngine).
  CFontFace(FT_FaceRec_* face, const std::string& path, int index);
  ~CFontFace();
  CFontFace(const CFontFace&) = delete;
  CFontFace& operator=(const CFontFace&) = delete;

  const std::string& Path() const { return m_strPath; }
  int Index() const { return m_nIndex; }
  const std::string& Family() const { return m_strFamily; }
  bool IsBold() const { return m_bBold; }
  bool IsItalic() const { return m_bItalic; }

  bool HasGlyph(char32_t code);
  // The pixel em size whose ascent plus descent is cellHeight (Windows' positive lfHeight).
  int EmForCellHeight(int cellHeight);
  // Ascent and descent in whole pixels at that em size.
  void Metrics(int em, int* ascent, int* descent);
  // nullptr when the glyph cannot be rendered; a missing glyph gives the face's own "missing" box.
  std::shared_ptr<const GdiGlyph> Glyph(char32_t code, int em, bool embolden, bool oblique);

 private:
  typedef std::tuple<char32_t, int, bool, bool> GlyphKey;

  std::mutex m_Lock;
  FT_FaceRec_* const m_pFace;  // with m_Lock held
  const std::string m_strPath;
  const int m_nIndex;
  std::string m_strFamily;
  bool m_bBold = false;
  bool m_bItalic = false;
  std::map<GlyphKey, std::shared_ptr<const GdiGlyph>> m_Glyphs;  // with m_Lock held
};
