// The node of the retained widget tree: a rectangle with a style, a text, an ordered list of child
// layers, timers and registered window messages, and virtual hooks for drawing, input and
// notifications. A layer belongs to one layer controller, which creates it by class name, gives it
// an id and a name, keeps the draw and input lists and deletes it; its destructor only unlinks it.
// Tree, geometry, state, input, timers and messages are in CWceUiLayer.cpp; painting in
// CWceUiLayerPaint.cpp; building children from a dialog file's elements in CWceUiLayerXml.cpp.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"
#include "wceui/base/CQuickString.h"
#include "wceui/base/CWceUiDWordArray.h"
#include "wceui/base/CWceUiHTList.h"
#include "wceui/base/CWceUiObject.h"
#include "wceui/resfiles/CWceUiLoadString.h"
#include "wceui/styles/CWceUiStyle.h"

class CWceUiBgItem;
class CWceUiGenericBitmap;
class CWceUiLayerCtrl;
class CWceUiLayerHost;
class CWceUiXmlElem;
class CFhStyleFile;

// SetLayerWindowPos flags.
#define WCEUI_LAYER_KEEP_SIZE 1      // keep the current width and height
#define WCEUI_LAYER_KEEP_POSITION 2  // keep the current x and y

class CWceUiLayer : public CWceUiObject {
 public:
  CWceUiLayer();
  ~CWceUiLayer() override;
  CWceUiLayer(const CWceUiLayer&) = delete;
  CWceUiLayer& operator=(const CWceUiLayer&) = delete;

