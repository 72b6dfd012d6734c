// The real program for the end-to-end benchmarks: CECorvane as a child process with its files in a
// directory of its own, at the screen size asked for, against phonesim in this process (its records
// time what the phone sent). The program marks the moment each picture is on its window's pixels
// into a moment log this side reads; its CPU time and resident memory are read from /proc.
#pragma once

#include "bench/CBenchRoot.h"
#include "phonesim/CPhoneSim.h"
#include "platform/kernel/CMomentLog.h"
#include "tests/app/EngineE2E.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <thread>

class CBenchProgram {
 public:
  CBenchProgram() = default;
  ~CBenchProgram();
  CBenchProgram(const CBenchProgram&) = delete;
  CBenchProgram& operator=(const CBenchProgram&) = delete;

  // Starts both sides and waits (up to timeoutMs) until the program has shown pictures. false
  // with a reason otherwise (the program's log is kept then, its path in the reason).
  bool Start(int width, int height, const phonesim::SPhoneAppOptions& app, int timeoutMs, std::string* error);
  // Quits the program (killed when it does not end in time), stops the phone.
  void Stop();

  phonesim::CPhoneSim& Phone() { return m_Phone; }
  const CMomentLog& Shown() const { return m_Shown; }
  // A phonesim record time in monotonic-clock microseconds.
  int64_t PhoneToSteadyUs(int64_t phoneUs) const { return phoneUs + m_nPhoneOffsetUs; }

  // The program's user and system CPU time so far, all its threads, in seconds; -1 when unknown.
  double CpuSeconds() const;
  // The same for each of its threads that runs now, by thread id.
  std::map<int, double> ThreadCpuSeconds() const;
  // A line of /proc/PID/status in kB ("VmRSS", "VmHWM"); -1 when unknown.
  double StatusKb(const std::string& field) const;

 private:
  void DrainOutput();
  // User and system CPU time of a /proc stat file; -1 when it cannot be read.
  static double StatCpuSeconds(const std::string& path);

  phonesim::CPhoneSim m_Phone;
  e2e::Child m_Program;
  CMomentLog m_Shown;
  CBenchRoot m_Root;
  int64_t m_nPhoneOffsetUs = 0;
  // The program's output is read all along: a full pipe would stop its console.
  std::thread m_Drain;
  std::atomic<bool> m_bDraining{false};
};
