#include "engine/CorvaneChannelContext.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneCommand.h"
#include "engine/CorvaneMedia.h"
#include "engine/CorvanePicture.h"
#include "engine/CorvaneTts.h"
#include "engine/CorvaneVRecord.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/JpegLib.h"
#include "engine/EngineLog.h"

#include "phonelink/CorvaneAdb.h"
#include "platform/kernel/kernel.h"
#include "platform/user/user.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

CorvaneChannelContext& Ctx() {
  return g_CorvaneChannelContext;
}
CorvaneVideoHold& Hold() {
  return g_CorvaneChannelContext.m_VideoHold;
}
bool RevQuit() {
  return Ctx().m_bRevThreadQuit.load() != 0;
}
bool Connected(int channel) {
  return Corvane_Adb_IsChannelConnected(channel) != 0;
}

void MakeEvent(HANDLE* event, LPCWSTR name) {
  if (!*event) *event = CreateEventW(nullptr, FALSE, FALSE, name);
}

void JoinThread(HANDLE* thread, const char* line) {
  EngineLog(line, LogHex(*thread));
  if (*thread) WaitForSingleObject(*thread, INFINITE);
}

void CloseThread(HANDLE* thread) {
  if (*thread) CloseHandle(*thread);
  *thread = nullptr;
}

// At the top of the video thread's loop. A half-read package stays with the receiver: released
// with its header pending, the receiver would take everything waiting as that package's
// followers instead of seeing the backlog, so the park waits for a package boundary.
void ParkWhileHeld(const CorvanePicture* picture) {
  if (!Hold().m_bRequested.load(std::memory_order_acquire)) return;
  std::unique_lock<std::mutex> lock(Hold().m_Lock);
  if (!Hold().m_bRequested || picture->IsHeaderPending()) return;
  Hold().m_bParked = true;
  Hold().m_nParkedAt = Hold().m_nReleases;
  Hold().m_Changed.notify_all();
  while (Hold().m_nReleases == Hold().m_nParkedAt && !RevQuit()) {
    Hold().m_Changed.wait_for(lock, std::chrono::milliseconds(300));
  }
  Hold().m_bParked = false;
}

// Voice recognition runs beside TTS; a half-read package of a dead connection must not be taken
// as the start of the next one. From any thread but the TTS thread: a request it carries out.
void RequestTtsAndVrReset() {
  if (Ctx().m_pTts) Ctx().m_pTts->RequestReset();
  if (Ctx().m_pVRecord) Ctx().m_pVRecord->RequestReset();
}

}  // namespace

int CreateChannelObjects(HWND mainWnd) {
  CorvaneChannelContext& ctx = Ctx();
  ctx.m_pPicture = CorvanePicture::GetInstance();
  if (!ctx.m_pPicture) {
    EngineLog("!!!!!!! CorvanePicture GetError 0X%x \n", 1);
    return 0;
  }
  InitJpgLib();
  ctx.m_pCommand = CorvaneCommand::GetInstance();
  ctx.m_pTts = CorvaneTts::GetInstance();
  ctx.m_pVRecord = CorvaneVRecord::GetInstance();
  ctx.m_pMedia = CorvaneMedia::GetInstance();
  if (!ctx.m_pCommand || !ctx.m_pTts || !ctx.m_pVRecord || !ctx.m_pMedia) {
    EngineLog("!!!!!!! Corvane Channel Error CMD=0X%x , Video=0X%x , Media=0X%x, TTS=0X%x ,SoundR=0X%x \n",
              LogHex(ctx.m_pCommand), LogHex(ctx.m_pPicture), LogHex(ctx.m_pMedia), LogHex(ctx.m_pTts),
              LogHex(ctx.m_pVRecord));
    return 0;
  }
  ctx.m_hMainWnd = mainWnd;
  ctx.m_pCommand->SetTargetWindow(mainWnd);
  CreateDataEvents();
  return 1;
}

void CreateDataEvents() {
  CorvaneChannelContext& ctx = Ctx();
  MakeEvent(&ctx.m_hEvtCmdIn, u"EVENT_CMD_IN");
  MakeEvent(&ctx.m_hEvtTtsIn, u"EVENT_TTS_IN");
  MakeEvent(&ctx.m_hEvtVideoIn, u"EVENT_VIDEO_IN");
  MakeEvent(&ctx.m_hEvtAudioIn, u"EVENT_AUDIO_IN");
  MakeEvent(&ctx.m_hEvtSoundRecordIn, u"EVENT_SOUND_RECORD_IN");
  ResetEvent(ctx.m_hEvtCmdIn);
  ResetEvent(ctx.m_hEvtTtsIn);
  ResetEvent(ctx.m_hEvtVideoIn);
  ResetEvent(ctx.m_hEvtAudioIn);
  ResetEvent(ctx.m_hEvtSoundRecordIn);
  int cmd = Corvane_Adb_SetTcpDataNotifyEvent(0, ctx.m_hEvtCmdIn);
  int video = Corvane_Adb_SetTcpDataNotifyEvent(1, ctx.m_hEvtVideoIn);
  int media = Corvane_Adb_SetTcpDataNotifyEvent(2, ctx.m_hEvtAudioIn);
  int tts = Corvane_Adb_SetTcpDataNotifyEvent(3, ctx.m_hEvtTtsIn);
  Corvane_Adb_SetTcpDataNotifyEvent(4, ctx.m_hEvtSoundRecordIn);
  if (cmd < 0 || video < 0 || media < 0 || tts < 0) {
    EngineLog("!!!!!!! Corvane_Adb_SetTcpDataNotifyEvent  (CMD: %d) (Video: %d)  (Media= %d) (TTS= %d)  \r\n",
              cmd, video, media, tts);
  }
}

