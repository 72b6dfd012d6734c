// One open wave output of voice recognition: its format, 48 chunks (each a wave header followed by
// its audio data) and the free list the wave-out callback returns headers to. Voice-recognition
// audio is accepted and dropped, so nothing is ever written; the chunks are prepared so the
// output is ready the way the head unit's driver expects it.
#pragma once

#include "platform/audio/audio.h"
#include "platform/kernel/wcetypes.h"

#include <cstdint>
#include <list>
#include <mutex>

class WavPlay {
 public:
  static constexpr int kMaxChunks = 48;
  // Room for the wave header at the start of each chunk: 32 bytes on the 32-bit head units, the
  // header's own size rounded to 16 where pointers are wider.
  static constexpr int kHeaderRoom = (sizeof(WAVEHDR) + 15) & ~15;

  WavPlay(int sampleRate, int channels, int bits, DWORD volume);
  ~WavPlay();

  // size bytes each, at most 48 chunks; 0 when the memory could not be had.
  int AllocChunks(int size, int count);
  int Open();
  int Close();
  void Free();

  static void waveOutProc(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

  const WAVEFORMATEX& GetFormat() const { return m_Format; }
  HWAVEOUT GetHandle() const { return m_hWaveOut; }
  DWORD GetVolume() const { return m_dwVolume; }
  int GetFreeCount();
  int GetChunkCount() const { return m_nChunkCount; }
  int GetBlockSize() const { return m_nBlocksize; }
  WAVEHDR* GetChunkHeader(int i) const;

 private:
  WavPlay(const WavPlay&) = delete;
  WavPlay& operator=(const WavPlay&) = delete;
  void PutFree(WAVEHDR* hdr);

  WAVEFORMATEX m_Format;
  HWAVEOUT m_hWaveOut = nullptr;
  BYTE* m_aChunk[kMaxChunks] = {};
  std::mutex m_FreeLock;  // the callback runs on the audio system's thread
  std::list<WAVEHDR*> m_buf_free;
  int m_nFreeCount = 0;
  DWORD m_dwVolume;
  BYTE* m_pmem = nullptr;
  int m_nBlocksize = 0;
  int m_nTotalSize = 0;
  int m_nChunkCount = 0;
};

// Set while a WavPlay exists (construction to Free).
bool IsWavPlayerExisting();
