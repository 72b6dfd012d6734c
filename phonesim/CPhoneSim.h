#pragma once
// The simulated phone: an Android phone's ADB daemon on a TCP port (ADB over
// TCP: the USB packets as a byte stream). One host connection at a time; a
// new connection after a drop is a re-plug. Every method is thread-safe.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "phonesim/adb/CAdbAuth.h"
#include "phonesim/adb/CAdbDevice.h"
#include "phonesim/app/CPhoneApp.h"
#include "phonesim/record/CSimRecord.h"
#include "phonesim/scenario/CFaultPlan.h"
#include "phonesim/services/CEndpointRegistry.h"
#include "phonesim/services/CPhoneFs.h"
#include "phonesim/services/CShellScript.h"

namespace phonesim {

constexpr char PHONESIM_DEFAULT_ADDRESS[] = "127.0.0.1";
constexpr uint16_t PHONESIM_DEFAULT_PORT = 6555;

struct SPhoneSimOptions {
  std::string m_strAddress = PHONESIM_DEFAULT_ADDRESS;
  uint16_t m_nPort = 0;       // 0: ephemeral (see Port())
  std::string m_strStateDir;  // empty: a fresh temporary directory
  bool m_bAuth = false;
  bool m_bAcceptKeys = true;
  std::vector<std::string> m_TrustFiles;  // public-key files trusted from the start
  uint32_t m_nMaxPayload = PHONESIM_DEFAULT_MAX_PAYLOAD;
  std::vector<std::string> m_Faults;
  SPhoneAppOptions m_App;  // the phone app on the six projection ports
};

class CPhoneSim {
 public:
  CPhoneSim();
  ~CPhoneSim();
  CPhoneSim(const CPhoneSim&) = delete;
  CPhoneSim& operator=(const CPhoneSim&) = delete;

  bool Start(const SPhoneSimOptions& options, std::string* error = nullptr);
  void Stop();
  uint16_t Port() const { return m_nPort.load(); }
  std::string StateDir() const;
  std::string LogPath() const;

  // Scripting and state: the shell's answers, the phone's ports, its files.
  CShellScript& Shell() { return m_Shell; }
  CEndpointRegistry& Endpoints() { return m_Endpoints; }
  CPhoneFs& Fs() { return m_Fs; }
  CAdbAuth& Auth() { return m_Auth; }
  // The phone app: started by "am start", serves the projection channels.
  CPhoneApp& App() { return m_App; }

  // Faults (see CFaultPlan for the text form).
  bool AddFault(const std::string& rule, std::string* error = nullptr);
  void ClearFaults();
  // Pulls the cable now; the simulator keeps listening for the re-plug.
  void Unplug();

  bool Online() const;  // a host connection has completed CNXN
  bool WaitOnline(int timeout_ms) const;
  int Connections() const { return m_nConnections.load(); }

  CSimRecord& Record() { return m_Record; }

 private:
  void AcceptLoop();
  std::string Banner() const;

  SPhoneSimOptions m_Options;
  CSimRecord m_Record;
  CFaultPlan m_Faults;
  CAdbAuth m_Auth;
  CShellScript m_Shell;
  CPhoneFs m_Fs;
  CEndpointRegistry m_Endpoints;
  CPhoneApp m_App;  // after what it uses: it goes first
  std::atomic<uint32_t> m_nNextId{1};
  std::atomic<uint32_t> m_nLastClosedHostId{0};
  std::atomic<uint16_t> m_nPort{0};
  std::atomic<int> m_nConnections{0};
  std::atomic<bool> m_bStop{false};
  std::thread m_Thread;
  std::string m_strStateDir;
  mutable std::mutex m_Lock;  // guards m_pDevice
  CAdbDevice* m_pDevice = nullptr;
};

}  // namespace phonesim
