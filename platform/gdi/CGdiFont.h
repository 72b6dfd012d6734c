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

  const LOGFONTW& LogFont() const { return m_logFont; }
  int Ascent() const { return m_ascent; }
  int LineHeight() const { return m_ascent + m_descent; }
  int Advance(char32_t code) const;
  // nullptr for a character nothing can draw.
  std::shared_ptr<const GdiGlyph> Glyph(char32_t code) const;

  // The LOGFONTW of SYSTEM_FONT.
  static LOGFONTW SystemLogFont();

 private:
  CGdiFont() : CGdiObject(Type::Font) {}
  CFontFace& FaceFor(char32_t code) const;

  LOGFONTW m_logFont = {};
  std::shared_ptr<CFontFace> m_face;
  std::shared_ptr<CFontFace> m_fallback;  // the system face, or nullptr when it is m_face
  int m_em = 0;
  bool m_embolden = false;
  bool m_oblique = false;
  int m_ascent = 0;
  int m_descent = 0;
};
