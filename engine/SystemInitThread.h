// The connection sequencer: one thread that turns a phone on USB into a running projection. It
// sleeps on "EVENT_INIT" (phone plugged in) and "EVENT_RECONNECT" (reconnect button, failed
// step), and on each wake-up drives the phone link step by step: the phone's ADB connection, the
// phone app, the two helper programs, the six channels, the receive threads, the protocol
// version, the head unit's description and statistics, and the video encoder. After each step it
// posts CORVAN_WM_CONNECT_STEP (0, 10 .. 100 percent) to the main window; every step checks that
// the phone is still on USB and otherwise ends the attempt.
#pragma once

#include "engine/ConnectStatRecord.h"

#include "platform/kernel/wcetypes.h"

#include <atomic>

class CConnectProgress;
class CorvaneHolder;

// Thread entry; the parameter is the root window's flags (CorvaneAppFlags). Returns 0.
DWORD SystemInitThread(LPVOID param);

// ---- steps (1 for success unless said otherwise)
// 1 once the phone's CNXN came; 0 when USB went away or the sequencer is quitting.
int WaitDeviceActive(CorvaneHolder* holder);
// The phone link's result; one more try when the first answer timed out (-13).
int LaunchPhoneApp(CorvaneHolder* holder);
// 1, a negative phone-link code, or 255 when the helper files are missing beside the program.
int StartVTSC(CorvaneHolder* holder);
// The phone link's result, or 255 when neither "vtim.jar" nor a directory "vtim" is there.
int StartVTIM(CorvaneHolder* holder);
// 1 once every channel reports closed (at most three more requests, 350 ms apart).
int DisConnectTcp(CorvaneHolder* holder);
// 1 when all six channels came up.
int ReConnnectTcp(CorvaneHolder* holder);
// 1 when the phone answered the protocol version within timeoutMs.
int GetVersion(CorvaneHolder* holder, DWORD timeoutMs);
// 1 when the phone's encoder reported ready after waitMs.
int cmdVideoEncoderInit(CorvaneHolder* holder, DWORD waitMs);
int cmdVideoEncoderStart(CorvaneHolder* holder);
// Bit c set while channel c (0..5) is connected.
int GetChannelConnectMask();
int IsAllChannelConnected();

// ---- the sequencer's process-wide state
// Timer of the main window that sends the connect statistics 600 ms after 100 percent.
#define TIMER_ID_SEND_INFO_MD 276

// The engine session's sequencer part: the thread, its two named events and the progress record.
// The thread handle is written and read by the UI thread only (start and join). The events are
// created with the session, before main, and closed by the UI thread after the join.
struct CorvaneSequencerState {
  HANDLE m_hThread = nullptr;
  HANDLE m_hEventInit = nullptr;       // g_hEventInit
  HANDLE m_hEventReconnect = nullptr;  // g_hEventReconnect
  // Made on first use by whichever thread asks first (command thread or sequencer), freed by the
  // sequencer at its end.
  std::atomic<CConnectProgress*> m_pProgress{nullptr};
  // g_bAuthFailLogged: the missing-ADB-connection error line is written once until the next USB
  // out clears this (sequencer sets, UI thread clears).
  std::atomic<int> m_bAuthFailLogged{0};
};

// The engine session's statistics part: the connect statistics of the last connection that
// reached 100 percent (g_ConnectStatRecord: the sequencer fills it, the statistics timer on the
// UI thread sends and clears it 600 ms later), and the mark that the timer reset the counter
// (g_bStatisticsSent: the next wake-up counts once more).
struct CorvaneStatistics {
  ConnectStatRecord m_Record;
  std::atomic<int> m_bSent{0};
};
