#include "engine/CorvaneEngineSession.h"

#include "engine/CConnectProgress.h"
#include "engine/CPackageBuffer.h"
#include "engine/CorvaneHolder.h"
#include "engine/CorvaneMedia.h"
#include "engine/CorvanePicture.h"
#include "engine/CorvaneSendData.h"
#include "engine/CorvaneTts.h"
#include "engine/CorvaneVRecord.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/EngineLog.h"
#include "engine/HuInfo.h"

#include "phonelink/CorvaneAdb.h"
#include "platform/audio/audio.h"
#include "platform/kernel/kernel.h"

#include <type_traits>

namespace {

const int kUsbThreadPriority = 250;
// The highest output level that is raised at start, and the step it is raised by.
const DWORD kQuietOutputLevel = 37;
const DWORD kOutputLevelRaise = 17;

void CloseEvent(HANDLE* event) {
  if (*event) CloseHandle(*event);
  *event = nullptr;
}
}  // namespace

CorvaneEngineSession g_CorvaneEngineSession;

static_assert(std::is_trivially_destructible<DibBmp>::value, "the video thread may paint during exit");
static_assert(std::is_trivially_destructible<WavPlayerManager>::value,
              "the wave-out callback may run during exit");

CorvaneEngineSession::CorvaneEngineSession() {
  // The sequencer's events exist from before main, as the head unit's did: the root window may
  // set them before the sequencer runs.
  CreateEngineNamedEvents();
}

int CorvaneEngineSession::Init(HWND mainWnd, PictureDrawCallback draw) {
  // A new engine life: the single instances destroyed by the last shutdown may be made again.
  CSingleInstanceBase::OpenAll();
  m_Channels.m_hMainWnd = mainWnd;
  SetFrameRateByPlatform();

  m_Sequencer.m_hThread = nullptr;
  Corvane_Adb_SetUsbThreadPriority(kUsbThreadPriority);
  Corvane_Adb_Init();
  int channels = CreateChannelObjects(mainWnd);
  SetPictureDrawCallback(draw);
  // The head unit's amplifier starts too quiet for the phone's sound on some units: a low output
  // level is raised by a fixed step through the wave driver's private messages.
  const DWORD level = waveOutMessage(nullptr, WODM_GET_OUTPUT_LEVEL, 0, 0);
  if (level <= kQuietOutputLevel)
    waveOutMessage(nullptr, WODM_SET_OUTPUT_LEVEL, level + kOutputLevelRaise, 0);
  return channels;
}

void CorvaneEngineSession::Start() {
  m_Sequencer.m_hThread = CreateThread(nullptr, 0, SystemInitThread, &m_Flags, 0, nullptr);
}

void CorvaneEngineSession::Stop() {
  // First: a sequencer inside one of the link's long calls (the channels' opening, the app start,
  // a push) comes back at once and opens nothing more while the channels are being closed.
  Corvane_Adb_BeginClose();
  // Every channel closed before the threads that read them are stopped.
  CloseChannels();
  m_Channels.m_bSysInitQuit = 1;
  SetEvent(m_Sequencer.m_hEventInit);
  SetEvent(m_Sequencer.m_hEventReconnect);
}

void CorvaneEngineSession::Join() {
  HANDLE& thread = m_Sequencer.m_hThread;
  EngineLog("!!!!!!! WaitFor SysInit Thread Exit 0X%x \n", LogHex(thread));
  if (thread) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
  }
  CloseEvent(&m_Sequencer.m_hEventInit);
  CloseEvent(&m_Sequencer.m_hEventReconnect);
  StopRevThreads();
  EngineLog("!!!!!!! ALL Tcp Thread Exit 0X%x \n", 1);
}

void CorvaneEngineSession::Destroy() {
  EngineLog("!!!!!!! Close audio  \n");
  EngineLog("!!!!!!! recClose   CloseTTS   CloseMusicPlay   0X%x \n", 1);
  // The sequencer and every receive thread are joined: nothing else sends.
  CorvaneSendData::DestroyInstance();
  Corvane_Adb_Close();
}

void CorvaneEngineSession::CloseChannels() {
  bool bUnanswered = SendChannelCloses();
  int mask = GetChannelConnectMask();
  for (int i = 0; i < kCloseChannelTries && mask != 0 && !bUnanswered; ++i) {
    EngineLog("!!!!!!! WaitFor ADB TCP Disconnect 0X%x \n", mask);
    Sleep(200);
    mask = GetChannelConnectMask();
    if (mask != 0) {
      bUnanswered = SendChannelCloses();
      mask = GetChannelConnectMask();
    }
  }
  // The link's close below drops whatever the phone left open; the quit must not wait for it.
  if (mask != 0) EngineLog("!!!!!!! ADB TCP channels still open 0X%x, shutting down without them \n", mask);
}

bool CorvaneEngineSession::SendChannelCloses() {
  // The link waits up to kLinkCloseWaitMs for the phone's answers before it returns. A phone that
  // let that wait run out does not answer CLSE at all: each further try would wait as long again,
  // and the whole quit must end within three seconds.
  const DWORD dwStart = GetTickCount();
  Corvane_Adb_TcpDisconnect(kAdbAllChannels);
  return GetTickCount() - dwStart >= kLinkCloseWaitMs;
}

void CorvaneEngineSession::ResetForTests() {
  CorvaneCommand::DestroyInstance();
  CorvanePicture::DestroyInstance();
  CorvaneMedia::DestroyInstance();
  CorvaneTts::DestroyInstance();
  CorvaneVRecord::DestroyInstance();
  CorvaneHolder::DestroyInstance();
  CorvaneSendData::DestroyInstance();
  CSingleInstanceBase::OpenAll();
  CConnectProgress::Free();
  WavPlayer_Release();

  CorvaneChannelContext& ctx = m_Channels;
  ctx.m_hMainWnd = nullptr;
  ctx.m_bSysInitQuit = 0;
  ctx.m_bRevThreadQuit = 0;
  ctx.m_pCommand = nullptr;
  ctx.m_pTts = nullptr;
  ctx.m_pVRecord = nullptr;
  ctx.m_pMedia = nullptr;
  ctx.m_pPicture = nullptr;
  CloseEvent(&ctx.m_hEvtCmdIn);
  CloseEvent(&ctx.m_hEvtTtsIn);
  CloseEvent(&ctx.m_hEvtVideoIn);
  CloseEvent(&ctx.m_hEvtAudioIn);
  CloseEvent(&ctx.m_hEvtSoundRecordIn);
  ctx.m_bResProgressEnd = 0;
  ctx.m_dwReconnectGuardTick = 0;
  HoldVideoThread(false);

  m_Sequencer.m_hThread = nullptr;
  m_Sequencer.m_bAuthFailLogged = 0;
  CreateEngineNamedEvents();

  m_Statistics.m_Record = ConnectStatRecord();
  m_Statistics.m_bSent = 0;

  m_Flags.Reset();
  DibBmp::ResetForTests();
  ResetPhoneVideoState();
  m_Phone.m_nRequestFrameRate = 10;
  CPackageBuffer::SetFailGrowth(false);
}

void ResetEngineForTests() {
  g_CorvaneEngineSession.ResetForTests();
}
