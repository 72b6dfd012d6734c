// Fonts and text: CreateFontIndirectW, the stock font, DrawTextW, extents and font files.
#include "platform/gdi/gdi.h"

#include "platform/gdi/CFontEngine.h"
#include "platform/gdi/CTextLayout.h"
#include "platform/gdi/GdiContext.h"
#include "platform/gdi/GdiRaster.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"

#include <algorithm>

using gdictx::FindDc;
using gdictx::Handles;

namespace {

size_t TextCount(LPCWSTR text, int count) {
  return count < 0 ? wcslen(text) : static_cast<size_t>(count);
}

CTextLayout LayoutFor(const CGdiFont& font) {
  return CTextLayout([&font](char32_t code) { return font.Advance(code); }, font.LineHeight());
}

// Draws the laid-out lines at the rectangle's device position, inside visible (device).
void DrawLines(CGdiBitmap& bitmap, const CTextLayout& layout, const CGdiFont& font, int left, int top,
               const RECT& visible, const GdiDcState& state) {
  for (const GdiTextLine& line : layout.Lines()) {
    const int lineLeft = left + line.m_nX;
    const int lineTop = top + line.m_nY;
    if (state.m_nBkMode == OPAQUE) {
      RECT box;
      if (gdictx::VisibleBlock(lineLeft, lineTop, int64_t(lineLeft) + line.m_nWidth,
                               int64_t(lineTop) + font.LineHeight(), visible, &box)) {
        gdiraster::Fill(bitmap, box, gdiraster::FromColor(RGB(255, 255, 255), bitmap.BitsPerPixel()));
      }
    }
    int pen = lineLeft;
    const int baseline = lineTop + font.Ascent();
    for (char32_t code : line.m_strText) {
      std::shared_ptr<const GdiGlyph> glyph = font.Glyph(code);
      if (!glyph) continue;
      if (glyph->m_nWidth > 0 && glyph->m_nHeight > 0) {
        gdiraster::BlendMask(bitmap, visible, pen + glyph->m_nLeft, baseline - glyph->m_nTop,
                             glyph->m_Coverage.data(), glyph->m_nWidth, glyph->m_nHeight, glyph->m_nWidth,
                             state.m_crTextColor);
      }
      pen += glyph->m_nAdvance;
    }
  }
}

}  // namespace

HGDIOBJ GetStockObject(int object) {
  switch (object) {
    case SYSTEM_FONT:
      return gdictx::StockFontHandle();
    case WHITE_BRUSH:
      return gdictx::StockWhiteBrushHandle();
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HFONT CreateFontIndirectW(const LOGFONTW* logFont) {
  if (logFont == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::shared_ptr<CGdiFont> font = CGdiFont::Create(*logFont);
  if (!font) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return static_cast<HFONT>(Handles().Insert(font));
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  if (!dc) return 0;
  if (text == nullptr || rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const GdiDcState state = dc->GetState();
  std::shared_ptr<CGdiFont> font = gdictx::FontOf(state);
  if (!font) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const int width = rect->right - rect->left;
  const int height = rect->bottom - rect->top;
  CTextLayout layout = LayoutFor(*font);
  layout.Lay(CTextLayout::Decode(text, TextCount(text, count)), format, width, height);
  if ((format & DT_CALCRECT) != 0) {
    rect->right = rect->left + layout.TextWidth();
    rect->bottom = rect->top + layout.TextHeight();
    return layout.TextHeight();
  }
  if (!gdictx::Drawable(state.m_pBitmap)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int64_t left = int64_t(rect->left) + state.m_ptOrigin.x;
  const int64_t top = int64_t(rect->top) + state.m_ptOrigin.y;
  RECT visible = gdictx::DrawableArea(state);
  if ((format & DT_NOCLIP) == 0 &&
      !gdictx::VisibleBlock(left, top, left + width, top + height, visible, &visible)) {
    return layout.Result();
  }
  if (gdiraster::IsEmpty(visible)) return layout.Result();
  std::lock_guard<std::mutex> lock(state.m_pBitmap->Lock());
  DrawLines(*state.m_pBitmap, layout, *font, static_cast<int>(left), static_cast<int>(top), visible, state);
  return layout.Result();
}

BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx,
                           LPSIZE size) {
  std::shared_ptr<CGdiDc> dc = FindDc(hdc);
  if (!dc) return FALSE;
  if ((text == nullptr && count > 0) || count < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<CGdiFont> font = gdictx::FontOf(dc->GetState());
  if (!font) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  // Extents are per UTF-16 unit as the caller counts them: a surrogate pair's second unit adds
  // nothing.
  int extent = 0;
  int fitted = 0;
  bool fitting = true;
  for (int i = 0; i < count; ++i) {
    const WCHAR unit = text[i];
    char32_t code = unit;
    int advance = 0;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    }
    if (!(unit >= 0xDC00 && unit <= 0xDFFF && i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF)) {
      advance = font->Advance(code);
    }
    extent += advance;
    if (fitting && extent > maxExtent) fitting = false;
    if (fitting) ++fitted;
    if (dx != nullptr && (fit == nullptr || fitting)) dx[i] = extent;
  }
  if (fit != nullptr) *fit = fitted;
  if (size != nullptr) *size = SIZE{extent, font->LineHeight()};
  return TRUE;
}

int AddFontResourceW(LPCWSTR path) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int faces = CFontEngine::GetInstance().AddFile(wce::HostPath(path));
  if (faces == 0) SetLastError(ERROR_FILE_NOT_FOUND);
  return faces;
}

BOOL RemoveFontResourceW(LPCWSTR path) {
  if (path == nullptr || !CFontEngine::GetInstance().RemoveFile(wce::HostPath(path))) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}
