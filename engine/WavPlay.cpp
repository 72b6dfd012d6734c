#include "engine/WavPlay.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/EngineLog.h"
#include "platform/kernel/kernel.h"

#include <atomic>
#include <cstring>
#include <new>

namespace {
std::atomic<bool>& PlayerExists() {
  return g_CorvaneEngineSession.m_Wave.m_bPlayerExists;
}
}  // namespace

bool IsWavPlayerExisting() {
  return PlayerExists();
}

WavPlay::WavPlay(int sampleRate, int channels, int bits, DWORD volume) : m_dwVolume(volume) {
  std::memset(&m_Format, 0, sizeof(m_Format));
  m_Format.wFormatTag = WAVE_FORMAT_PCM;
  m_Format.nChannels = static_cast<WORD>(channels);
  m_Format.nSamplesPerSec = static_cast<DWORD>(sampleRate);
  m_Format.nBlockAlign = static_cast<WORD>(bits / 8 * channels);
  m_Format.nAvgBytesPerSec = m_Format.nBlockAlign * m_Format.nSamplesPerSec;
  m_Format.wBitsPerSample = static_cast<WORD>(bits);
  m_Format.cbSize = 0;
  PlayerExists() = true;
}

WavPlay::~WavPlay() {
  Free();
}

int WavPlay::AllocChunks(int size, int count) {
  if (count > kMaxChunks) count = kMaxChunks;
  if (size <= kHeaderRoom || count <= 0) return 0;
  delete[] m_pmem;
  // Each chunk starts with its header, so chunks lie a header's alignment apart whatever the size
  // asked for: a header at an odd address faults on the head unit's processor.
  const size_t stride = (static_cast<size_t>(size) + alignof(WAVEHDR) - 1) & ~(alignof(WAVEHDR) - 1);
  m_pmem = new (std::nothrow) BYTE[stride * count];
  if (m_pmem == nullptr) return 0;
  std::memset(m_pmem, 0, stride * count);
  m_nBlocksize = size;
  m_nChunkCount = count;
  m_nTotalSize = size * count;
  for (int i = 0; i < count; ++i) m_aChunk[i] = m_pmem + static_cast<size_t>(i) * stride;
  return 1;
}

WAVEHDR* WavPlay::GetChunkHeader(int i) const {
  if (i < 0 || i >= m_nChunkCount || m_aChunk[i] == nullptr) return nullptr;
  return reinterpret_cast<WAVEHDR*>(m_aChunk[i]);
}

void WavPlay::PutFree(WAVEHDR* hdr) {
  std::lock_guard<std::mutex> lock(m_FreeLock);
  m_buf_free.push_back(hdr);
  ++m_nFreeCount;
}

int WavPlay::GetFreeCount() {
  std::lock_guard<std::mutex> lock(m_FreeLock);
  return m_nFreeCount;
}

int WavPlay::Open() {
  if (m_hWaveOut != nullptr) return 1;
  if (m_nChunkCount == 0 || m_nBlocksize == 0 || m_pmem == nullptr) {
    EngineLog(" WavPlay::  m_nChunkCount = %d   m_nBlocksize=%d   m_pmem=0X%x\n", m_nChunkCount, m_nBlocksize,
              LogHex(m_pmem));
    return 0;
  }
  HWAVEOUT hwo = nullptr;
  if (waveOutOpen(&hwo, WAVE_MAPPER, &m_Format, reinterpret_cast<DWORD_PTR>(&WavPlay::waveOutProc),
                  reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
    return 0;
  m_hWaveOut = hwo;
  for (int i = 0; i < m_nChunkCount; ++i) {
    WAVEHDR* hdr = reinterpret_cast<WAVEHDR*>(m_aChunk[i]);
    hdr->lpData = reinterpret_cast<LPSTR>(m_aChunk[i] + kHeaderRoom);
    hdr->dwBufferLength = static_cast<DWORD>(m_nBlocksize - kHeaderRoom);
    hdr->dwFlags = 0;
    waveOutPrepareHeader(m_hWaveOut, hdr, sizeof(WAVEHDR));
    PutFree(hdr);
  }
  waveOutSetVolume(m_hWaveOut, m_dwVolume);
  return 1;
}

void WavPlay::waveOutProc(HWAVEOUT, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  if (msg == WOM_OPEN) {
    EngineLog("uMsg = WOM_OPEN\n");
  } else if (msg == WOM_DONE) {
    if (!PlayerExists()) {
      EngineLog("####### waveOutProc  cannot be here (0X%x) \n", static_cast<unsigned>(param1));
      return;
    }
    reinterpret_cast<WavPlay*>(instance)->PutFree(reinterpret_cast<WAVEHDR*>(param1));
  } else if (msg == WOM_CLOSE) {
    EngineLog("uMsg = WOM_CLOSE\n");
  }
}

int WavPlay::Close() {
  if (m_hWaveOut == nullptr) return 1;
  waveOutReset(m_hWaveOut);
  int freeCount = GetFreeCount();
  {
    std::lock_guard<std::mutex> lock(m_FreeLock);
    EngineLog(" Wav::  m_buf_free.size() = %d   m_nFreeCount=%d \n", static_cast<int>(m_buf_free.size()),
              m_nFreeCount);
  }
  if (freeCount < m_nChunkCount) Sleep(80);
  {
    std::lock_guard<std::mutex> lock(m_FreeLock);
    m_buf_free.clear();
    m_nFreeCount = 0;
  }
  for (int i = 0; i < m_nChunkCount; ++i)
    waveOutUnprepareHeader(m_hWaveOut, reinterpret_cast<WAVEHDR*>(m_aChunk[i]), sizeof(WAVEHDR));
  waveOutClose(m_hWaveOut);
  m_hWaveOut = nullptr;
  return 1;
}

void WavPlay::Free() {
  Close();
  for (int i = 0; i < kMaxChunks; ++i) m_aChunk[i] = nullptr;
  delete[] m_pmem;
  m_pmem = nullptr;
  m_nChunkCount = 0;
  m_nBlocksize = 0;
  m_nTotalSize = 0;
  PlayerExists() = false;
  std::lock_guard<std::mutex> lock(m_FreeLock);
  m_buf_free.clear();
  m_nFreeCount = 0;
}
