#include "CAppMainWndEngine.h"

#include "AppWindowMessages.h"

#include "CorvaneAppFlags.h"
#include "CorvaneChannelContext.h"
#include "CorvaneCommand.h"
#include "CorvanePicture.h"
#include "CorvaneSendData.h"
#include "CorvaneWindowMessages.h"
#include "DibBmp.h"
#include "EngineLog.h"
#include "HuInfo.h"
#include "SystemInitThread.h"

#include "gdi/gdi.h"
#include "kernel/kernel.h"
#include "phonelink/CorvaneAdb.h"
#include "phonelink/DriverInstall.h"
#include "services/CErrorLog.h"
#include "services/CorvaneConfig.h"

namespace {

const int kUsbThreadPriority = 250;
const int kTouchDown = 0;
const int kTouchUp = 1;
const int kTouchMove = 2;
const LPARAM kCmdEncoderReady = 0x00010008;
const LPARAM kCmdForeground = 0x0001001B;
const LPARAM kCmdBackground = 0x0001001C;

bool NotifyOn() {
  return g_CorvaneConfig.bNotifyMsg != 0;
}

unsigned Hex(const void* p) {
  return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}

}  // namespace

CAppMainWndEngine::CAppMainWndEngine() = default;

void CAppMainWndEngine::Attach(HWND hwnd) {
  m_hWnd = hwnd;
  GetClientRect(hwnd, &m_rcClient);
}

int CAppMainWndEngine::Start(HWND hwnd) {
  Attach(hwnd);
  CErrorLog* errorLog = CErrorLog::GetInstance();
  errorLog->Load();
  g_nConnectCount = errorLog->ReadConnectCount();

  g_CorvaneChannelContext.m_hMainWnd = hwnd;
  if (!g_CorvaneConfig.windowParam.strWndTitle.IsEmpty()) {
    SetWindowTextW(hwnd, g_CorvaneConfig.windowParam.strWndTitle);
  }
  g_CorvaneAppFlags.m_bWindowShown = IsWindowVisible(hwnd) ? 1 : 0;
  EngineLog("CeCorvane compile time  ( %s )  \r\n", __DATE__ " " __TIME__);

  SetFrameRateByPlatform();

  m_bRecording = 0;
  m_hSysInitThread = nullptr;
  Corvane_Adb_SetUsbThreadPriority(kUsbThreadPriority);
  Corvane_Adb_Init();
  int channels = CreateChannelObjects(hwnd);
  SetPictureDrawCallback(DrawPictureCallback);
  // The wave-output level is raised through private messages of the head unit's audio driver;
  // there is no such driver here, so the level stays as it is.

  m_hSysInitThread = CreateThread(nullptr, 0, SystemInitThread, &g_CorvaneAppFlags, 0, nullptr);

  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  return channels;
}

void CAppMainWndEngine::Shutdown() {
  // Every channel closed before the threads that read them are stopped.
  Corvane_Adb_TcpDisconnect(kAdbAllChannels);
  for (int mask = GetChannelConnectMask(); mask != 0;) {
    EngineLog("!!!!!!! WaitFor ADB TCP Disconnect 0X%x \n", mask);
    Sleep(200);
    mask = GetChannelConnectMask();
    if (mask != 0) Corvane_Adb_TcpDisconnect(kAdbAllChannels);
  }

  g_CorvaneChannelContext.m_bSysInitQuit = 1;
  SetEvent(g_hEventInit);
  SetEvent(g_hEventReconnect);
  EngineLog("!!!!!!! WaitFor SysInit Thread Exit 0X%x \n", Hex(m_hSysInitThread));
  if (m_hSysInitThread) {
    WaitForSingleObject(m_hSysInitThread, INFINITE);
    CloseHandle(m_hSysInitThread);
    m_hSysInitThread = nullptr;
  }
  if (g_hEventInit) CloseHandle(g_hEventInit);
  if (g_hEventReconnect) CloseHandle(g_hEventReconnect);
  g_hEventInit = nullptr;
  g_hEventReconnect = nullptr;
  StopRevThreads();
  EngineLog("!!!!!!! ALL Tcp Thread Exit 0X%x \n", 1);

  EngineLog("!!!!!!! Close audio  \n");
  EngineLog("!!!!!!! recClose   CloseTTS   CloseMusicPlay   0X%x \n", 1);
  CorvaneSendData::DestroyInstance();
  Corvane_Adb_Close();

  if (NotifyOn()) PostMessageW(HWND_BROADCAST, N_WMMSG_CORVANE_QUIT_NOTIFY, 0, 0);

  EnableUsbMassStorage();

  CErrorLog* errorLog = CErrorLog::GetInstance();
  errorLog->Save();
  errorLog->WriteConnectCount(g_nConnectCount);
  CErrorLog::DestroyInstance();
}

