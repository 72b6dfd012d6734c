// The one engine of the process, cut into parts that each name their owner beside their state.
// One object holds them all, so that the engine's life (its single instances opened, its threads
// started, stopped and joined, its instances destroyed) runs in one place and in one order, and
// tests reset one thing. It is made during static initialisation, before main and before any
// thread, and lives as long as the process: the parts a receive thread left running at exit may
// still touch (the picture surface, the wave player, the channel context's words) have nothing to
// destroy, so they stay whole while the statics go.
// What the engine makes inside it (the receivers, the sender, the sender holder) is destroyed by
// the shutdown, and a storage closed by it hands nothing out until the next engine life.
//
// The process-wide values keep their names as references into the parts (below).
#pragma once

#include "engine/CSingleInstance.h"
#include "engine/ConnectStatRecord.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneCommand.h"
#include "engine/CorvaneFeatureConfigTable.h"
#include "engine/DibBmp.h"
#include "engine/JpegLib.h"
#include "engine/SystemInitThread.h"
#include "engine/WavPlayer.h"

#include "platform/kernel/wcetypes.h"

#include <atomic>

class CorvaneHolder;
class CorvaneMedia;
class CorvanePicture;
class CorvaneSendData;
class CorvaneTts;
class CorvaneVRecord;

// The storages of the engine's single instances: each made on first use by whichever thread asks
// first, destroyed by the shutdown once every thread that can reach it was joined.
struct CorvaneEngineInstances {
  CSingleInstance<CorvaneCommand> m_Command{"CorvaneCommand"};
  CSingleInstance<CorvanePicture> m_Picture{"CorvanePicture"};
  CSingleInstance<CorvaneMedia> m_Media{"CorvaneMedia"};
  CSingleInstance<CorvaneTts> m_Tts{"CorvaneTts"};
  CSingleInstance<CorvaneVRecord> m_Vrecord{"CorvaneVRecord"};
  CSingleInstance<CorvaneSendData> m_Sender{"CorvaneSendData"};
  CSingleInstance<CorvaneHolder> m_Holder{"CorvaneHolder"};
};

// The picture surface and the JPEG functions that decode into it. The video thread loads the
// library, decodes and unloads (InitJpgLib .. UninitJpgLib); the surface's own marks are guarded
// as DibBmp.h says. The video-seen mark is written by the video thread and read by the root
// window's timer.
struct CorvanePictureSurface {
  DibBmp m_Surface;
  TurboJpegTable m_Jpeg;
  int m_nDecodedWidth = 0;  // video thread
  int m_nDecodedHeight = 0;
  std::atomic<bool> m_bVideoSeen{false};
};

struct CorvaneEngineSession {
  CorvaneEngineSession();

  // The engine's life, in the order the head unit has always used. The root window runs it on
  // the UI thread: Init and Start from its initialisation (Init is the platform frame rate and
  // the engine start, Start the sequencer thread); Stop, Join and Destroy once the connection
  // screen has ended. Each single instance is destroyed only after every thread that can reach
  // it has been joined.
  //
  // The single instances opened for this life; the frame rate chosen by the platform; the link's
  // thread priority and start; the channel objects and the picture callback; a quiet output
  // level raised. 1, or 0 when the channel objects could not be made (the link and the
  // sequencer run anyway).
  int Init(HWND mainWnd, PictureDrawCallback draw);
  // The sequencer thread, with the shell's flags as its parameter.
  void Start();
  // The link told it is closing (its long waits end), every channel closed (bounded: a phone
  // that never answers CLSE does not hold the quit), the sequencer told to quit.
  void Stop();
  // The sequencer joined and its events closed, the receive threads joined and the receivers
  // destroyed.
  void Join();
  // The sender destroyed and the link closed.
  void Destroy();

