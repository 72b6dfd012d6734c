// The manager of voice recognition's wave output: a VR start opens a WavPlay for the announced
// format (unless one is open already), a VR stop only marks it stopped; the device stays open
// until the next start replaces it. Audio handed to it is accepted and dropped.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <atomic>
#include <mutex>

class WavPlay;

enum WavPlayerState { WAVPLAYER_STOPPED = 0, WAVPLAYER_OPEN = 2 };

// The fixed volume of voice recognition, both channels: 12287 + 12 * 53248 / 40.
const DWORD kWavPlayerVolumeLevel = 12287 + (12 * 53248) / 40;
const int kWavPlayerChunkSize = 6272;
const int kWavPlayerChunkCount = 48;

// The engine session's wave part. The voice thread opens, stops and sets the format under lock
// (the format itself only on the voice thread); the wave-out callback on the audio system's
// thread reads m_bPlayerExists, which the voice thread writes when a player is made or freed.
struct WavPlayerManager {
  WavPlay* m_pCurrent = nullptr;
  int m_nState = WAVPLAYER_STOPPED;
  int m_nSampleRate = 0;
  short m_nChannels = 0;
  short m_nBits = 0;
  std::mutex m_Lock;
  std::atomic<bool> m_bPlayerExists{false};
};

void WavPlayer_SetFormat(int sampleRate, int channels, int bits);
void WavPlayer_Open();
void WavPlayer_Stop();
// Accepts any block: 1.
int WavPlayer_Write(const BYTE* data, int length);

int WavPlayer_GetState();
// The current output (tests).
WavPlay* WavPlayer_GetCurrent();
// Tests only: the current output closed and freed, state stopped, format cleared.
void WavPlayer_Release();
