#include "phonesim/CPhoneSim.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "phonesim/transport/CSimConnection.h"
#include "phonesim/transport/CSimListener.h"

namespace phonesim {

CPhoneSim::CPhoneSim() {
  m_shell.SetFs(&m_fs);
  m_app.Attach(&m_record, &m_shell, &m_endpoints);
  m_app.SetUnplugHook([this] { Unplug(); });
  m_app.SetAdbFaultHook(
      [this](const std::string& rule, std::string* error) { return AddFault(rule, error); });
}

CPhoneSim::~CPhoneSim() {
  Stop();
}

std::string CPhoneSim::StateDir() const {
  return m_state_dir;
}
std::string CPhoneSim::LogPath() const {
  return m_state_dir + "/phonesim.log";
}

std::string CPhoneSim::Banner() const {
  // No "features=": the host then keeps to the classic shell and sync
  // protocols, which is all this phone speaks (and it never asks for TLS).
  return "device::ro.product.name=" + m_shell.Prop("ro.product.name") +
         ";ro.product.model=" + m_shell.Prop("ro.product.model") +
         ";ro.product.device=" + m_shell.Prop("ro.product.device") + ";";
}

bool CPhoneSim::Start(const SPhoneSimOptions& options, std::string* error) {
  Stop();
  m_options = options;
  m_state_dir = options.state_dir;
  if (m_state_dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/phonesim-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) {
      if (error) *error = "cannot create a state directory under " + templ;
      return false;
    }
    m_state_dir = buf.data();
  }
  if (!m_fs.SetRoot(m_state_dir + "/fs") || !m_fs.MakeParents("/data/local/tmp/x")) {
    if (error) *error = "cannot create the phone file system in " + m_state_dir;
    return false;
  }
  if (!m_record.OpenLog(LogPath())) {
    if (error) *error = "cannot open " + LogPath();
    return false;
  }
  m_auth.SetStoreFile(m_state_dir + "/adb_keys");
  for (const auto& f : options.trust_files) {
    if (m_auth.TrustFile(f) == 0) {
      if (error) *error = "no public key in " + f;
      return false;
    }
  }
  for (const auto& rule : options.faults)
    if (!m_faults.Add(rule, error)) return false;
  if (!m_app.Start(options.app, error)) return false;
  auto listener = std::make_shared<CSimListener>();
  if (!listener->Listen(options.address, options.port, error)) return false;
  m_port = listener->Port();
  m_stop = false;
  m_record.Event("listening on " + options.address + ":" + std::to_string(m_port.load()) + " state " +
                 m_state_dir + (options.auth ? " auth on" : " auth off"));
  m_thread = std::thread([this, listener] {
    while (!m_stop) {
      int fd = listener->Accept(50);
      if (fd < 0) continue;
      ++m_connections;
      m_record.Event("host connected");
      SPhoneContext ctx;
      ctx.record = &m_record;
      ctx.faults = &m_faults;
      ctx.auth = &m_auth;
      ctx.shell = &m_shell;
      ctx.fs = &m_fs;
      ctx.endpoints = &m_endpoints;
      ctx.next_id = &m_next_id;
      ctx.last_closed_host_id = &m_last_closed_host_id;
      ctx.config.auth = m_options.auth;
      ctx.config.accept_keys = m_options.accept_keys;
      ctx.config.max_payload = m_options.max_payload;
      ctx.config.banner = Banner();
      auto device = std::make_unique<CAdbDevice>(std::make_unique<CSimConnection>(fd, &m_faults), ctx);
      {
        std::lock_guard<std::mutex> g(m_lock);
        m_device = device.get();
      }
      device->Run(m_stop);
      std::string reason = device->DropReason();
      {
        std::lock_guard<std::mutex> g(m_lock);
        m_device = nullptr;
      }
      device.reset();
      m_record.Event("disconnected: " + reason);
      uint32_t hold = m_faults.ReplugDelayMs();
      if (hold > 0 && reason != "host closed") {
        // The cable stays out: connections in that time are closed at once.
        m_record.Event("unplugged for " + std::to_string(hold) + " ms");
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(hold);
        while (!m_stop && std::chrono::steady_clock::now() < until) {
          int early = listener->Accept(20);
          if (early >= 0) {
            m_record.Event("connection refused while unplugged");
            CSimConnection(early, nullptr);
          }
        }
      }
    }
  });
  return true;
}

void CPhoneSim::Stop() {
  if (!m_thread.joinable()) return;
  m_stop = true;
  Unplug();
  m_thread.join();
  m_app.Stop();
  m_record.Event("stopped");
  m_record.CloseLog();
  m_faults.Clear();
}

bool CPhoneSim::AddFault(const std::string& rule, std::string* error) {
  return m_faults.Add(rule, error);
}

void CPhoneSim::ClearFaults() {
  m_faults.Clear();
}

void CPhoneSim::Unplug() {
  std::lock_guard<std::mutex> g(m_lock);
  if (m_device != nullptr) m_device->Drop("unplug");
}

bool CPhoneSim::Online() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_device != nullptr && m_device->Online();
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