bool CAppMainWndEngine::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool host = false;  // also handed to OnHostMessage
  if (msg == WM_CORVANE_TOPMOST) {
    SetWindowPos(m_hWnd, wParam == 1 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    host = true;
  } else if (msg == NMSG_CORVANE_VIDEO_DLG_SHOW) {
    // The phone pop-up belongs to the UI.
  } else if (msg == N_WMMSG_CORVANE_SHOWHIDE_NOTIFY) {
    if (!NotifyOn()) PostMessageW(m_hWnd, NMSG_CORVANE_SHOWHIDE, 0, 2);
  } else if (msg == INNER_MSG_FRAME_RATE_CHANGE) {
    if (lParam != g_nPhoneFrameRate)
      CorvaneSendData::GetInstance()->SendFrameRateChange(static_cast<int>(lParam));
  } else if (msg == INNER_MSG_PHONE_CORVANE_EXIT) {
    Corvane_Adb_TcpDisconnect(kAdbAllChannels);
    PostMessageW(m_hWnd, MESSAGE_CMD_REV, 0, kCmdBackground);
  } else if (msg == WMMSG_CORVANE_USB_OUT) {
    if (lParam == 1) {
      EngineLog("!!!!!!! ADB USB Insert \n");
      SetTimer(m_hWnd, TIMER_ID_USB_IN, 200, nullptr);
      g_CorvaneAppFlags.m_bUsbIn = 1;
    } else if (lParam == 0) {
      // The next phone that fails to authorise is logged again.
      g_bAuthFailLogged = 0;
      g_CorvaneAppFlags.m_bUsbIn = 0;
      KillTimer(m_hWnd, TIMER_ID_USB_IN);
      SetTimer(m_hWnd, TIMER_ID_REPAINT, 1200, nullptr);
      DibBmp::GetInstance().SetPictureBusy(0);
      g_CorvaneAppFlags.m_bPhoneForeground = 0;
      EngineLog("!!!!!!! USB Out g_nConnectCount %d \n", g_nConnectCount.load());
      if (m_bRecording) PostMessageW(m_hWnd, NMSG_RECORD, 0, 2);
    }
  } else if (msg == NMSG_RECORD) {
    if (lParam == 1) m_bRecording = 1;
    if (lParam == 2) m_bRecording = 0;
  } else if (msg == NMSG_CORVANE_QUIT) {
    EngineLog("!!!!!!!   NMSG_CORVANE_PCODE_QUIT   0x%x )\n", static_cast<unsigned>(wParam));
    PostMessageW(m_hWnd, CORVANE_WM_EXIT, 0, 0);
    return false;
  } else if (msg == NMSG_CORVANE_SHOWHIDE) {
    EngineLog("!!!!!!!  NMSG_CORVANE_PCODE_SHOWHIDE  bDeviceIn=%d   bConnected=%d  (0x%x,0x%x )\n",
              Corvane_Adb_IsConnected(), Corvane_Adb_IsChannelConnected(1), static_cast<unsigned>(wParam),
              static_cast<unsigned>(lParam));
    if (lParam == 1) {
      g_CorvaneAppFlags.m_bWindowShown = 1;
      ShowWindow(m_hWnd, SW_SHOW);
      // Bringing the window to the front is the UI's part (the window layer has no foreground).
    } else if (lParam == 0 || lParam == 2) {
      ShowWindow(m_hWnd, SW_HIDE);
      g_CorvaneAppFlags.m_bWindowShown = 0;
    }
    host = true;
  } else {
    host = true;
  }
  if (host && NotifyOn()) OnHostMessage(msg, wParam, lParam);
  return true;
}

