// The navigation-voice (TTS) receiver of channel 3: keeps the announced format (CorvaneTTSInit)
// and reads PCM and other TTS packages whole and drops them.
#pragma once

#include "engine/CPackageReader.h"
#include "engine/CThreadRequest.h"

#include <atomic>
#include <cstdint>

class CorvaneTts {
 public:
  static constexpr uint32_t kInitialSize = 16384;
  static constexpr uint32_t kMaxRevLen = 51200;

  static CorvaneTts* GetInstance();
  static void DestroyInstance();

  int receivePackageData();
  void Reset();
  // Any thread: the receive thread resets the receiver at the start of its next read step.
  void RequestReset() { m_ResetRequest.Post(); }

  int GetSampleRate() const { return m_nSampleRate; }
  int GetChannels() const { return m_nChannels; }
  int GetBits() const { return m_nBits; }
  uint32_t GetMaxRevLen() const { return m_Reader.Capacity(); }

 private:
  CorvaneTts();

  CPackageReader m_Reader;
  CThreadRequest m_ResetRequest;
  bool m_bSecondFlag = false;
  int m_nSampleRate = 16000;
  int m_nChannels = 1;
  int m_nBits = 16;
};
