// The channel objects and the four receive threads: command (channel 0), video (1), media (2),
// and one thread for TTS (3) and voice recognition (4). Each receiving channel is bound to a
// named data event that its ring buffer sets when data arrives; each thread waits on its event
// (bounded, but for the media thread), runs its receivers' read steps, and while its channel is
// down idles and keeps resetting the receivers so that a new connection starts at a header.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

class CorvaneCommand;
class CorvaneTts;
class CorvaneVRecord;
class CorvaneMedia;
class CorvanePicture;
class DibBmp;

typedef void (*PictureDrawCallback)(DibBmp* surface);

// The test hold of the video thread; the video thread alone parks and unparks.
struct CorvaneVideoHold {
  std::mutex m_Lock;
  std::condition_variable m_Changed;
  // Written under lock; the video thread reads it without, so that an unheld pass costs no lock.
  std::atomic<bool> m_bRequested{false};
  unsigned m_nReleases = 0;  // under lock; a release and a new hold never meet within one park
  bool m_bParked = false;    // under lock
  unsigned m_nParkedAt = 0;  // under lock: the releases counted when the thread parked
};

// The engine session's channel part. The main window and the receivers are written by the UI
// thread before any receive thread runs (CreateChannelObjects) and cleared after all of them were
// joined (StopRevThreads); the events likewise. The thread handles are written by the sequencer
// (RevThread) and read by the UI thread only after the sequencer was joined.
struct CorvaneChannelContext {
  std::atomic<HWND> m_hMainWnd{nullptr};
  std::atomic<int> m_bSysInitQuit{0};  // the sequencer's quit flag (set by the root window)

  CorvaneCommand* m_pCommand = nullptr;
  CorvaneTts* m_pTts = nullptr;
  CorvaneVRecord* m_pVRecord = nullptr;
  CorvaneMedia* m_pMedia = nullptr;
  CorvanePicture* m_pPicture = nullptr;

  HANDLE m_hEvtCmdIn = nullptr;          // "EVENT_CMD_IN", channel 0
  HANDLE m_hEvtTtsIn = nullptr;          // "EVENT_TTS_IN", channel 3
  HANDLE m_hEvtVideoIn = nullptr;        // "EVENT_VIDEO_IN", channel 1
  HANDLE m_hEvtAudioIn = nullptr;        // "EVENT_AUDIO_IN", channel 2
  HANDLE m_hEvtSoundRecordIn = nullptr;  // "EVENT_SOUND_RECORD_IN", channel 4

  std::atomic<int> m_bRevThreadQuit{0};

  // g_hdThreadCmd, g_hdThreadVideo, g_hdThreadMedia, g_hdThreadTTS.
  HANDLE m_hdThreadCmd = nullptr;
  HANDLE m_hdThreadVideo = nullptr;
  HANDLE m_hdThreadMedia = nullptr;
  HANDLE m_hdThreadTTS = nullptr;

  // For the connection-state screen (UI thread): ResProgressEndFlag is set when its resource
  // progress ended (read by nobody); ReconnectGuardTick is read by its buttons and written by
  // nobody, so it stays 0.
  std::atomic<int> m_bResProgressEnd{0};
  std::atomic<DWORD> m_dwReconnectGuardTick{0};

  CorvaneVideoHold m_VideoHold;
};

// Creates the five receivers (and loads the JPEG library and the picture surface), makes the
// main window the command receiver's target, and creates and binds the data events. 1 or 0.
int CreateChannelObjects(HWND mainWnd);
void CreateDataEvents();
// Stored in the video receiver when it exists; runs on the video receive thread.
void SetPictureDrawCallback(PictureDrawCallback callback);
// Each attempt: the command, TTS, voice-recognition and video receivers back to a header. Each
// receiver is touched by its own receive thread only: this asks, and every receive thread resets
// its receivers at the start of its next step, before it reads anything more.
void ResetChannelReceivers();
// The sequencer, before the encoder settings: the video thread drops whatever waits on channel 1
// and resets its receiver. Waits up to ms for it when the thread runs; 1 when done (or left to a
// thread not started yet), 0 when the wait ran out or there is no video receiver.
int DrainVideoChannel(DWORD ms);
// Starts the receive threads that are not running yet (once per program run in practice).
void RevThread();
// Sets the quit flag and every data event, joins the four threads and destroys the receivers.
void StopRevThreads();

DWORD CorvaneCMDThread(LPVOID param);
DWORD CorvaneVideoThread(LPVOID param);
DWORD CorvaneMediaThread(LPVOID param);
DWORD CorvaneCMDTTSThread(LPVOID param);

// A test hook of the engine program ("hold video", "release video"): while held, the video
// receive thread parks between two read steps, with no package half read, and leaves channel 1
// alone while its ring buffer fills; so a test makes a backlog however fast the machine decodes.
// A release or the receive threads' quit flag ends the park.
void HoldVideoThread(bool hold);
// Whether the video receive thread is parked by a hold, waiting up to ms for it to get there; a
// hold that follows a release is answered by a new park, after one more pass of the loop.
bool WaitVideoThreadHeld(DWORD ms);
