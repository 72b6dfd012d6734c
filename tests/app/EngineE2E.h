#pragma once
// The fixture of the end-to-end tests: corvane-engine and phonesim as child programs, the engine's
// standard output and the phone's record log as the truth.
#include "tests/support/Child.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

using Clock = std::chrono::steady_clock;

// One package the head unit sent on a projection channel, as the phone's app decoded it
// ("app rx chC TYPE len N FIELDS").
struct SAppRx {
  int64_t m_nUs = 0;
  int m_nChannel = -1;
  uint32_t m_nType = 0;
  uint32_t m_nLength = 0;
  std::string m_strFields;         // the decoded fields as text, empty when the package has none
  std::vector<uint8_t> m_Payload;  // the exact payload bytes (the log cuts them after 1024)
  bool m_bTruncated = false;
  bool m_bHasBytes = false;  // the payload line was found
};

// One package the phone's app sent besides pictures and heartbeats ("app tx chC TYPE len N ...").
struct SAppTx {
  int64_t m_nUs = 0;
  int m_nChannel = -1;
  uint32_t m_nType = 0;
  uint32_t m_nLength = 0;
};

// One picture the phone sent ("app picture N size S WxH").
struct SPicture {
  int64_t m_nUs = 0;
  uint32_t m_nFrame = 0;
  uint32_t m_nSize = 0;
  int m_nWidth = 0;
  int m_nHeight = 0;
};

struct SShell {
  int64_t m_nUs = 0;
  std::string m_strCommand;
};

// One ADB packet either way; the log keeps only the start of the payload.
struct SPacket {
  int64_t m_nUs = 0;
  bool m_bFromHost = false;
  std::string m_strCommand;  // "CNXN", "OPEN", "OKAY", "WRTE", "CLSE", "AUTH", ...
  uint32_t m_nArg0 = 0;
  uint32_t m_nArg1 = 0;
  uint32_t m_nLength = 0;
  std::vector<uint8_t> m_Payload;  // the logged start
  bool m_bTruncated = false;       // the payload was longer than what was logged
};

struct SStreamOpen {
  int64_t m_nUs = 0;
  uint32_t m_nDeviceId = 0;
  uint32_t m_nHostId = 0;
  std::string m_strService;
};

struct SEvent {
  int64_t m_nUs = 0;
  std::string m_strText;  // after "EVENT "
};

// phonesim.log parsed; every list in log order.
struct SPhoneLog {
  std::vector<SAppRx> m_Rx;
  std::vector<SAppTx> m_Tx;
  std::vector<SPicture> m_Pictures;
  std::vector<SShell> m_Shell;
  std::vector<SPacket> m_Packets;
  std::vector<SStreamOpen> m_Opens;
  std::vector<SEvent> m_Events;
  std::vector<std::string> m_Violations;
  std::vector<std::string> m_Lines;  // every line as written

  // The packages received with this type (on any channel when channel < 0).
  std::vector<SAppRx> Rx(uint32_t type, int channel = -1) const;
  size_t CountEvent(const std::string& prefix) const;
  bool HasEvent(const std::string& prefix) const { return CountEvent(prefix) > 0; }
};

SPhoneLog ParsePhoneLog(const std::filesystem::path& path);
// A command header as the head unit writes it: length (2 bytes, big-endian), 2 reserved zero
// bytes, type (4 bytes, big-endian).
std::vector<uint8_t> CmdHeader(uint32_t type, size_t length);
// Whether the head unit wrote exactly these bytes as one WRTE on the newest stream to `service`.
bool WroteOnce(const SPhoneLog& log, const std::string& service, const std::vector<uint8_t>& bytes);
constexpr uint32_t kVideoPicture = 0x00020001;
constexpr uint32_t kVideoHeartbeat = 0x00020002;

// One package the phone wrote on the newest video stream.
struct SVideoPackage {
  int64_t m_nUs = 0;  // its first WRTE
  uint32_t m_nType = 0;
  uint32_t m_nLength = 0;
  bool m_bInRing = false;  // the host answered its last WRTE
};

// The packages on the newest video stream, in order. The host answers a WRTE with OKAY only after
// it copied the payload into the channel's ring buffer, so an answered package is in the ring.
std::vector<SVideoPackage> VideoPackages(const SPhoneLog& log);
// Whether every byte of the phone's picture `frame` is in the head unit's video ring buffer.
bool PictureInRing(const SPhoneLog& log, uint32_t frame);
std::string ReadText(const std::filesystem::path& path);
// How often `what` occurs in `text`.
size_t Occurrences(const std::string& text, const std::string& what);
// Undoes the log's payload escaping (\xNN, a trailing "..." marks a cut).
std::vector<uint8_t> UnescapeBytes(const std::string& text, bool* truncated);