  // Tries of the channel close at shutdown, 200 ms apart, before the quit goes on without the
  // phone's answer.
  static const int kCloseChannelTries = 5;
  // How long the link's close of the channels waits for the phone's answers; a close that took
  // this long is not tried again.
  static const DWORD kLinkCloseWaitMs = 2000;

  HANDLE SequencerThread() const { return m_Sequencer.m_hThread; }

  // Tests, with no engine thread running: every part back to its start values, as a new process
  // has them. The receivers, the sender, the holder, the progress record and the wave output are
  // destroyed and their storages opened again; the data events are closed (the channel objects
  // make them again); the sequencer's events exist, as before main.
  void ResetForTests();

  CorvaneChannelContext m_Channels;  // receivers, data events, receive threads
  CorvaneSequencerState m_Sequencer;
  CorvaneEngineInstances m_Instances;
  CorvanePictureSurface m_Picture;
  WavPlayerManager m_Wave;
  CorvanePhoneReport m_Phone;
  CorvaneAppFlags m_Flags;  // written by the root window (and the sequencer for app-installed)
  CorvaneStatistics m_Statistics;
  // The feature configuration answered to the phone's query: the command thread fills and sends
  // it (CorvaneFeatureConfigTable::Fill).
  CorvaneFeatureConfigRecord m_aFeatureConfig[CorvaneFeatureConfigTable::kCount] = {};

 private:
  void CloseChannels();
  // One close of every channel through the link; true when the phone let the link's wait run out.
  bool SendChannelCloses();
};

extern CorvaneEngineSession g_CorvaneEngineSession;

// g_CorvaneEngineSession.ResetForTests().
void ResetEngineForTests();

// The names the rest of the system knows the engine's state by. Each is bound to its part at
// constant initialisation, so it is valid before any static initialiser runs.
inline CorvaneChannelContext& g_CorvaneChannelContext = g_CorvaneEngineSession.m_Channels;
inline HANDLE& g_hdThreadCmd = g_CorvaneEngineSession.m_Channels.m_hdThreadCmd;
inline HANDLE& g_hdThreadVideo = g_CorvaneEngineSession.m_Channels.m_hdThreadVideo;
inline HANDLE& g_hdThreadMedia = g_CorvaneEngineSession.m_Channels.m_hdThreadMedia;
inline HANDLE& g_hdThreadTTS = g_CorvaneEngineSession.m_Channels.m_hdThreadTTS;
inline std::atomic<int>& ResProgressEndFlag = g_CorvaneEngineSession.m_Channels.m_bResProgressEnd;
inline std::atomic<DWORD>& ReconnectGuardTick = g_CorvaneEngineSession.m_Channels.m_dwReconnectGuardTick;

inline HANDLE& g_hEventInit = g_CorvaneEngineSession.m_Sequencer.m_hEventInit;
inline HANDLE& g_hEventReconnect = g_CorvaneEngineSession.m_Sequencer.m_hEventReconnect;
inline std::atomic<int>& g_bAuthFailLogged = g_CorvaneEngineSession.m_Sequencer.m_bAuthFailLogged;

inline ConnectStatRecord& g_ConnectStatRecord = g_CorvaneEngineSession.m_Statistics.m_Record;
inline std::atomic<int>& g_bStatisticsSent = g_CorvaneEngineSession.m_Statistics.m_bSent;

inline std::atomic<int>& g_nVideoWidth = g_CorvaneEngineSession.m_Phone.m_nVideoWidth;
inline std::atomic<int>& g_nVideoHeight = g_CorvaneEngineSession.m_Phone.m_nVideoHeight;
inline std::atomic<int>& g_nPhoneFrameRate = g_CorvaneEngineSession.m_Phone.m_nPhoneFrameRate;
inline int& g_nRequestFrameRate = g_CorvaneEngineSession.m_Phone.m_nRequestFrameRate;

inline CorvaneAppFlags& g_CorvaneAppFlags = g_CorvaneEngineSession.m_Flags;