void SetPictureDrawCallback(PictureDrawCallback callback) {
  if (Ctx().m_pPicture) Ctx().m_pPicture->SetDrawCallback(callback);
}

void ResetChannelReceivers() {
  if (Ctx().m_pCommand) Ctx().m_pCommand->RequestReset();
  RequestTtsAndVrReset();
  if (Ctx().m_pPicture) Ctx().m_pPicture->RequestReset();
}

int DrainVideoChannel(DWORD ms) {
  CorvanePicture* picture = Ctx().m_pPicture;
  if (!picture) return 0;
  const unsigned ticket = picture->RequestDrain();
  // Not running yet, the video thread drains at its first step, before it reads anything.
  if (!g_hdThreadVideo) return 1;
  SetEvent(Ctx().m_hEvtVideoIn);
  if (picture->WaitDrained(ticket, ms)) return 1;
  EngineLog("!!!!!!! Video channel not drained within %u ms \n", static_cast<unsigned>(ms));
  return 0;
}

void RevThread() {
  EngineLog(
      "!!!!!!! RevThread g_hdThreadCmd=0X%x, g_hdThreadVideo=0X%x  g_hdThreadMedia=0X%x   "
      "g_hdThreadTTS=0X%x, \n",
      LogHex(g_hdThreadCmd), LogHex(g_hdThreadVideo), LogHex(g_hdThreadMedia), LogHex(g_hdThreadTTS));
  if (!g_hdThreadCmd) g_hdThreadCmd = CreateThread(nullptr, 0, CorvaneCMDThread, nullptr, 0, nullptr);
  if (!g_hdThreadVideo) g_hdThreadVideo = CreateThread(nullptr, 0, CorvaneVideoThread, nullptr, 0, nullptr);
  if (!g_hdThreadTTS) g_hdThreadTTS = CreateThread(nullptr, 0, CorvaneCMDTTSThread, nullptr, 0, nullptr);
  if (!g_hdThreadMedia) g_hdThreadMedia = CreateThread(nullptr, 0, CorvaneMediaThread, nullptr, 0, nullptr);
}

DWORD CorvaneCMDThread(LPVOID) {
  CorvaneCommand* command = Ctx().m_pCommand;
  if (!command) {
    EngineLog("!!!!!!! CorvaneCmd Error 0X%x  0X%x \n", LogHex(command), LogHex(Ctx().m_pTts));
    return 0;
  }
  int handled = 0;
  while (!RevQuit()) {
    if (Connected(0)) {
      if (!handled) WaitForSingleObject(Ctx().m_hEvtCmdIn, 1500);
      if (RevQuit()) break;
      handled = command->receivePackageData();
    } else {
      handled = 0;
      Sleep(200);
      command->Reset();
      RequestTtsAndVrReset();
    }
  }
  // The receivers are destroyed by StopRevThreads once every receive thread is joined.
  EngineLog("!!!!!!! CorvaneCMDThread Exit 0X%x \n", 1);
  return 0;
}

DWORD CorvaneVideoThread(LPVOID) {
  CorvanePicture* picture = Ctx().m_pPicture;
  if (!picture) {
    EngineLog("!!!!!!! CorvaneVideoThread Error (Picture=0X%x) (Video=0X%x)  \n", LogHex(picture), 1u);
    return 0;
  }
  bool videoSeen = false;
  while (!RevQuit()) {
    ParkWhileHeld(picture);
    if (RevQuit()) break;
    if (Connected(1)) {
      DWORD start = GetTickCount();
      DWORD r = WaitForSingleObject(Ctx().m_hEvtVideoIn, 300);
      if (RevQuit()) break;
      if (r == WAIT_OBJECT_0) videoSeen = true;
      if (GetTickCount() - start > 210 && g_nPhoneFrameRate != 10) {
        PostMessageW(Ctx().m_hMainWnd.load(), INNER_MSG_FRAME_RATE_CHANGE, 0, 10);
      }
      picture->receivePackageData();
    } else {
      // Only this thread notices a phone app that died while USB stayed in: every channel but
      // voice recognition is closed after pictures had come. Told once, not once per idle pass.
      if (videoSeen && !Connected(0) && !Connected(2) && !Connected(3) && !Connected(5)) {
        PostMessageW(Ctx().m_hMainWnd.load(), INNER_MSG_PHONE_CORVANE_EXIT, 0, 0);
        videoSeen = false;
      }
      picture->ServeRequests();
      picture->Reset();
      Sleep(300);
    }
  }
  UninitJpgLib();
  EngineLog("!!!!!!! CorvaneVideoThread Exit 0X%x \n", 1);
  return 0;
}

