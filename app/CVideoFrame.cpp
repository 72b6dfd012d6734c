#include "app/CVideoFrame.h"

#include "engine/CorvaneEngine.h"

#include "platform/gdi/gdi.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"

CVideoFrame::CVideoFrame() {
  SetClassName(WCEUI_CLASS_NAME(CVideoFrame));
}

CVideoFrame::~CVideoFrame() = default;

void CVideoFrame::SetProperties(CWceUiXmlElem* pCreateElem) {
  CWceUiLayer::SetProperties(pCreateElem);
}

void CVideoFrame::OnLButtonDown(UINT /*nFlags*/, int x, int y) {
  m_bPressed = 1;
  m_nPressX = x;
  m_nPressY = y;
  SetCapture();
}

void CVideoFrame::OnLButtonUp(UINT /*nFlags*/, int x, int y) {
  ReleaseCapture();
  if (m_bPressed) {
    m_bPressed = 0;
    m_nPressX = x;
    m_nPressY = y;
  }
}

void CVideoFrame::OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw) {
  DibBmp& surface = DibBmp::GetInstance();
  // The ready mark is cleared at each connection attempt, at USB out and when the phone goes to
  // the background: the screen's own background shows then, never a stale picture.
  HBITMAP hWndBitmap = surface.IsPictureBusy() ? pWndBmp->GetHBitmap(nullptr) : nullptr;
  if (hWndBitmap == nullptr) {
    CWceUiLayer::OnDraw(pWndBmp, rcNeedDraw);
    EngineLog("!!!!!!! Not Get Pic, Show null 0X%x \n", 0);
    return;
  }
  // The surface is screen-size, as the window bitmap is: copied whole at the origin.
  HDC hdc = CreateCompatibleDC(nullptr);
  HGDIOBJ hOld = SelectObject(hdc, hWndBitmap);
  surface.PaintDibBmp(hdc);
  SelectObject(hdc, hOld);
  DeleteDC(hdc);
  pWndBmp->ReleaseHBitmap();
  EngineLog("!!!!!!! Video Frame Show 0X%x \n", 0);
}
