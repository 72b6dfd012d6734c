// The properties of a layer as a style file gives them: position, layout flags, text, font, text
// drawing, background colour and items, and the two filters. Each group has an is-set flag, so a
// style can be laid over another (Merge) and a style file's "overwrite" keeps what it does not give.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CQuickString.h"
#include "wceui/styles/CWceUiAlphaFilterCtrl.h"
#include "wceui/styles/CWceUiBgColorCtrl.h"
#include "wceui/styles/CWceUiBgItemCtrl.h"
#include "wceui/styles/CWceUiDrawTextCtrl.h"
#include "wceui/styles/CWceUiFontCtrl.h"
#include "wceui/resfiles/CWceUiLoadColor.h"
#include "wceui/styles/CWceUiMixColorFilterCtrl.h"

class CWceUiLayer;

// The is-set flags of a style, in their stored order.
enum WceUiStyleHas {
  kStyleHasPosition,
  kStyleHasShow,
  kStyleHasEnable,
  kStyleHasContainer,
  kStyleHasTextColor,
  kStyleHasTextID,
  kStyleHasNoDraw,
  kStyleHasNoInput,
  kStyleHasReserved,  // set by nothing
  kStyleHasFont,
  kStyleHasDrawText,
  kStyleHasBgColor,
  kStyleHasBgItems,
  kStyleHasAlphaFilter,
  kStyleHasMixColorFilter,
  kStyleHasCount
};

// Position ways.
#define WCEUI_POSITION_WINDOW 0    // in the window's coordinates
#define WCEUI_POSITION_RELATIVE 1  // relative to the parent layer

class CWceUiStyle {
 public:
  CWceUiStyle();
  virtual ~CWceUiStyle();
  CWceUiStyle(const CWceUiStyle& rhs);
  // Every property through its setter, then the is-set flags.
  CWceUiStyle& operator=(const CWceUiStyle& rhs);

  void SetPosition(const RECT* lpRect, int nWay);
  int GetPosition(LPRECT lpRect) const;
  // A style bound to a layer passes position and flags on to the layer's own setters, which store
  // them and move, show, rebuild the lists and invalidate as the change needs. These setters stand
  // in core/CWceUiStyleBound.cpp, beside the layer.
  void SetShow(BOOL bShow);
  BOOL GetShow() const { return m_bShow; }
  void SetEnable(BOOL bEnable);
  BOOL GetEnable() const { return m_bEnable; }
  void SetContainer(BOOL bContainer);
  BOOL GetContainer() const { return m_bContainer; }
  void SetNoDraw(BOOL bNoDraw);
  BOOL GetNoDraw() const { return m_bNoDraw; }
  void SetNoInput(BOOL bNoInput);
  BOOL GetNoInput() const { return m_bNoInput; }

  void SetTextColor(LPCWSTR pColorID);
  void SetTextColor(COLORREF crColor);
  COLORREF GetTextColor() { return m_TextColor.GetColor(); }
  CWceUiLoadColor& GetTextColorCtrl() { return m_TextColor; }
  // None is the empty text.
  void SetTextResID(LPCWSTR pTextResID);
  LPCWSTR GetTextResID() const { return m_strTextResID; }

  CWceUiFontCtrl& GetFontCtrl() { return m_Font; }
  CWceUiDrawTextCtrl& GetDrawTextCtrl() { return m_DrawText; }
  CWceUiBgColorCtrl& GetBgColorCtrl() { return m_BgColor; }
  CWceUiBgItemCtrl& GetBgItemCtrl() { return m_BgItems; }
  CWceUiAlphaFilterCtrl& GetAlphaFilterCtrl() { return m_AlphaFilter; }
  CWceUiMixColorFilterCtrl& GetMixColorFilterCtrl() { return m_MixColorFilter; }

  void SetHas(WceUiStyleHas nWhat, BOOL bHas) { m_bHas[nWhat] = bHas; }
  BOOL GetHas(WceUiStyleHas nWhat) const { return m_bHas[nWhat]; }

  // The layer that owns this style as its own.
  void Bind(CWceUiLayer* pLayer) { m_pLayer = pLayer; }
  CWceUiLayer* GetBoundLayer() const { return m_pLayer; }

  // Each property from pFirst where pFirst has it set, else from pSecond; the background items
  // always from pSecond, and the is-set flags are pSecond's.
  CWceUiStyle& Merge(const CWceUiStyle& first, const CWceUiStyle& second);

 private:
  // The layer stores what its setters decided straight into its bound style.
  friend class CWceUiLayer;

  RECT m_rcPosition;
  int m_nPositionWay = WCEUI_POSITION_WINDOW;
  BOOL m_bShow = 1;
  BOOL m_bEnable = 1;
  BOOL m_bContainer = 0;
  BOOL m_bNoDraw = 0;
  BOOL m_bNoInput = 0;
  CWceUiLoadColor m_TextColor;
  CQuickString m_strTextResID;
  CWceUiFontCtrl m_Font;
  CWceUiDrawTextCtrl m_DrawText;
  CWceUiBgColorCtrl m_BgColor;
  CWceUiBgItemCtrl m_BgItems;
  CWceUiAlphaFilterCtrl m_AlphaFilter;
  CWceUiMixColorFilterCtrl m_MixColorFilter;
  CWceUiLayer* m_pLayer = nullptr;
  BOOL m_bHas[kStyleHasCount] = {};
};