DWORD CorvaneMediaThread(LPVOID) {
  CorvaneMedia* media = Ctx().m_pMedia;
  if (!media) {
    EngineLog("!!!!!!! CorvaneMediaThread Error 0X%x  \n", LogHex(media));
    return 0;
  }
  int handled = 0;
  while (!RevQuit()) {
    if (Connected(2)) {
      // No time limit: StopRevThreads sets the event to end this wait.
      if (!handled) WaitForSingleObject(Ctx().m_hEvtAudioIn, INFINITE);
      if (RevQuit()) break;
      handled = media->receivePackageData();
    } else {
      handled = 0;
      Sleep(200);
      media->Reset();
    }
  }
  EngineLog("!!!!!!! CorvaneMediaThread Exit 0X%x \n", 1);
  return 0;
}

DWORD CorvaneCMDTTSThread(LPVOID) {
  CorvaneTts* tts = Ctx().m_pTts;
  CorvaneVRecord* vr = Ctx().m_pVRecord;
  if (!tts || !vr) {
    EngineLog("!!!!!!! CorvaneCmdTTS Error 0X%x  0X%x \n", LogHex(tts), LogHex(vr));
    return 0;
  }
  int handled = 0;
  const HANDLE events[2] = {Ctx().m_hEvtTtsIn, Ctx().m_hEvtSoundRecordIn};
  while (!RevQuit()) {
    if (Connected(0)) {
      if (!handled) WaitForMultipleObjects(2, events, FALSE, 1000);
      if (RevQuit()) break;
      handled = tts->receivePackageData();
      handled |= vr->receivePackageData();
    } else {
      handled = 0;
      Sleep(200);
      tts->Reset();
      vr->Reset();
    }
  }
  EngineLog("!!!!!!! CorvaneCMDTTSThread Exit 0X%x \n", 1);
  return 0;
}

void StopRevThreads() {
  CorvaneChannelContext& ctx = Ctx();
  ctx.m_bRevThreadQuit = 1;
  SetEvent(ctx.m_hEvtCmdIn);
  SetEvent(ctx.m_hEvtVideoIn);
  SetEvent(ctx.m_hEvtAudioIn);
  SetEvent(ctx.m_hEvtTtsIn);
  SetEvent(ctx.m_hEvtSoundRecordIn);

  JoinThread(&g_hdThreadCmd, "!!!!!!! WaitFor [Cmd]  Exit 0X%x \n");
  JoinThread(&g_hdThreadVideo, "!!!!!!! WaitFor [Video]  Exit 0X%x \n");
  JoinThread(&g_hdThreadMedia, "!!!!!!! WaitFor [Media]  Exit 0X%x \n");
  JoinThread(&g_hdThreadTTS, "!!!!!!! WaitFor [TTS] Exit  0X%x \n");
  CloseThread(&g_hdThreadCmd);
  CloseThread(&g_hdThreadVideo);
  CloseThread(&g_hdThreadMedia);
  CloseThread(&g_hdThreadTTS);

  // No thread that can reach a receiver runs any more (the sequencer was joined before).
  CorvanePicture::DestroyInstance();
  CorvaneCommand::DestroyInstance();
  CorvaneTts::DestroyInstance();
  CorvaneVRecord::DestroyInstance();
  CorvaneMedia::DestroyInstance();
  ctx.m_pPicture = nullptr;
  ctx.m_pCommand = nullptr;
  ctx.m_pTts = nullptr;
  ctx.m_pVRecord = nullptr;
  ctx.m_pMedia = nullptr;
}

void HoldVideoThread(bool hold) {
  std::lock_guard<std::mutex> lock(Hold().m_Lock);
  Hold().m_bRequested = hold;
  if (!hold) ++Hold().m_nReleases;
  Hold().m_Changed.notify_all();
}

bool WaitVideoThreadHeld(DWORD ms) {
  CorvaneVideoHold& hold = Hold();
  std::unique_lock<std::mutex> lock(hold.m_Lock);
  return hold.m_Changed.wait_for(lock, std::chrono::milliseconds(ms), [&hold] {
    return hold.m_bRequested && hold.m_bParked && hold.m_nParkedAt == hold.m_nReleases;
  });
}
