#include "engine/WavPlayer.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/WavPlay.h"

#include <mutex>
#include <new>

namespace {
WavPlayerManager& Manager() {
  return g_CorvaneEngineSession.m_wave;
}
}  // namespace

void WavPlayer_SetFormat(int sampleRate, int channels, int bits) {
  WavPlayerManager& m = Manager();
  m.sampleRate = sampleRate;
  m.channels = static_cast<short>(channels);
  m.bits = static_cast<short>(bits);
}

void WavPlayer_Open() {
  WavPlayerManager& m = Manager();
  std::lock_guard<std::mutex> lock(m.lock);
  if (m.state == WAVPLAYER_OPEN) return;
  m.state = WAVPLAYER_OPEN;
  if (m.current != nullptr) {
    m.current->Close();
    m.current->Free();
    delete m.current;
    m.current = nullptr;
  }
  const DWORD volume = kWavPlayerVolumeLevel | (kWavPlayerVolumeLevel << 16);
  m.current = new (std::nothrow) WavPlay(m.sampleRate, m.channels, m.bits, volume);
  if (m.current == nullptr) return;
  m.current->AllocChunks(kWavPlayerChunkSize, kWavPlayerChunkCount);
  m.current->Open();
}

void WavPlayer_Stop() {
  WavPlayerManager& m = Manager();
  std::lock_guard<std::mutex> lock(m.lock);
  if (m.state == WAVPLAYER_OPEN) m.state = WAVPLAYER_STOPPED;
}

int WavPlayer_Write(const BYTE*, int) {
  return 1;
}

int WavPlayer_GetState() {
  return Manager().state;
}

WavPlay* WavPlayer_GetCurrent() {
  return Manager().current;
}

void WavPlayer_Release() {
  WavPlayerManager& m = Manager();
  std::lock_guard<std::mutex> lock(m.lock);
  delete m.current;
  m.current = nullptr;
  m.state = WAVPLAYER_STOPPED;
  m.sampleRate = 0;
  m.channels = 0;
  m.bits = 0;
}
