// The media-audio receiver of channel 2: keeps the announced format (CorvaneMusicInit) and reads
// every other media package whole and drops it. A header outside the media family means the
// framing is lost: the receiver scans forward to the next package boundary.
#pragma once

#include "engine/CPackageReader.h"

#include <cstdint>

class CorvaneMedia {
 public:
  static constexpr uint32_t kInitialSize = 32768;
  static constexpr uint32_t kMaxRevLen = 51200;
  // A resynchronisation candidate's length must lie in this range.
  static constexpr uint32_t kMinResyncLength = 100;
  static constexpr uint32_t kMaxResyncLength = 7000;
  static constexpr uint32_t kResyncWindow = 256;

  static CorvaneMedia* GetInstance();
  static void DestroyInstance();

  int receivePackageData();
  // Also clears the announced format.
  void Reset();
  void CorrectChnlData();

  int GetSampleRate() const { return m_nSampleRate; }
  int GetChannels() const { return m_nChannels; }
  int GetBits() const { return m_nBits; }
  uint32_t GetMaxRevLen() const { return m_Reader.Capacity(); }

 private:
  CorvaneMedia();

  CPackageReader m_Reader;
  int m_nSampleRate = 0;
  int m_nChannels = 0;
  int m_nBits = 0;
};
