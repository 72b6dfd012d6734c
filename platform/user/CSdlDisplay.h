// The desktop display: an SDL2 window of the screen's size on a thread of its own, which owns
// everything SDL (the window, its surface, the event pump). It presents when damage is reported,
// shows the framebuffer's presented rectangles, and turns the left mouse button, mouse motion and
// keys into input carrying the tick of the moment SDL saw the event.
#pragma once

#include "platform/user/DisplayDriver.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

struct SDL_Window;

class CSdlDisplay {
 public:
  static CSdlDisplay& GetInstance();
  static const DisplayDriver* Driver();

 private:
  CSdlDisplay() = default;
  static bool Open(int width, int height, int bitsPerPixel);
  static void Close();
  static void Damaged();
  static void Presented(const BITMAP& frame, const RECT* rects, size_t count);
  static bool Flush(DWORD ms);

  void Run(int width, int height);
  void Wake();
  void Show();

  std::mutex m_Lock;  // everything below but the thread's own SDL objects
  std::condition_variable m_Changed;
  std::thread m_Thread;
  SDL_Window* m_pWindow = nullptr;  // the display thread's alone
  bool m_bOpened = false;
  bool m_bOpenFailed = false;
  std::atomic<bool> m_bStop{false};
  std::atomic<bool> m_bWakePending{false};
  uint64_t m_nRequested = 0;  // flushes asked for
  uint64_t m_nShown = 0;      // flushes done
  // A copy of the presented pixels, since the framebuffer belongs to the display's lock.
  std::vector<uint8_t> m_Staging;
  int m_nStride = 0;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nBitsPerPixel = 0;
  bool m_bHasDirty = false;
  RECT m_rcDirty = {0, 0, 0, 0};
};
