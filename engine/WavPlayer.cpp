#include "engine/WavPlayer.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/WavPlay.h"

#include <mutex>
#include <new>

namespace {
WavPlayerManager& Manager() {
  return g_CorvaneEngineSession.m_Wave;
}
}  // namespace

void WavPlayer_SetFormat(int sampleRate, int channels, int bits) {
  WavPlayerManager& m = Manager();
  m.m_nSampleRate = sampleRate;
  m.m_nChannels = static_cast<short>(channels);
  m.m_nBits = static_cast<short>(bits);
}

void WavPlayer_Open() {
  WavPlayerManager& m = Manager();
  std::lock_guard<std::mutex> lock(m.m_Lock);
  if (m.m_nState == WAVPLAYER_OPEN) return;
  m.m_nState = WAVPLAYER_OPEN;
  if (m.m_pCurrent != nullptr) {
    m.m_pCurrent->Close();
    m.m_pCurrent->Free();
    delete m.m_pCurrent;
    m.m_pCurrent = nullptr;
  }
  const DWORD volume = kWavPlayerVolumeLevel | (kWavPlayerVolumeLevel << 16);
  m.m_pCurrent = new (std::nothrow) WavPlay(m.m_nSampleRate, m.m_nChannels, m.m_nBits, volume);
  if (m.m_pCurrent == nullptr) return;
  m.m_pCurrent->AllocChunks(kWavPlayerChunkSize, kWavPlayerChunkCount);
  m.m_pCurrent->Open();
}

void WavPlayer_Stop() {
  WavPlayerManager& m = Manager();
  std::lock_guard<std::mutex> lock(m.m_Lock);
  if (m.m_nState == WAVPLAYER_OPEN) m.m_nState = WAVPLAYER_STOPPED;
}

int WavPlayer_Write(const BYTE*, int) {
  return 1;
}

int WavPlayer_GetState() {
  return Manager().m_nState;
}

WavPlay* WavPlayer_GetCurrent() {
  return Manager().m_pCurrent;
}

void WavPlayer_Release() {
  WavPlayerManager& m = Manager();
  std::lock_guard<std::mutex> lock(m.m_Lock);
  delete m.m_pCurrent;
  m.m_pCurrent = nullptr;
  m.m_nState = WAVPLAYER_STOPPED;
  m.m_nSampleRate = 0;
  m.m_nChannels = 0;
  m.m_nBits = 0;
}
