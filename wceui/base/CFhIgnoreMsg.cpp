#include "wceui/base/CFhIgnoreMsg.h"

#include "platform/kernel/kernel.h"
#include "wceui/base/WceUiLog.h"

#include <cstdint>

CFhIgnoreMsg::CFhIgnoreMsg() : m_aMsgs(), m_nMsgCount(0), m_aHwndTimes(), m_nHwndTimeCount(0) {
  AddIgnoreMsg(WM_LBUTTONDOWN);
  AddIgnoreMsg(WM_MOUSEMOVE);
  AddIgnoreMsg(WM_LBUTTONUP);
}

BOOL CFhIgnoreMsg::AddIgnoreMsg(UINT nMsg) {
  if (m_nMsgCount >= kMaxIgnoreMsgs) {
    WceUiLogA(WCEUI_LOG_ERROR, "In CFhIgnoreMsg::AddIgnoreMsg, Too many ignore messages");
    return FALSE;
  }
  m_aMsgs[m_nMsgCount++] = nMsg;
  return TRUE;
}

BOOL CFhIgnoreMsg::AddHwndTime(HWND hWnd, DWORD dwTime) {
  if (m_nHwndTimeCount >= kMaxHwndTimes) {
    WceUiLogA(WCEUI_LOG_ERROR, "In CFhIgnoreMsg::AddHwndTime, Too many ignore HWNDs");
    return FALSE;
  }
  m_aHwndTimes[m_nHwndTimeCount].m_hWnd = hWnd;
  m_aHwndTimes[m_nHwndTimeCount].m_dwTime = dwTime;
  ++m_nHwndTimeCount;
  return TRUE;
}

BOOL CFhIgnoreMsg::AddHwnd(HWND hWnd, DWORD dwTime) {
  return AddHwndTime(hWnd, dwTime != 0 ? dwTime : GetTickCount());
}

void CFhIgnoreMsg::RemoveHwnd(HWND hWnd) {
  int nKept = 0;
  for (int i = 0; i < m_nHwndTimeCount; ++i) {
    if (m_aHwndTimes[i].m_hWnd != hWnd) m_aHwndTimes[nKept++] = m_aHwndTimes[i];
  }
  m_nHwndTimeCount = nKept;
}

BOOL CFhIgnoreMsg::IsIgnore(const MSG* pMsg) {
  if (pMsg == nullptr) return FALSE;
  bool bHeld = false;
  for (int i = 0; i < m_nMsgCount && !bHeld; ++i) bHeld = m_aMsgs[i] == pMsg->message;
  if (!bHeld) return FALSE;
  for (int i = m_nHwndTimeCount - 1; i >= 0; --i) {
    if (m_aHwndTimes[i].m_hWnd != pMsg->hwnd) continue;
    // The tick wraps every 49.7 days: "not later" is the sign of the difference, not a plain
    // comparison, or a mark set just before the wrap would hold input for weeks.
    if (static_cast<int32_t>(pMsg->time - m_aHwndTimes[i].m_dwTime) <= 0) return TRUE;
    RemoveHwnd(pMsg->hwnd);
    return FALSE;
  }
  return FALSE;
}
