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
  bool m_bAuth = false;       // send AUTH tokens and require a trusted key
  bool m_bAcceptKeys = true;  // with auth: trust an offered public key (else stay silent)
  uint32_t m_nMaxPayload = PHONESIM_DEFAULT_MAX_PAYLOAD;
  std::string m_strBanner;  // CNXN payload, "device::..."
};

// What outlives one connection; owned by the simulator.
struct SPhoneContext {
  CSimRecord* m_pRecord = nullptr;
  CFaultPlan* m_pFaults = nullptr;
  CAdbAuth* m_pAuth = nullptr;
  CShellScript* m_pShell = nullptr;
  CPhoneFs* m_pFs = nullptr;
  CEndpointRegistry* m_pEndpoints = nullptr;
  std::atomic<uint32_t>* m_pNextId = nullptr;  // device stream ids, never reused
  std::atomic<uint32_t>* m_pLastClosedHostId = nullptr;
  SDeviceConfig m_Config;
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
  bool Online() const { return m_bOnline.load(); }
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
    uint32_t m_nDeviceId = 0;
    uint32_t m_nHostId = 0;
    std::string m_strService;
    std::unique_ptr<CSimService> m_pServiceObj;
    std::deque<std::vector<uint8_t>> m_Out;
    bool m_bWaitingOkay = false;
    size_t m_nQueued = 0;    // bytes written by the service and not yet acknowledged
    size_t m_nInflight = 0;  // bytes of the WRTE that waits for its OKAY
    bool m_bClosePending = false;
  };
  struct STimer {
    std::chrono::steady_clock::time_point m_Due;
    std::function<void()> m_fnCall;
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

  std::unique_ptr<CSimConnection> m_pConn;
  SPhoneContext m_Ctx;
  std::shared_ptr<SDeviceCore> m_pCore;
  std::map<uint32_t, SStream> m_Streams;
  std::vector<STimer> m_Timers;
  std::atomic<bool> m_bOnline{false};
  bool m_bGotCnxn = false;
  uint32_t m_nHostVersion = 0;
  uint32_t m_nHostMax = 0;
  std::vector<uint8_t> m_Token;
  uint32_t m_nHighestHostId = 0;  // of every OPEN so far: a higher one was never opened
  // After a packet that announced more bytes than followed it, whatever the phone sent would be
  // read as the rest of that packet: the phone says nothing more on this connection.
  bool m_bMuted = false;
};

}  // namespace phonesim
