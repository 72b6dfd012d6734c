// The command receiver of channel 0 and its dispatcher: one read step at a time from the command
// receive thread; phone commands become state (video size, frame rate, progress marks), posted
// registered messages and broadcasts, and for the feature query an immediate reply.
#pragma once

#include "engine/CPackageReader.h"
#include "engine/CThreadRequest.h"
#include "platform/kernel/wcetypes.h"

#include <atomic>
#include <cstdint>

// The engine session's phone part: the phone's reported size and rates.
struct CorvanePhoneReport {
  // g_nVideoWidth, g_nVideoHeight: the phone's video size, the screen's until the phone's encoder
  // reports its own. Written by the command thread only; the video thread (decode), the UI
  // thread (touch scaling) and the sequencer read them, so each word is atomic.
  std::atomic<int> m_nVideoWidth{0};
  std::atomic<int> m_nVideoHeight{0};
  // g_nPhoneFrameRate: the frame rate the phone last reported (0 until it did); written by the
  // command thread, read by the video and UI threads.
  std::atomic<int> m_nPhoneFrameRate{0};
  // g_nRequestFrameRate: the frame rate the encoder settings ask for, 10 until
  // SetFrameRateByPlatform chose another. Written once by the UI thread before the sequencer
  // starts; the sequencer reads it.
  int m_nRequestFrameRate = 10;
};

// Start-up (and tests): the video size back to the screen's size, the reported rate to 0.
void ResetPhoneVideoState();

class CorvaneCommand {
 public:
  static constexpr uint32_t kInitialSize = 2048;
  static constexpr uint32_t kMaxRevLen = 51200;

  static CorvaneCommand* GetInstance();
  static void DestroyInstance();

  // Back to waiting for a header (a new connection starts at one: nothing is left to skip).
  void Reset();
  // Any thread: the receive thread resets the receiver at the start of its next read step.
  void RequestReset() { m_ResetRequest.Post(); }
  // 1 when a package was handled, 0 when nothing complete was there.
  int receivePackageData();
  // The dispatcher for the package in the buffers (also the fuzz target's entry).
  void ProcessPackage();
  // Sets the package the dispatcher sees (tests and fuzzing; the read step fills it itself).
  bool SetPackage(uint32_t type, const uint8_t* payload, uint32_t length);

  void SetTargetWindow(HWND hwnd) { m_hTargetWnd = hwnd; }
  HWND GetTargetWindow() const { return m_hTargetWnd; }
  uint32_t GetMaxRevLen() const { return m_Reader.Capacity(); }

 private:
  CorvaneCommand();
  void Post(UINT msg, WPARAM wParam, LPARAM lParam);

  HWND m_hTargetWnd;
  CPackageReader m_Reader;
  CThreadRequest m_ResetRequest;
};

void SendFeatureConfigList();
