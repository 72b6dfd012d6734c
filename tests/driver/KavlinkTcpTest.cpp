// The stream driver over the default TCP backend, against the simulated phone: "ADB1:" carries
// ADB packets both ways, and the phone going away and coming back are an unplug and a re-plug.
#include "phonelink/AdbPhoneSpec.h"

#include "phonesim/CPhoneSim.h"
#include "platform/devmgr/devmgr.h"
#include "platform/devmgr/DevMgrHooks.h"
#include "platform/usbd/CUsbHost.h"
#include "platform/usbd/CUsbTcpBackend.h"
#include "platform/registry/RegistryHooks.h"
#include "tests/driver/KavlinkTestRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const uint32_t kCnxn = 0x4E584E43;  // "CNXN"

void Put32(std::vector<BYTE>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

uint32_t Get32(const BYTE* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// CNXN, version 0x01000000, max payload 4096, system identity "host::".
std::vector<BYTE> HostConnect() {
  const std::string identity("host::\0", 7);
  uint32_t sum = 0;
  for (unsigned char c : identity) sum += c;
  std::vector<BYTE> p;
  Put32(p, kCnxn);
  Put32(p, 0x01000000);
  Put32(p, 4096);
  Put32(p, static_cast<uint32_t>(identity.size()));
  Put32(p, sum);
  Put32(p, ~kCnxn);
  p.insert(p.end(), identity.begin(), identity.end());
  return p;
}

class KavlinkTcpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(kavlinktest::MakeRoot().empty());
    wce::ResetRegistry();
    ASSERT_TRUE(kavlinktest::InstallDriverKeys());
    ASSERT_NE(ActivateDevice(kavlinktest::kClientKey, 0), nullptr);
    m_hUsbOut = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_ADB_USB_OUT");
    m_hUsbIn = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_ADB_USB_IN");
  }
  void TearDown() override {
    wce::CUsbTcpBackend::GetInstance().Stop();
    m_Phone.Stop();
    wce::CUsbHost::GetInstance().Reset();
    wce::ResetDeviceManager();
    CloseHandle(m_hUsbOut);
    CloseHandle(m_hUsbIn);
  }

  phonesim::CPhoneSim m_Phone;
  HANDLE m_hUsbOut = nullptr;
  HANDLE m_hUsbIn = nullptr;
};

TEST_F(KavlinkTcpTest, ConnectIsAnsweredAndUnplugReplugAreTold) {
  phonesim::SPhoneSimOptions options;
  std::string error;
  ASSERT_TRUE(m_Phone.Start(options, &error)) << error;
  const uint16_t port = m_Phone.Port();
  ASSERT_TRUE(
      wce::CUsbTcpBackend::GetInstance().Start("tcp:127.0.0.1:" + std::to_string(port), AdbPhoneSpec()));
  ASSERT_EQ(WaitForSingleObject(m_hUsbIn, 10000), WAIT_OBJECT_0);

  HANDLE adb = CreateFileW(u"ADB1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(adb, INVALID_HANDLE_VALUE);
  const std::vector<BYTE> cnxn = HostConnect();
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(adb, cnxn.data(), static_cast<DWORD>(cnxn.size()), &written, nullptr));
  EXPECT_EQ(written, cnxn.size());

  BYTE header[24];
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(adb, header, sizeof(header), &read, nullptr));
  ASSERT_EQ(read, 24u);
  EXPECT_EQ(Get32(header), kCnxn);
  EXPECT_EQ(Get32(header + 20), ~kCnxn);
  const uint32_t length = Get32(header + 12);
  ASSERT_GT(length, 0u);
  ASSERT_LE(length, 4096u);
  std::vector<BYTE> payload(length);
  ASSERT_TRUE(ReadFile(adb, payload.data(), length, &read, nullptr));
  ASSERT_EQ(read, length);
  EXPECT_EQ(std::string(payload.begin(), payload.begin() + 8), "device::");

  m_Phone.Stop();
  EXPECT_EQ(WaitForSingleObject(m_hUsbOut, 10000), WAIT_OBJECT_0);
  CloseHandle(adb);

  options.m_nPort = port;
  ASSERT_TRUE(m_Phone.Start(options, &error)) << error;
  EXPECT_EQ(WaitForSingleObject(m_hUsbIn, 10000), WAIT_OBJECT_0);
}

TEST(UsbTcpAddress, OnlyTcpHostPortIsTaken) {
  struct Case {
    const char* m_pszText;
    bool m_bOk;
    const char* m_pszHost;
    uint16_t m_nPort;
  } cases[] = {
      {"tcp:127.0.0.1:5555", true, "127.0.0.1", 5555},
      {"tcp:localhost:1", true, "localhost", 1},
      {"tcp:127.0.0.1:0", false, "", 0},
      {"tcp:127.0.0.1:65536", false, "", 0},
      {"tcp:127.0.0.1", false, "", 0},
      {"usb:1:2", false, "", 0},
      {"tcp::5555", false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszText);
    std::string host;
    uint16_t port = 0;
    EXPECT_EQ(wce::CUsbTcpBackend::ParseAddress(c.m_pszText, &host, &port), c.m_bOk);
    if (c.m_bOk) {
      EXPECT_EQ(host, c.m_pszHost);
      EXPECT_EQ(port, c.m_nPort);
    }
  }
}

}  // namespace
