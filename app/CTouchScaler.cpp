#include "CTouchScaler.h"

#include "CorvaneAppFlags.h"
#include "CorvaneCommand.h"
#include "CorvaneSendData.h"

#include "user/user.h"

namespace {
const int kTouchDown = 0;
const int kTouchUp = 1;
const int kTouchMove = 2;
}  // namespace

void CTouchScaler::Attach(HWND hwnd) {
  GetClientRect(hwnd, &m_rcClient);
}

bool CTouchScaler::ScalePoint(int x, int y, int* outX, int* outY) const {
  const LONG width = m_rcClient.right - m_rcClient.left;
  const LONG height = m_rcClient.bottom - m_rcClient.top;
  if (width <= 0 || height <= 0) return false;
  // The product is taken as an unsigned 32-bit word, as the head unit computes it.
  const uint32_t px = static_cast<uint32_t>(g_nVideoWidth) * static_cast<uint32_t>(x);
  const uint32_t py = static_cast<uint32_t>(g_nVideoHeight) * static_cast<uint32_t>(y);
  *outX = static_cast<int>(static_cast<double>(px) / static_cast<double>(width));
  *outY = static_cast<int>(static_cast<double>(py) / static_cast<double>(height));
  return true;
}

void CTouchScaler::SendTouch(int action, int x, int y) {
  if (!g_CorvaneAppFlags.m_bPhoneForeground) return;
  int sx = 0;
  int sy = 0;
  if (!ScalePoint(x, y, &sx, &sy)) return;
  m_nRawX = x;
  m_nRawY = y;
  m_nScaledX = sx;
  m_nScaledY = sy;
  if (CorvaneSendData* sender = CorvaneSendData::GetInstance()) sender->SendTouchAction(action, sx, sy);
}

bool CTouchScaler::OnLButtonDown(int x, int y) {
  if (m_bPressed) return false;  // a second press without a release is dropped whole
  m_bPressed = 1;
  SendTouch(kTouchDown, x, y);
  return true;
}

bool CTouchScaler::OnMouseMove(int x, int y) {
  if (!m_bPressed) return false;
  SendTouch(kTouchMove, x, y);
  return true;
}

bool CTouchScaler::OnLButtonUp(int x, int y) {
  if (!m_bPressed) return false;
  m_bPressed = 0;
  SendTouch(kTouchUp, x, y);
  return true;
}