void CAppMainWndEngine::OnHostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && wParam == 1) {
    // IDOK from another program ends the program as the close of the connection screen does.
    PostMessageW(m_hWnd, CORVANE_WM_EXIT, 0, 0);
  } else if (msg == INNER_NMSG_PAUSE_VIDEO) {
    CorvaneSendData::GetInstance()->SendVideoEncoderPause();
  } else if (msg == NMSG_CORVANE_MODULE_CONTROL) {
    if ((lParam == 1 || lParam == 2) && (wParam == 3 || wParam == 4)) {
      EngineLog("!!!!!!! MSG CORVANE_MODULE_CONTROL  wParam=%d ,lParam=%d  \n", static_cast<int>(wParam),
                static_cast<int>(lParam));
      BYTE module = static_cast<BYTE>(wParam);
      BYTE status = lParam == 1 ? 1 : 0;
      CorvaneSendData::GetInstance()->SendModuleStatusList(1, &module, &status);
    }
  } else if (msg == NMSG_CORVANE_HW_KEY) {
    CorvaneSendData::GetInstance()->SendHardKey(static_cast<int>(wParam));
    EngineLog("!!!!!!!! NMSG_CORVANE_PCODE_HW_KEY (KEYCODE = 0x%x) \r\n", static_cast<unsigned>(wParam));
  }
  // WMMSG_CORVANE_USB_ERROR and NMSG_CORVANE_SETVOLUME are accepted without effect.
}

void CAppMainWndEngine::OnScreenMessage(UINT msg, WPARAM /*wParam*/, LPARAM lParam) {
  if (msg == MESSAGE_CMD_REV) {
    if (lParam == kCmdEncoderReady) {
      SetTimer(m_hWnd, TIMER_ID_ENCODER_FOREGROUND, 1000, nullptr);
    } else if (lParam == kCmdForeground) {
      KillTimer(m_hWnd, TIMER_ID_ENCODER_FOREGROUND);
      g_CorvaneAppFlags.m_bPhoneForeground = 1;
    } else if (lParam == kCmdBackground) {
      g_CorvaneAppFlags.m_bPhoneForeground = 0;
      if (g_CorvaneAppFlags.m_bUsbIn && !g_CorvaneAppFlags.m_bCalling)
        DibBmp::GetInstance().SetPictureBusy(0);
    }
  } else if (msg == INNER_MSG_CORVANE_CALLING_STATE) {
    if (lParam == 1) g_CorvaneAppFlags.m_bCalling = 1;
    if (lParam == 0) g_CorvaneAppFlags.m_bCalling = 0;
  } else if (msg == WMMSG_CORVANE_USB_OUT) {
    if (lParam != 1) {
      g_CorvaneAppFlags.m_bCalling = 0;
      // An encoder-ready report of the lost phone must not mark the next one in the foreground.
      KillTimer(m_hWnd, TIMER_ID_ENCODER_FOREGROUND);
    }
  } else if (msg == CORVANE_WM_EXIT) {
    m_bExitRequested = true;
  }
}