  virtual void SetProperties(CWceUiXmlElem* pCreateElem);
  virtual void OnLoad() {}
  virtual void OnInitLayer() {}
  virtual void OnTimer(WORD /*nTimerId*/) {}
  virtual void OnLoseCapture() {}
  virtual LRESULT OnMessage(UINT /*nMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return 0; }
  virtual int OnReserved1() { return 0; }
  virtual void OnLButtonDown(UINT /*nFlags*/, int /*x*/, int /*y*/) {}
  virtual void OnLButtonUp(UINT /*nFlags*/, int /*x*/, int /*y*/) {}
  virtual void OnLButtonDblClk(UINT /*nFlags*/, int /*x*/, int /*y*/) {}
  virtual void OnMouseMove(UINT /*nFlags*/, int /*x*/, int /*y*/) {}
  virtual void OnKeyDown(UINT /*nChar*/, UINT /*nRepCnt*/, UINT /*nFlags*/) {}
  virtual void OnKeyUp(UINT /*nChar*/, UINT /*nRepCnt*/, UINT /*nFlags*/) {}
  virtual void OnReserved2() {}
  virtual void OnReserved3() {}
  virtual void OnReserved4() {}
  virtual void OnReserved5() {}
  virtual void OnChildClick(CWceUiLayer* /*pChild*/) {}
  // Sent by a scroll bar to its owner layer; the argument is the bar.
  virtual void OnVScrollPageUp(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnVScrollPageDown(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnVScrollThumbTrack(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnVScrollThumbPosition(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnVScrollLineUp(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnVScrollLineDown(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnHScrollPageLeft(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnHScrollPageRight(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnHScrollThumbTrack(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnHScrollThumbPosition(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnHScrollLineLeft(CWceUiLayer* /*pScrollBar*/) {}
  virtual void OnHScrollLineRight(CWceUiLayer* /*pScrollBar*/) {}
  virtual void UpdateTextFromRes();
  // Draws the need-draw rectangle rcNeedDraw (window coordinates) of this layer into pWndBmp.
  virtual void OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw);
  // bOwnBitmap: pDrawBitmap is the layer's own bitmap (client coordinates), else the window bitmap.
  virtual void OnDrawBackGround(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap);
  virtual void OnDrawBgImgs(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap);
  virtual void OnDrawText(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap);
  virtual void OnDrawAfterText(CWceUiGenericBitmap* /*pDrawBitmap*/, BOOL /*bOwnBitmap*/) {}

  // The style file of the dialog this layer belongs to. A dialog answers with its own; any other
  // layer has none (SetStyle asks GetDlg()).
  virtual CFhStyleFile* GetStyleFile() { return nullptr; }

  // Tree and identity.
  BOOL AppendChild(CWceUiLayer* pNewChild);
  BOOL RemoveChild(CWceUiLayer* pChild);
  BOOL RemoveTail();
  CWceUiLayer* GetFirstChild() const { return static_cast<CWceUiLayer*>(m_Children.GetHead()); }
  CWceUiLayer* GetLastChild() const { return static_cast<CWceUiLayer*>(m_Children.GetTail()); }
  CWceUiLayer* NextChild(CWceUiLayer* pCurLayer) const;
  CWceUiLayer* PrevChild(CWceUiLayer* pCurLayer) const;
  int GetChildCount() const { return m_Children.GetCount(); }
  CWceUiLayer* GetParent() const { return m_pParent; }
  CWceUiLayer* GetChildByName(LPCWSTR pChildName) const;
  BOOL IsEqualName(LPCWSTR pName) const;
  void SetName(LPCWSTR pName);
  LPCWSTR GetName() const { return m_strName; }
  CWceUiLayer* GetOwnerLayer();
  CWceUiLayer* GetDlg();
  void SetLayerCtrl(CWceUiLayerCtrl* pLayerCtrl);
  CWceUiLayerCtrl* GetLayerCtrl() const;
  CWceUiLayerHost* GetWindow() const;
  DWORD GetLayerId() const { return m_dwLayerId & 0xFFFF; }
  void SetLayerId(DWORD dwId) { m_dwLayerId = dwId & 0xFFFF; }

  // Position.
  void GetWindowRect(LPRECT lpRect) const;
  void GetClientRect(LPRECT lpRect) const;
  void GetWindowRectVisible(LPRECT lpRect) const;
  void GetClientRectVisible(LPRECT lpRect) const;
  void ClientToWindow(LPRECT lpRect) const;
  void WindowToClient(LPRECT lpRect) const;
  void SetLayerPosition(const RECT* lpRect, int nPosWay, BOOL bRedraw);
  void MoveLayer(int x, int y, int nWidth, int nHeight, BOOL bRedraw);
  void MoveLayer(const RECT* lpRect, BOOL bRedraw);
  void SetLayerWindowPos(int x, int y, int nWidth, int nHeight, UINT nFlags);
  void GetNeedDrawRect(LPRECT lpRect) const;
  void SetNeedDrawRect(const RECT* lpRect);

  // State flags; each setter does nothing when the state does not change.
  void ShowLayer(BOOL bShow, BOOL bAlsoCommonStyle = FALSE);
  void EnableLayer(BOOL bEnable, BOOL bAlsoCommonStyle = FALSE);
  void SetLayerContainer(BOOL bContainer);
  void SetLayerNoDraw(BOOL bNoDraw);
  void SetLayerNoInput(BOOL bNoInput);
  // Shown (enabled) when its own flag and that of every ancestor are set.
  BOOL IsLayerShow() const;
  BOOL IsLayerEnable() const;
  BOOL IsContainer() const { return m_Style.m_bContainer; }
  // Containers, layers whose redraw flag is 0 and no-draw layers are left out of painting.
  BOOL IsNoDraw() const;
  // Containers and no-input layers never take input themselves.
  BOOL IsNoInput() const;
  BOOL IsReDraw() const { return m_bReDraw; }
  void SetReDraw(BOOL bReDraw) { m_bReDraw = bReDraw; }
  // What lies behind shows through: a transparent background colour, a background item bitmap
  // with per-pixel or constant alpha, or an alpha filter. Any other layer is opaque over its whole
  // visible rectangle.
  BOOL IsSeeThrough();

  // lpRect in window coordinates, NULL for the whole layer; nothing while the layer is hidden.
  void InvalidateRect(const RECT* lpRect = nullptr);

  // Text.
  void SetText(LPCWSTR pText);
  LPCWSTR GetText() const { return m_strText; }

  // Styles.
  CWceUiStyle* GetStyle() { return &m_Style; }
  CWceUiStyle* GetCommonStyle() { return &m_CommonStyle; }
  BOOL SetStyle(LPCWSTR pStyleName);
  BOOL SetCommonStyle(LPCWSTR pCommonStyleName);

  // Timers (16-bit ids) and registered window messages.
  void SetTimer(WORD nTimerId, UINT nElapse);
  void KillTimer(WORD nTimerId);
  void RegisterMsg(UINT nMsg);
  void SetCapture();
  void ReleaseCapture();

  // Builds the layers of every element below pElem under this layer, in document order.
  BOOL CreateAllChilds(CWceUiXmlElem* pElem, CWceUiLayer** ppFirstLayer);

  // One background item into the draw target (bOwnBitmap: the layer's own bitmap, client
  // coordinates; else the window bitmap).
  void DrawOneBgImg(CWceUiBgItem* pBgItem, CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap);

 private:
  friend class CWceUiLayerCtrl;

  void InvalidateRectAlways(const RECT* lpRect);
  void RebuildAllLists();
  BOOL LoadStyleData(LPCWSTR pStyleName, CWceUiStyle* pStyle);
  // The layer's own bitmap at the client size, for the alpha filter; none when it has no size.
  CWceUiGenericBitmap* PrepareLayerBitmap(int nBitsPixel);
  // What the layer may paint now in the draw target's coordinates: its whole client rectangle in
  // its own bitmap, its visible part within the need-draw rectangle in the window bitmap.
  void DrawClip(LPRECT lpRect, BOOL bOwnBitmap) const;
  void DrawMixColor(CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap);

  // Links of the controller's draw list, paint list and input list, and of the parent's child list.
  CWceUiLayer* m_pDrawPrev = nullptr;
  CWceUiLayer* m_pDrawNext = nullptr;
  CWceUiLayer* m_pPaintNext = nullptr;
  CWceUiLayer* m_pChildPrev = nullptr;
  CWceUiLayer* m_pChildNext = nullptr;
  CWceUiLayer* m_pInputNext = nullptr;

  CWceUiStyle m_Style;
  CWceUiStyle m_CommonStyle;
  BOOL m_bHasCommonStyle = 0;  // a common style was loaded
  CWceUiLayerCtrl* m_pLayerCtrl = nullptr;
  CQuickString m_strText;
  CWceUiLoadString m_TextByRes;
  BOOL m_bReDraw = 1;
  CWceUiHTList m_Children;
  CWceUiLayer* m_pParent = nullptr;
  CQuickString m_strName;
  RECT m_rcNeedDraw = {0, 0, 0, 0};
  DWORD m_dwLayerId = 0;
  BOOL m_bTextSetDirectly = 0;
  CWceUiGenericBitmap* m_pLayerBitmap = nullptr;
  CWceUiDWordArray m_arrTimers;
  CWceUiDWordArray m_arrMsgs;
};

WCEUI_DYNCREATE_BEGIN(CWceUiLayer, CWceUiObject)
WCEUI_DYNCREATE_END(CWceUiLayer)
