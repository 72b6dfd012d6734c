// The floor of the touch figure: the touch road's hand-offs and socket writes done bare, with
// nothing of the system on the way. The calling thread posts (the mouse message) and wakes a
// second thread (the window's message loop), which wakes a third (the link's writer); that one
// writes a 24-byte header and then the payload, two writes on a loopback TCP connection, as the
// writer sends a packet; a fourth thread (the phone's connection) wakes in poll and reads both.
// A wake-up is a mutex and a condition variable, what the platform layer builds its events on.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CBareTouchRoad {
 public:
  explicit CBareTouchRoad(size_t payload);
  ~CBareTouchRoad();
  CBareTouchRoad(const CBareTouchRoad&) = delete;
  CBareTouchRoad& operator=(const CBareTouchRoad&) = delete;

  // Connects the loopback pair and starts the three threads; false with a reason otherwise.
  bool Start(std::string* error);
  // One pass: microseconds from the post until the last payload byte was read, or a negative
  // number when it did not arrive within a second; *toWindowUs (may be NULL) the part until the
  // second thread woke.
  double Pass(double* toWindowUs = nullptr);
  void Stop();

 private:
  // An auto-reset event of the cheapest kind; a wait ends when it is set or the road stops.
  class Event {
   public:
    void Set();
    // False when the road stopped.
    bool Wait(const std::atomic<bool>& stop);
    void Wake();

   private:
    std::mutex m_Lock;
    std::condition_variable m_Cv;
    bool m_bSet = false;
  };

  void WindowThread();
  void WriterThread();
  void PhoneThread();

  size_t m_nPayload;
  int m_nWriteFd = -1;
  int m_nReadFd = -1;
  std::atomic<bool> m_bStop{false};
  Event m_Post;
  Event m_Queued;
  std::mutex m_DoneLock;
  std::condition_variable m_DoneCv;
  uint64_t m_nDone = 0;                 // passes read by the phone thread, under m_doneLock
  int64_t m_nReadNs = 0;                // when the last one was, under m_doneLock
  std::atomic<int64_t> m_nWindowNs{0};  // when the second thread last woke
  std::vector<uint8_t> m_Packet;
  std::thread m_Window;
  std::thread m_Writer;
  std::thread m_Phone;
};