void CAppMainWndEngine::OnTimer(UINT_PTR id) {
  if (id == TIMER_ID_REPAINT) {
    KillTimer(m_hWnd, TIMER_ID_REPAINT);
    EngineLog("!!!!!!! Wnd Invalidate update \n");
  } else if (id == TIMER_ID_SEND_INFO_MD) {
    KillTimer(m_hWnd, TIMER_ID_SEND_INFO_MD);
    CErrorLog* errorLog = CErrorLog::GetInstance();
    if (!IsVideoDataReceived()) errorLog->AddLine(CErrorLog::kLineNoVideo);
    EngineLog("!!!!!!! Statistic    %d, %d     time=%d  \n", g_ConnectStatRecord.contotal,
              g_nConnectCount.load(), g_ConnectStatRecord.contime);
    if (g_CorvaneAppFlags.m_bUsbIn) {
      CorvaneSendData::GetInstance()->SendConnectStatistics(g_ConnectStatRecord, errorLog);
      errorLog->Clear();
      g_nConnectCount = 0;
      g_ConnectStatRecord = ConnectStatRecord();
      g_bStatisticsSent = 1;
    }
    EngineLog("!!!!!!! TIMER_ID_SEND_INFO_MD 0X%x \n", Hex(m_hWnd));
  } else if (id == TIMER_ID_USB_IN) {
    KillTimer(m_hWnd, TIMER_ID_USB_IN);
    SetEvent(g_hEventInit);
  } else if (id == TIMER_ID_ENCODER_FOREGROUND) {
    KillTimer(m_hWnd, TIMER_ID_ENCODER_FOREGROUND);
    g_CorvaneAppFlags.m_bPhoneForeground = 1;
  }
}

bool CAppMainWndEngine::ScalePoint(int x, int y, int* outX, int* outY) const {
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

void CAppMainWndEngine::SendTouch(int action, int x, int y) {
  if (!g_CorvaneAppFlags.m_bPhoneForeground) return;
  int sx = 0;
  int sy = 0;
  if (!ScalePoint(x, y, &sx, &sy)) return;
  m_nRawX = x;
  m_nRawY = y;
  m_nScaledX = sx;
  m_nScaledY = sy;
  CorvaneSendData::GetInstance()->SendTouchAction(action, sx, sy);
}

bool CAppMainWndEngine::OnLButtonDown(int x, int y) {
  if (m_bPressed) return false;  // a second press without a release is dropped whole
  m_bPressed = 1;
  SendTouch(kTouchDown, x, y);
  return true;
}

bool CAppMainWndEngine::OnMouseMove(int x, int y) {
  if (!m_bPressed) return false;
  SendTouch(kTouchMove, x, y);
  return true;
}

bool CAppMainWndEngine::OnLButtonUp(int x, int y) {
  if (!m_bPressed) return false;
  m_bPressed = 0;
  SendTouch(kTouchUp, x, y);
  return true;
}

void CAppMainWndEngine::DrawPictureCallback(DibBmp* surface) {
  if (!surface || !g_CorvaneAppFlags.m_bWindowShown || surface->GetPictureCount() < 6 ||
      !g_CorvaneAppFlags.m_bUsbIn || !g_CorvaneAppFlags.m_bPhoneForeground) {
    return;
  }
  HWND hwnd = g_CorvaneChannelContext.m_hMainWnd.load();
  HDC hdc = GetWindowDC(hwnd);
  if (!hdc) return;
  surface->PaintDibBmp(hdc);
  ReleaseDC(hwnd, hdc);
}

bool CAppMainWndEngine::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<int>(lParam & 0xFFFF);
  const int y = static_cast<int>((lParam >> 16) & 0xFFFF);
  switch (msg) {
    case WM_TIMER:
      OnTimer(wParam);
      return true;
    case WM_LBUTTONDOWN:
      OnLButtonDown(x, y);
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(x, y);
      return true;
    case WM_LBUTTONUP:
      OnLButtonUp(x, y);
      return true;
    default:
      break;
  }
  if (OnMessage(msg, wParam, lParam)) OnScreenMessage(msg, wParam, lParam);
  return false;
}
