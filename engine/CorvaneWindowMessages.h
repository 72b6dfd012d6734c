// The registered window messages that the engine posts, and the named events that wake the
// connection sequencer. Static initialisers register them before WinMain; wParam and lParam:
//   CORVAN_WM_CONNECT_STEP        main window      0, progress 10 .. 100
//   CORVAN_WM_MSG                 main window      0, 1 helper file missing / 2 phone app not installed
//   INNER_MSG_FRAME_RATE_CHANGE   broadcast (3) or main window (10)   0, frames per second wanted
//   INNER_MSG_PHONE_CORVANE_EXIT  main window      0, 0: the phone side went away, USB stayed in
//   INNER_MSG_CORVANE_CALLING_STATE main window    0, 1 call active / 0 no call
//   NMSG_CORVANE_QUIT             broadcast        0, 0 (phone asks to quit, notify flag clear)
//   N_WMMSG_CORVANE_MOULE_STATE   broadcast        module id, status id (spelled so)
//   N_WMMSG_CORVANE_TTS_STATE     broadcast        2, 1 voice recognition starts / 2, 2 it stops
//   N_WMMSG_CORVANE_SHOWHIDE_NOTIFY broadcast      0, 0 (phone asks to hide, notify flag set)
//   NMSG_CORVANE_GET_VIDEO_DATA   video receiver's window   0, 0: first picture shown
//   MESSAGE_CMD_REV               command receiver's window 0, command type
//   NMSG_RECORD                   main window      0, 1 recording starts / 2 stops
#pragma once

#include "platform/kernel/wcetypes.h"

// The ids the names below stand for: written once by the static initialiser that registers them,
// before main and before any thread; every thread only reads them afterwards.
struct CorvaneWindowMessageIds {
  UINT m_nConnectStep = 0;
  UINT m_nMsg = 0;
  UINT m_nFrameRateChange = 0;
  UINT m_nPhoneExit = 0;
  UINT m_nCallingState = 0;
  UINT m_nQuit = 0;
  UINT m_nModuleState = 0;
  UINT m_nTtsState = 0;
  UINT m_nShowHideNotify = 0;
  UINT m_nGetVideoData = 0;
  UINT m_nCmdRev = 0;
  UINT m_nRecord = 0;
};
extern CorvaneWindowMessageIds g_CorvaneWindowMessageIds;

inline UINT& CORVAN_WM_CONNECT_STEP = g_CorvaneWindowMessageIds.m_nConnectStep;
inline UINT& CORVAN_WM_MSG = g_CorvaneWindowMessageIds.m_nMsg;
// CORVAN_WM_MSG lParam: what the sequencer found wrong.
constexpr LPARAM CORVAN_MSG_HELPER_MISSING = 1;  // a helper file is missing beside the program
constexpr LPARAM CORVAN_MSG_APP_MISSING = 2;     // the phone app is not installed
inline UINT& INNER_MSG_FRAME_RATE_CHANGE = g_CorvaneWindowMessageIds.m_nFrameRateChange;
inline UINT& INNER_MSG_PHONE_CORVANE_EXIT = g_CorvaneWindowMessageIds.m_nPhoneExit;
inline UINT& INNER_MSG_CORVANE_CALLING_STATE = g_CorvaneWindowMessageIds.m_nCallingState;
inline UINT& NMSG_CORVANE_QUIT = g_CorvaneWindowMessageIds.m_nQuit;
inline UINT& N_WMMSG_CORVANE_MOULE_STATE = g_CorvaneWindowMessageIds.m_nModuleState;
inline UINT& N_WMMSG_CORVANE_TTS_STATE = g_CorvaneWindowMessageIds.m_nTtsState;
inline UINT& N_WMMSG_CORVANE_SHOWHIDE_NOTIFY = g_CorvaneWindowMessageIds.m_nShowHideNotify;
inline UINT& NMSG_CORVANE_GET_VIDEO_DATA = g_CorvaneWindowMessageIds.m_nGetVideoData;
inline UINT& MESSAGE_CMD_REV = g_CorvaneWindowMessageIds.m_nCmdRev;
inline UINT& NMSG_RECORD = g_CorvaneWindowMessageIds.m_nRecord;

// "EVENT_INIT" (phone on USB) and "EVENT_RECONNECT" (reconnect, failed step), g_hEventInit and
// g_hEventReconnect: auto-reset, created non-signalled with the engine session, before main; they
// belong to its sequencer part (engine/CorvaneEngineSession.h).
// Registers the names again (tests: after the window layer forgot its registered messages).
void RegisterEngineWindowMessages();
// Creates the two events when their handles are empty (the session at its construction; tests
// after closing them).
void CreateEngineNamedEvents();
