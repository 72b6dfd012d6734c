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

#include "platform/kernel/kernel.h"

namespace {
void CloseEvent(HANDLE* event) {
  if (*event) CloseHandle(*event);
  *event = nullptr;
}
}  // namespace

CorvaneEngineSession g_CorvaneEngineSession;

CorvaneEngineSession::CorvaneEngineSession() {
  // The sequencer's events exist from before main, as the head unit's did: the root window may
  // set them before the sequencer runs.
  CreateEngineNamedEvents();
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

  CorvaneChannelContext& ctx = m_channels;
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

  m_sequencer.m_hThread = nullptr;
  m_sequencer.m_bAuthFailLogged = 0;
  CreateEngineNamedEvents();

  m_statistics.m_record = ConnectStatRecord();
  m_statistics.m_bSent = 0;

  m_flags.Reset();
  DibBmp::ResetForTests();
  ResetPhoneVideoState();
  m_phone.m_nRequestFrameRate = 10;
  CPackageBuffer::SetFailGrowth(false);
}

void ResetEngineForTests() {
  g_CorvaneEngineSession.ResetForTests();
}
