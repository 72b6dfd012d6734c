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

extern UINT CORVAN_WM_CONNECT_STEP;
extern UINT CORVAN_WM_MSG;
// CORVAN_WM_MSG lParam: what the sequencer found wrong.
constexpr LPARAM CORVAN_MSG_HELPER_MISSING = 1;  // a helper file is missing beside the program
constexpr LPARAM CORVAN_MSG_APP_MISSING = 2;     // the phone app is not installed
extern UINT INNER_MSG_FRAME_RATE_CHANGE;
extern UINT INNER_MSG_PHONE_CORVANE_EXIT;
extern UINT INNER_MSG_CORVANE_CALLING_STATE;
extern UINT NMSG_CORVANE_QUIT;
extern UINT N_WMMSG_CORVANE_MOULE_STATE;
extern UINT N_WMMSG_CORVANE_TTS_STATE;
extern UINT N_WMMSG_CORVANE_SHOWHIDE_NOTIFY;
extern UINT NMSG_CORVANE_GET_VIDEO_DATA;
extern UINT MESSAGE_CMD_REV;
extern UINT NMSG_RECORD;

// "EVENT_INIT" (phone on USB) and "EVENT_RECONNECT" (reconnect, failed step), g_hEventInit and
// g_hEventReconnect: auto-reset, created non-signalled with the engine session, before main; they
// belong to its sequencer part (engine/CorvaneEngineSession.h).
// Registers the names again (tests: after the window layer forgot its registered messages).
void RegisterEngineWindowMessages();
// Creates the two events when their handles are empty (the session at its construction; tests
// after closing them).
void CreateEngineNamedEvents();
