// The voice-recognition receiver of channel 4: a start opens the wave output for the announced
// format, data is handed to the player (which drops it), a stop marks the player stopped; start
// and stop are broadcast as the voice state when the configuration asks for notifications.
#pragma once

#include "engine/CPackageReader.h"
#include "engine/CThreadRequest.h"

#include <cstdint>

class CorvaneVRecord {
 public:
  static constexpr uint32_t kInitialSize = 10240;
  static constexpr uint32_t kMaxRevLen = 51200;

  static CorvaneVRecord* GetInstance();
  static void DestroyInstance();

  int receivePackageData();
  void Reset();
  // Any thread: the receive thread resets the receiver at the start of its next read step.
  void RequestReset() { m_ResetRequest.Post(); }
  // The dispatcher for the package in the buffers.
  void ProcessPackage();
  // Sets the package the dispatcher sees (tests and fuzzing).
  bool SetPackage(uint32_t type, const uint8_t* payload, uint32_t length);

  uint32_t GetMaxRevLen() const { return m_Reader.Capacity(); }
  bool IsDataRetry() const { return m_bDataRetry; }

 private:
  CorvaneVRecord();

  CPackageReader m_Reader;
  CThreadRequest m_ResetRequest;
  bool m_bDataRetry = false;
};
