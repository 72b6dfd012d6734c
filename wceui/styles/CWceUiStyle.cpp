#include "wceui/styles/CWceUiStyle.h"

#include "platform/user/user.h"
#include "wceui/base/WceUiLog.h"

#include <algorithm>

CWceUiStyle::CWceUiStyle() {
  SetRectEmpty(&m_rcPosition);
}

CWceUiStyle::~CWceUiStyle() = default;

CWceUiStyle::CWceUiStyle(const CWceUiStyle& rhs) : CWceUiStyle() {
  *this = rhs;
}

CWceUiStyle& CWceUiStyle::operator=(const CWceUiStyle& rhs) {
  if (this == &rhs) return *this;
  return Merge(rhs, rhs);
}

int CWceUiStyle::GetPosition(LPRECT lpRect) const {
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect != nullptr) *lpRect = m_rcPosition;
  return m_nPositionWay;
}

void CWceUiStyle::SetTextColor(LPCWSTR pColorID) {
  WCEUI_CHECK(NULL != pColorID);
  if (pColorID == nullptr) return;
  WCEUI_CHECK(*pColorID);
  m_TextColor.SetColorFromRes(pColorID);
}

void CWceUiStyle::SetTextColor(COLORREF crColor) {
  m_TextColor.SetColor(crColor);
}

void CWceUiStyle::SetTextResID(LPCWSTR pTextResID) {
  m_strTextResID.SetString(pTextResID != nullptr ? pTextResID : u"");
}

CWceUiStyle& CWceUiStyle::Merge(const CWceUiStyle& first, const CWceUiStyle& second) {
  auto from = [&](WceUiStyleHas nWhat) -> const CWceUiStyle& { return first.m_bHas[nWhat] ? first : second; };
  // Either source may be this style: each value object copes with being assigned to itself.
  const CWceUiStyle& position = from(kStyleHasPosition);
  RECT rc = position.m_rcPosition;
  SetPosition(&rc, position.m_nPositionWay);
  SetShow(from(kStyleHasShow).m_bShow);
  SetEnable(from(kStyleHasEnable).m_bEnable);
  SetContainer(from(kStyleHasContainer).m_bContainer);
  SetTextResID(from(kStyleHasTextID).m_strTextResID);
  m_TextColor = from(kStyleHasTextColor).m_TextColor;
  m_Font = from(kStyleHasFont).m_Font;
  m_DrawText = from(kStyleHasDrawText).m_DrawText;
  m_BgColor = from(kStyleHasBgColor).m_BgColor;
  m_AlphaFilter = from(kStyleHasAlphaFilter).m_AlphaFilter;
  m_MixColorFilter = from(kStyleHasMixColorFilter).m_MixColorFilter;
  SetNoDraw(from(kStyleHasNoDraw).m_bNoDraw);
  SetNoInput(from(kStyleHasNoInput).m_bNoInput);
  m_BgItems = second.m_BgItems;
  std::copy(std::begin(second.m_bHas), std::end(second.m_bHas), std::begin(m_bHas));
  return *this;
}
