// The whole stack in one process, for the end-to-end benchmarks: phonesim (CPhoneSim with its
// phone app) on an ephemeral port, and the engine program's part run the way corvane-engine runs
// it: a bare window, the USB backend over TCP to the phone, the kavlink driver loaded from the
// program's directory, CAppMainWndEngine with its sequencer and receive threads. Every picture
// drawn is observed through the video receiver's draw callback (the engine's own callback still
// runs after the observation). The allocation counter books the video receive thread and the
// link's USB reader thread (see AllocPart).
#pragma once

#include "bench/CBenchRoot.h"
#include "phonesim/CPhoneSim.h"
#include "platform/kernel/wcetypes.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class DibBmp;

class CBenchStack {
 public:
  // One picture that reached the surface: when (steady-clock microseconds) and which (the frame
  // number of the phone's test pattern read back from the surface).
  struct Shown {
    int64_t m_nTimeUs;
    uint32_t m_nFrame;
  };

  CBenchStack();
  ~CBenchStack();
  CBenchStack(const CBenchStack&) = delete;
  CBenchStack& operator=(const CBenchStack&) = delete;

  // Starts both sides and waits (up to timeoutMs) until pictures are shown and the phone is in
  // the foreground, so that touches go out. false with a reason otherwise.
  bool Start(const phonesim::SPhoneAppOptions& app, int timeoutMs, std::string* error);
  void Stop();

  phonesim::CPhoneSim& Phone() { return m_Phone; }
  HWND Window() const { return m_hWnd.load(); }
  // A phonesim record time in steady-clock microseconds.
  int64_t PhoneToSteadyUs(int64_t phoneUs) const { return phoneUs + m_nPhoneOffsetUs; }

  // Pictures shown since the last Clear (at most kMaxShown are kept; the count goes on).
  void ClearShown();
  std::vector<Shown> ShownPictures() const;
  uint64_t ShownCount() const { return s_nShown.load(); }

  // The last touch the window procedure handled: when its message was dispatched and when the
  // engine's handler (scaling and sending) returned, steady-clock microseconds.
  static int64_t LastTouchDispatchUs() { return s_nTouchDispatchUs.load(); }
  static int64_t LastTouchReturnUs() { return s_nTouchReturnUs.load(); }

  // The parts under which CAllocCounter books the stack's threads: the video receive thread (its
  // waits, read steps and decodes), the engine's draw callback on that thread (painting the
  // surface onto the window), the link's USB reader thread (its own code, the dispatch and the
  // ring) and what the reader allocates below ReadFile (the driver and the USB host stack), and
  // the benchmark's own thread. The reader is the one thread that reads "ADB1:": it is counted
  // from its first read after Start.
  enum AllocPart { kAllocVideo, kAllocPaint, kAllocReader, kAllocBelowRead, kAllocBench };

  // The frame number the phone's test pattern carries in its top band, read from bottom-up
  // 32-bit pixels of an 800 x 480 picture.
  static uint32_t ReadPatternFrame(const uint8_t* bits, int height, int stride);

  static constexpr size_t kMaxShown = 1 << 16;

 private:
  static void DrawObserver(DibBmp* surface);
  void EngineThread(std::string address);

  phonesim::CPhoneSim m_Phone;
  CBenchRoot m_Root;
  std::thread m_Engine;
  std::atomic<HWND> m_hWnd{nullptr};
  std::atomic<bool> m_bEngineUp{false};
  int64_t m_nPhoneOffsetUs = 0;

  // Written on the video receive thread without allocating: a fixed array and an index.
  static Shown s_shown[kMaxShown];
  static std::atomic<uint64_t> s_nShown;
  static std::atomic<uint64_t> s_nShownBase;
  static std::atomic<int64_t> s_nTouchDispatchUs;
  static std::atomic<int64_t> s_nTouchReturnUs;

  friend LRESULT BenchWndProc(HWND, UINT, WPARAM, LPARAM);
};
