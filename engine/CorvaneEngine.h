// What the application shell may ask of the engine and do with it: the one engine header the
// root window and the screens include.
//
// Ask: the shell's flags (g_CorvaneAppFlags), the phone's reported size and rates
// (g_nVideoWidth, g_nVideoHeight, g_nPhoneFrameRate), the connect statistics
// (g_ConnectStatRecord, g_bStatisticsSent), the picture surface (DibBmp::GetInstance), the
// channel mask, whether video data came (IsVideoDataReceived) and whether the phone's link and its
// channels are up.
// Do: run the engine's life (g_CorvaneEngineSession: Init, Start, Stop, Join, Destroy), wake the
// sequencer (g_hEventInit, g_hEventReconnect), send through the sender (CorvaneSendData), and
// the link calls the shell makes itself (below). Every registered message the engine posts is in
// CorvaneWindowMessages.h; the engine's console lines go through EngineLog.
#pragma once

#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvaneSendData.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/DibBmp.h"
#include "engine/CorvanePicture.h"
#include "engine/EngineLog.h"
#include "engine/HuInfo.h"
#include "engine/SystemInitThread.h"

// The shell's own calls into the phone link, by the link's own names:
// - the link's answers, Corvane_Adb_IsConnected and Corvane_Adb_IsChannelConnected; every channel
//   closed by Corvane_Adb_TcpDisconnect(kAdbAllChannels) when the phone side went away while USB
//   stayed in; the phone app's start asked for again by Corvane_Adb_Shell(kAdbAppStartService)
//   ("btn_calling_hide", the reconnect buttons);
// - the driver's installation: the program's start-up marks its first start (which unloads
//   "ADB1:") and registers the driver; the connection screen switches the USB mass-storage client
//   off while a phone is projected, and the root window back on at its end.
#include "phonelink/CorvaneAdb.h"
#include "phonelink/DriverInstall.h"
