// The link against the simulated phone over the TCP backend of the USB host stack: what the
// phone recorded is the truth. Shared by the end-to-end test files of the link.
#pragma once

#include "phonelink/AdbKeyTexts.h"
#include "phonelink/AdbPhoneSpec.h"
#include "phonelink/AdbSession.h"
#include "phonelink/CorvaneAdb.h"
#include "phonelink/DriverInstall.h"

#include "phonesim/CPhoneSim.h"
#include "phonesim/services/CEchoEndpoint.h"

#include "platform/devmgr/devmgr.h"
#include "platform/devmgr/DevMgrHooks.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"
#include "platform/usbd/CUsbTcpBackend.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace linktest {

namespace fs = std::filesystem;
using phonesim::SPacketRecord;

constexpr uint32_t kCnxn = 0x4E584E43, kAuth = 0x48545541, kOpen = 0x4E45504F, kOkay = 0x59414B4F,
                   kWrte = 0x45545257, kClse = 0x45534C43;
constexpr uint16_t kPorts[6] = {7240, 8240, 9240, 9241, 9242, 9340};
constexpr char kAppStart[] = "shell:am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity";

inline bool WaitUntil(const std::function<bool()>& pred, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    Sleep(5);
  }
  return pred();
}

inline std::vector<uint8_t> Bytes(const char* s, size_t n) {
  return std::vector<uint8_t>(s, s + n);
}
inline std::vector<uint8_t> Text0(const std::string& s) {
  std::vector<uint8_t> v(s.begin(), s.end());
  v.push_back(0);
  return v;
}
inline std::string PayloadText(const SPacketRecord& p) {
  std::string s(p.m_Payload.begin(), p.m_Payload.end());
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}
inline void PutLe32(std::vector<uint8_t>* v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v->push_back(static_cast<uint8_t>(x >> (8 * i)));
}
inline void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PhoneLinkE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    m_Root = fs::temp_directory_path() / ("phonelink-e2e-" + std::to_string(::getpid()));
    fs::remove_all(m_Root);
    fs::create_directories(m_Root / "prog");
    fs::create_directories(m_Root / "Windows");
    wce::SetRootDir(m_Root.string());
    wce::ResetRegistry();
    wce::SetModuleFileName(u"\\prog\\CECorvane.exe");
    fs::copy_file(KAVLINK_PATH, m_Root / "prog" / "kavlink.dll", fs::copy_options::overwrite_existing);
    ResetLinkStateForTests();
    RegisterKavlinkDriver();
    m_nUsbOutMsg = RegisterWindowMessageW(u"WMMSG_CORVANE_USB_OUT");
    m_nUsbErrorMsg = RegisterWindowMessageW(u"WMMSG_CORVANE_USB_ERROR");
    wce::SetBroadcastTap([this](UINT msg, WPARAM w, LPARAM l) {
      std::lock_guard<std::mutex> hold(m_Lock);
      if (msg == m_nUsbOutMsg) {
        m_UsbOut.push_back(static_cast<int>(l));
        m_UsbOutW.push_back(static_cast<int>(w));
      }
      if (msg == m_nUsbErrorMsg) m_UsbErrors.push_back(static_cast<int>(l));
    });
    wce::SetDebugSink([this](const std::string& line) {
      std::lock_guard<std::mutex> hold(m_Lock);
      m_LogLines.push_back(line);
    });
    for (uint16_t port : kPorts) {
      m_Sim.Endpoints().Register(port, [] { return std::make_shared<phonesim::CEchoEndpoint>(); });
    }
  }
  void StartPhone(const phonesim::SPhoneSimOptions& options = {}) {
    std::string error;
    ASSERT_TRUE(m_Sim.Start(options, &error)) << error;
    ASSERT_TRUE(wce::CUsbTcpBackend::GetInstance().Start("tcp:127.0.0.1:" + std::to_string(m_Sim.Port()),
                                                         AdbPhoneSpec()));
  }
  void StartLink() {
    ASSERT_EQ(Corvane_Adb_Init(), 0);
    ASSERT_TRUE(WaitConnected()) << "no CNXN from the phone";
  }
  static bool WaitConnected(int ms = 8000) {
    return WaitUntil([] { return Corvane_Adb_IsConnected() == 1; }, ms);
  }
  void TearDown() override {
    Corvane_Adb_Close();
    wce::CUsbTcpBackend::GetInstance().Stop();
    m_Sim.Stop();
    wce::SetBroadcastTap(nullptr);
    wce::SetDebugSink(nullptr);
    wce::ResetDeviceManager();
    fs::remove_all(m_Root);
  }
  std::vector<SPacketRecord> FromHost(uint32_t command, size_t from = 0) {
    std::vector<SPacketRecord> out;
    auto packets = m_Sim.Record().Packets();
    for (size_t i = from; i < packets.size(); ++i) {
      if (packets[i].m_bFromHost && packets[i].m_nCommand == command) out.push_back(packets[i]);
    }
    return out;
  }
  std::vector<SPacketRecord> FromPhone(uint32_t command, size_t from = 0) {
    std::vector<SPacketRecord> out;
    auto packets = m_Sim.Record().Packets();
    for (size_t i = from; i < packets.size(); ++i) {
      if (!packets[i].m_bFromHost && packets[i].m_nCommand == command) out.push_back(packets[i]);
    }
    return out;
  }
  // The service texts of the host's OPENs, in order, from packet index `from` on.
  std::vector<std::string> Opens(size_t from = 0) {
    std::vector<std::string> out;
    for (auto& p : FromHost(kOpen, from)) out.push_back(PayloadText(p));
    return out;
  }
  size_t PacketCount() { return m_Sim.Record().Packets().size(); }
  std::vector<int> UsbOut() {
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_UsbOut;
  }
  std::vector<int> UsbOutWParams() {
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_UsbOutW;
  }
  size_t UsbErrors() {
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_UsbErrors.size();
  }
  bool Logged(const std::string& needle) {
    std::lock_guard<std::mutex> hold(m_Lock);
    for (auto& l : m_LogLines) {
      if (l.find(needle) != std::string::npos) return true;
    }
    return false;
  }

  fs::path m_Root;
  phonesim::CPhoneSim m_Sim;
  std::mutex m_Lock;
  UINT m_nUsbOutMsg = 0, m_nUsbErrorMsg = 0;
  std::vector<int> m_UsbOut, m_UsbOutW, m_UsbErrors;
  std::vector<std::string> m_LogLines;
};

}  // namespace linktest
