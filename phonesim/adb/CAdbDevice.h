#pragma once
// The phone's ADB daemon on one host connection: checks every host packet,
// answers CNXN (with AUTH when it is on), runs streams with per-stream flow
// control, hands them to the shell, sync and tcp services, and fires the
// step-bound faults.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "phonesim/adb/CAdbPacket.h"
#include "phonesim/adb/CAdbStreamLink.h"

namespace phonesim {

class CAdbAuth;
class CEndpointRegistry;
class CFaultPlan;
class CPhoneFs;
class CShellScript;
class CSimConnection;
class CSimRecord;
class CSimService;

constexpr uint32_t PHONESIM_DEFAULT_MAX_PAYLOAD = 256 * 1024;
// Larger announced lengths are not read at all: the stream cannot be
// trusted any more and the connection is dropped.
constexpr uint32_t PHONESIM_HARD_PAYLOAD_CAP = 1024 * 1024;

struct SDeviceConfig {
  bool auth = false;        // send AUTH tokens and require a trusted key
  bool accept_keys = true;  // with auth: trust an offered public key (else stay silent)
  uint32_t max_payload = PHONESIM_DEFAULT_MAX_PAYLOAD;
  std::string banner;  // CNXN payload, "device::..."
};

// What outlives one connection; owned by the simulator.
struct SPhoneContext {
  CSimRecord* record = nullptr;
  CFaultPlan* faults = nullptr;
  CAdbAuth* auth = nullptr;
  CShellScript* shell = nullptr;
  CPhoneFs* fs = nullptr;
  CEndpointRegistry* endpoints = nullptr;
  std::atomic<uint32_t>* next_id = nullptr;  // device stream ids, never reused
  std::atomic<uint32_t>* last_closed_host_id = nullptr;
  SDeviceConfig config;
};

class CAdbDevice {
 public:
  CAdbDevice(std::unique_ptr<CSimConnection> conn, const SPhoneContext& ctx);
  ~CAdbDevice();
  CAdbDevice(const CAdbDevice&) = delete;
  CAdbDevice& operator=(const CAdbDevice&) = delete;

  // Serves the connection until it ends or *stop is set.
  void Run(const std::atomic<bool>& stop);
  // Pulls the cable from any thread.
  void Drop(const char* reason);
  bool Online() const { return m_online.load(); }
  const char* DropReason() const;

  // Stream side, called through CAdbStreamLink with the core lock held.
  bool StreamWrite(uint32_t id, const uint8_t* data, size_t len);
  void StreamClose(uint32_t id);
  bool StreamOpen(uint32_t id) const;
  size_t StreamQueued(uint32_t id) const;
  void After(int ms, std::function<void()> fn);
  bool Step(const std::string& step, uint32_t stream_id);

 private:
  struct SStream {
    uint32_t device_id = 0;
    uint32_t host_id = 0;
    std::string service;
    std::unique_ptr<CSimService> service_obj;
    std::deque<std::vector<uint8_t>> out;
    bool waiting_okay = false;
    size_t queued = 0;    // bytes written by the service and not yet acknowledged
    size_t inflight = 0;  // bytes of the WRTE that waits for its OKAY
    bool close_pending = false;
  };
  struct STimer {
    std::chrono::steady_clock::time_point due;
    std::function<void()> fn;
  };

  bool ReadPacket(CAdbPacket* p);  // false: connection ended
  bool CheckPacket(const CAdbPacket& p);
  void Handle(const CAdbPacket& p);
  void HandleCnxn(const CAdbPacket& p);
  void HandleAuth(const CAdbPacket& p);
  void HandleOpen(const CAdbPacket& p);
  void HandleOkay(const CAdbPacket& p);
  void HandleWrte(const CAdbPacket& p);
  void HandleClse(const CAdbPacket& p);
  void SendConnect();
  void SendToken();
  bool Send(const CAdbPacket& p);
  void Pump(SStream& s);
  void Forget(uint32_t id, bool tell_service);
  SStream* Find(uint32_t id);
  void RunDueTimers();
  int MsToNextTimer() const;
  uint32_t MaxSend() const;
  uint32_t MaxRecv() const;
  void InjectFault(int kind, uint32_t stream_id, uint64_t arg);

  std::unique_ptr<CSimConnection> m_conn;
  SPhoneContext m_ctx;
  std::shared_ptr<SDeviceCore> m_core;
  std::map<uint32_t, SStream> m_streams;
  std::vector<STimer> m_timers;
  std::atomic<bool> m_online{false};
  bool m_got_cnxn = false;
  uint32_t m_host_version = 0;
  uint32_t m_host_max = 0;
  std::vector<uint8_t> m_token;
};

}  // namespace phonesim
