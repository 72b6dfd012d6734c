#include "phonesim/CPhoneSim.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "phonesim/transport/CSimConnection.h"
#include "phonesim/transport/CSimListener.h"

namespace phonesim {

CPhoneSim::CPhoneSim() {
  m_Shell.SetFs(&m_Fs);
  m_App.Attach(&m_Record, &m_Shell, &m_Endpoints);
  m_App.SetUnplugHook([this] { Unplug(); });
  m_App.SetAdbFaultHook(
      [this](const std::string& rule, std::string* error) { return AddFault(rule, error); });
}

CPhoneSim::~CPhoneSim() {
  Stop();
}

std::string CPhoneSim::StateDir() const {
  return m_strStateDir;
}
std::string CPhoneSim::LogPath() const {
  return m_strStateDir + "/phonesim.log";
}

std::string CPhoneSim::Banner() const {
  // No "features=": the host then keeps to the classic shell and sync
  // protocols, which is all this phone speaks (and it never asks for TLS).
  return "device::ro.product.name=" + m_Shell.Prop("ro.product.name") +
         ";ro.product.model=" + m_Shell.Prop("ro.product.model") +
         ";ro.product.device=" + m_Shell.Prop("ro.product.device") + ";";
}

bool CPhoneSim::Start(const SPhoneSimOptions& options, std::string* error) {
  Stop();
  m_Options = options;
  m_strStateDir = options.m_strStateDir;
  if (m_strStateDir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/phonesim-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) {
      if (error) *error = "cannot create a state directory under " + templ;
      return false;
    }
    m_strStateDir = buf.data();
  }
  if (!m_Fs.SetRoot(m_strStateDir + "/fs") || !m_Fs.MakeParents("/data/local/tmp/x")) {
    if (error) *error = "cannot create the phone file system in " + m_strStateDir;
    return false;
  }
  if (!m_Record.OpenLog(LogPath())) {
    if (error) *error = "cannot open " + LogPath();
    return false;
  }
  m_Auth.SetStoreFile(m_strStateDir + "/adb_keys");
  for (const auto& f : options.m_TrustFiles) {
    if (m_Auth.TrustFile(f) == 0) {
      if (error) *error = "no public key in " + f;
      return false;
    }
  }
  for (const auto& rule : options.m_Faults)
    if (!m_Faults.Add(rule, error)) return false;
  if (!m_App.Start(options.m_App, error)) return false;
  auto listener = std::make_shared<CSimListener>();
  if (!listener->Listen(options.m_strAddress, options.m_nPort, error)) return false;
  m_nPort = listener->Port();
  m_bStop = false;
  m_Record.Event("listening on " + options.m_strAddress + ":" + std::to_string(m_nPort.load()) + " state " +
                 m_strStateDir + (options.m_bAuth ? " auth on" : " auth off"));
  m_Thread = std::thread([this, listener] {
    while (!m_bStop) {
      int fd = listener->Accept(50);
      if (fd < 0) continue;
      ++m_nConnections;
      m_Record.Event("host connected");
      SPhoneContext ctx;
      ctx.m_pRecord = &m_Record;
      ctx.m_pFaults = &m_Faults;
      ctx.m_pAuth = &m_Auth;
      ctx.m_pShell = &m_Shell;
      ctx.m_pFs = &m_Fs;
      ctx.m_pEndpoints = &m_Endpoints;
      ctx.m_pNextId = &m_nNextId;
      ctx.m_pLastClosedHostId = &m_nLastClosedHostId;
      ctx.m_Config.m_bAuth = m_Options.m_bAuth;
      ctx.m_Config.m_bAcceptKeys = m_Options.m_bAcceptKeys;
      ctx.m_Config.m_nMaxPayload = m_Options.m_nMaxPayload;
      ctx.m_Config.m_strBanner = Banner();
      auto device = std::make_unique<CAdbDevice>(std::make_unique<CSimConnection>(fd, &m_Faults), ctx);
      {
        std::lock_guard<std::mutex> g(m_Lock);
        m_pDevice = device.get();
      }
      device->Run(m_bStop);
      std::string reason = device->DropReason();
      {
        std::lock_guard<std::mutex> g(m_Lock);
        m_pDevice = nullptr;
      }
      device.reset();
      m_Record.Event("disconnected: " + reason);
      uint32_t hold = m_Faults.ReplugDelayMs();
      if (hold > 0 && reason != "host closed") {
        // The cable stays out: connections in that time are closed at once.
        m_Record.Event("unplugged for " + std::to_string(hold) + " ms");
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(hold);
        while (!m_bStop && std::chrono::steady_clock::now() < until) {
          int early = listener->Accept(20);
          if (early >= 0) {
            m_Record.Event("connection refused while unplugged");
            CSimConnection(early, nullptr);
          }
        }
      }
    }
  });
  return true;
}

void CPhoneSim::Stop() {
  if (!m_Thread.joinable()) return;
  m_bStop = true;
  Unplug();
  m_Thread.join();
  m_App.Stop();
  m_Record.Event("stopped");
  m_Record.CloseLog();
  m_Faults.Clear();
}

bool CPhoneSim::AddFault(const std::string& rule, std::string* error) {
  return m_Faults.Add(rule, error);
}

void CPhoneSim::ClearFaults() {
  m_Faults.Clear();
}

void CPhoneSim::Unplug() {
  std::lock_guard<std::mutex> g(m_Lock);
  if (m_pDevice != nullptr) m_pDevice->Drop("unplug");
}

bool CPhoneSim::Online() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_pDevice != nullptr && m_pDevice->Online();
}

bool CPhoneSim::WaitOnline(int timeout_ms) const {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < until) {
    if (Online()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return Online();
}

}  // namespace phonesim
