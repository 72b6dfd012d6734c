// A font made by CreateFontIndirectW: the LOGFONTW as given and the face that draws it, sized. A
// character the face lacks is drawn from the system face (CJK text in a Latin face still shows).
// Fixed after construction, so any thread may use it.
#pragma once

#include "platform/gdi/CFontFace.h"
#include "platform/gdi/CGdiObject.h"
#include "platform/gdi/gdi.h"

#include <memory>

class CGdiFont : public CGdiObject {
 public:
  // nullptr when no face can be opened at all.
  static std::shared_ptr<CGdiFont> Create(const LOGFONTW& font);

  const LOGFONTW& LogFont() const { return m_LogFont; }
  int Ascent() const { return m_nAscent; }
  int LineHeight() const { return m_nAscent + m_nDescent; }
  int Advance(char32_t code) const;
  // nullptr for a character nothing can draw.
  std::shared_ptr<const GdiGlyph> Glyph(char32_t code) const;

  // The LOGFONTW of SYSTEM_FONT.
  static LOGFONTW SystemLogFont();

 private:
  CGdiFont() : CGdiObject(Type::Font) {}
  CFontFace& FaceFor(char32_t code) const;

  LOGFONTW m_LogFont = {};
  std::shared_ptr<CFontFace> m_pFace;
  std::shared_ptr<CFontFace> m_pFallback;  // the system face, or nullptr when it is m_pFace
  int m_nEm = 0;
  bool m_bEmbolden = false;
  bool m_bOblique = false;
  int m_nAscent = 0;
  int m_nDescent = 0;
};