int MsLeft(Clock::time_point end);

// The configuration in the program's directory with the customer notify switch on: other
// programs' requests (pause, hard keys, module control, OK) act.
void WriteNotifyConfig(const std::filesystem::path& dir);

constexpr int kQuitMs = 3000;
// What a loaded machine may add to an upper bound of the system's own.
constexpr int kLoadSlackMs = 3000;

// The fixture. Each test gets a fresh root under /tmp with the engine's --dir (helper stand-ins
// included), the phone's state directory and every child's standard error (Child checks it); at
// the end the engine is killed and the phone stopped in order.
class EngineE2E : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts phonesim on a free port with the extra options; fatal on failure (use ASSERT_NO_FATAL_FAILURE).
  // By default the phone is at Android level 25 (no first helper needed).
  void StartPhone(const std::vector<std::string>& options = {}, bool defaultSdk = true);
  // Stops the phone (SIGTERM, then SIGKILL) and keeps its state directory and port for a restart;
  // it must end in order, with status 0. The teardown stops a phone that still runs the same way.
  void StopPhone();
  virtual void StartEngine(const std::vector<std::string>& options = {});

  // Reads the engine's lines until one equals `wanted` (or was already read); every line is kept.
  bool ReadUntil(const std::string& wanted, int ms) { return ReadUntilCount(wanted, 1, ms); }
  // Reads until `count` lines equal `wanted`, counting those already read.
  bool ReadUntilCount(const std::string& wanted, size_t count, int ms);
  // Reads for ms milliseconds (or until the output ends), keeping every line.
  void ReadFor(int ms);
  // Keeps the lines the engine has written so far, without waiting for more.
  void ReadAvailable();
  // Posts a registered message of the test's own to the main window and reads until the window
  // got it: every message posted to the window before it has been handled and written.
  bool Ping(int ms = 10000);
  // The engine's "hold video": true once its video receive thread is parked.
  bool HoldVideo(int ms = 30000);
  bool ReleaseVideo();
  // The engine's clock commands: "clock hold", "clock move MS", "clock run"; true once answered.
  bool HoldClock();
  bool MoveClock(uint32_t ms);
  bool RunClock();
  bool Seen(const std::string& line) const;
  size_t Count(const std::string& line) const;
  // The lines read so far that start with `prefix`, in order.
  std::vector<std::string> LinesStartingWith(const std::string& prefix) const;

  // The engine's log: its standard error, kept in m_engineErr when that was set before StartEngine.
  std::string EngineLog() const { return ReadText(m_EngineErr); }
  // Reads the engine's output while waiting until its log holds `text` `count` times.
  bool WaitForEngineLog(const std::string& text, size_t count, int ms);
  // The program's own tick (m_logTicks) of its first log line that holds `text`; false without one.
  bool LogTick(const std::string& text, uint32_t* tick) const;

  // The phone's log now; WaitForLog polls it until `done` holds or ms passed.
  SPhoneLog Log() const;
  bool WaitForLog(const std::function<bool(const SPhoneLog&)>& done, int ms, SPhoneLog* last = nullptr) const;
  bool WaitForLogText(const std::string& text, int ms) const;

  // Starts both and waits for progress 100 and the first shown picture.
  void Connect(const std::vector<std::string>& phoneOptions = {},
               const std::vector<std::string>& engineOptions = {});
  // "quit" on the engine's input; the exit status or -1 after ms. The engine ends within 3 s of
  // it; the wait allows as much again for a loaded machine.
  int Quit(int ms = kQuitMs + kLoadSlackMs);

  std::filesystem::path m_Root, m_Dir, m_State;
  // The head unit's program that StartEngine runs with the engine's options.
  std::string m_strProgram = ENGINE_PATH;
  // Set before StartEngine: the engine's standard error (its log, sanitizer reports) goes to this file.
  std::filesystem::path m_EngineErr;
  // Set before StartEngine: every log line starts with the program's tick (CORVANE_LOG_TICKS), so
  // that a test times the program's own steps by its clock instead of by when the lines were read.
  bool m_bLogTicks = false;
  int m_nPort = 0;
  Child m_Phone;
  Child m_Engine;
  std::vector<std::string> m_Lines;
  int m_nPings = 0;

 private:
  bool ClockCommand(const std::string& command, const std::string& answer);
};

}  // namespace e2e
