#include "app/CTouchScaler.h"

#include "engine/CorvaneEngine.h"

#include "platform/user/user.h"

#include <algorithm>
#include <cstdint>

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
  const int videoWidth = g_nVideoWidth;
  const int videoHeight = g_nVideoHeight;
  if (width <= 0 || height <= 0 || videoWidth <= 0 || videoHeight <= 0) return false;
  // Signed all the way: a drag that holds the capture goes on reporting points left of, above or
  // beyond the window, and the phone gets the nearest point of its picture for them.
  const int64_t sx = static_cast<int64_t>(videoWidth) * x / width;
  const int64_t sy = static_cast<int64_t>(videoHeight) * y / height;
  *outX = static_cast<int>(std::clamp<int64_t>(sx, 0, videoWidth - 1));
  *outY = static_cast<int>(std::clamp<int64_t>(sy, 0, videoHeight - 1));
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
