// The link against the simulated phone over the TCP backend of the USB host stack: what the
// phone recorded is the truth.
#include "AdbKeyTexts.h"
#include "AdbSession.h"
#include "CorvaneAdb.h"
#include "DriverInstall.h"

#include <CPhoneSim.h>
#include <services/CEchoEndpoint.h>

#include <devmgr/devmgr.h>
#include <kernel/filesys.h>
#include <kernel/kernel.h>
#include <registry/registry.h>
#include <usbd/CUsbTcpBackend.h>
#include <user/user.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using phonesim::SPacketRecord;

namespace {

bool WaitUntil(const std::function<bool()>& pred, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    Sleep(10);
  }
  return pred();
}

std::vector<uint8_t> Bytes(const char* s, size_t n) {
  return std::vector<uint8_t>(s, s + n);
}

class PhoneLinkE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("phonelink-e2e-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "prog");
    fs::create_directories(root / "Windows");
    wce::SetRootDir(root.string());
    wce::ResetRegistry();
    wce::SetModuleFileName(u"\\prog\\CECorvane.exe");
    corvane::ResetDriverInstall();
    fs::copy_file(KAVLINK_PATH, root / "prog" / "kavlink.dll", fs::copy_options::overwrite_existing);
    ResetLinkStateForTests();
    RegisterKavlinkDriver();
    wce::SetBroadcastTap([this](UINT msg, WPARAM w, LPARAM l) {
      if (msg != RegisterWindowMessageW(u"WMMSG_CORVANE_USB_OUT")) return;
      std::lock_guard<std::mutex> hold(lock);
      usbOut.push_back(static_cast<int>(l));
      (void)w;
    });
    for (uint16_t port : {7240, 8240, 9240, 9241, 9242, 9340}) {
      sim.Endpoints().Register(port, [] { return std::make_shared<phonesim::CEchoEndpoint>(); });
    }
  }
  void StartPhone(const phonesim::SPhoneSimOptions& options = {}) {
    std::string error;
    ASSERT_TRUE(sim.Start(options, &error)) << error;
    ASSERT_TRUE(wce::CUsbTcpBackend::GetInstance().Start("tcp:127.0.0.1:" + std::to_string(sim.Port())));
  }
  void StartLink() {
    ASSERT_EQ(Corvane_Adb_Init(), 0);
    ASSERT_TRUE(WaitUntil([] { return Corvane_Adb_IsConnected() == 1; }, 8000)) << "no CNXN from the phone";
  }
  void TearDown() override {
    Corvane_Adb_Close();
    wce::CUsbTcpBackend::GetInstance().Stop();
    sim.Stop();
    wce::SetBroadcastTap(nullptr);
    wce::ResetDeviceManager();
    fs::remove_all(root);
  }
  std::vector<SPacketRecord> FromHost(uint32_t command) {
    std::vector<SPacketRecord> out;
    for (auto& p : sim.Record().Packets()) {
      if (p.from_host && p.command == command) out.push_back(p);
    }
    return out;
  }
  std::vector<int> UsbOut() {
    std::lock_guard<std::mutex> hold(lock);
    return usbOut;
  }

  fs::path root;
  phonesim::CPhoneSim sim;
  std::mutex lock;
  std::vector<int> usbOut;
};

TEST_F(PhoneLinkE2E, FirstConnectSendsTheExactCnxn) {
  StartPhone();
  StartLink();
  auto packets = sim.Record().Packets();
  ASSERT_FALSE(packets.empty());
  const SPacketRecord& first = packets.front();
  ASSERT_TRUE(first.from_host);
  EXPECT_EQ(first.command, 0x4E584E43u);
  EXPECT_EQ(first.arg0, 0x01000000u);
  EXPECT_EQ(first.arg1, 4096u);
  EXPECT_EQ(first.data_length, 7u);
  EXPECT_EQ(first.data_check, 0x232u);
  EXPECT_EQ(first.magic, 0xB1A7B1BCu);
  EXPECT_EQ(first.payload, Bytes("host::", 7));
  EXPECT_EQ(UsbOut(), std::vector<int>{1}) << "USB in is broadcast once";
}

TEST_F(PhoneLinkE2E, SixChannelsOpenAndCarryDataBothWays) {
  StartPhone();
  StartLink();
  Corvane_Adb_TcpConnect();
  for (int c = 0; c < 6; ++c) EXPECT_EQ(Corvane_Adb_IsChannelConnected(c), 1) << c;
  auto opens = FromHost(0x4E45504F);
  ASSERT_EQ(opens.size(), 6u);
  const char* services[6] = {"tcp:7240", "tcp:8240", "tcp:9240", "tcp:9241", "tcp:9242", "tcp:9340"};
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(opens[c].arg0, static_cast<uint32_t>(c + 1));
    EXPECT_EQ(opens[c].payload, Bytes(services[c], 9));
  }
  // The echo endpoints send every byte back through the ring buffers.
  const char hello[] = "0123456789AB";
  for (int c = 0; c < 5; ++c) ASSERT_EQ(Corvane_Adb_TcpWrite(c, hello, 12), 1);
  uint8_t got[12];
  EXPECT_EQ(Corvane_Adb_TcpRead_CMD(got, 12), 12);
  EXPECT_EQ(0, std::memcmp(got, hello, 12));
  EXPECT_EQ(Corvane_Adb_TcpRead_Video(got, 12), 12);
  EXPECT_EQ(Corvane_Adb_TcpRead_Media(got, 12), 12);
  EXPECT_EQ(Corvane_Adb_TcpRead_TTS(got, 12), 12);
  EXPECT_EQ(Corvane_Adb_TcpRead_VR(got, 12), 12);
  EXPECT_EQ(0, std::memcmp(got, hello, 12));

  EXPECT_EQ(Corvane_Adb_TcpDisconnect(6), 0);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(Corvane_Adb_IsChannelConnected(c), 0) << c;
  Corvane_Adb_TcpConnect();
  opens = FromHost(0x4E45504F);
  ASSERT_GE(opens.size(), 12u);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(opens[6 + c].arg0, static_cast<uint32_t>(7 + c));
}

TEST_F(PhoneLinkE2E, UnplugBroadcastsAndReplugReconnects) {
  StartPhone();
  StartLink();
  Corvane_Adb_TcpConnect();
  sim.Unplug();
  ASSERT_TRUE(WaitUntil([this] { return UsbOut().size() >= 2; }, 5000));
  EXPECT_EQ(UsbOut()[1], 0);
  EXPECT_EQ(Corvane_Adb_IsChannelConnected(0), 0);
  ASSERT_TRUE(WaitUntil([] { return Corvane_Adb_IsConnected() == 1; }, 8000)) << "re-plug";
  EXPECT_EQ(UsbOut().back(), 1);
}

TEST_F(PhoneLinkE2E, CloseFromEveryStateReturnsQuickly) {
  auto timed = [] {
    auto t0 = std::chrono::steady_clock::now();
    Corvane_Adb_Close();
    return std::chrono::steady_clock::now() - t0;
  };
  EXPECT_EQ(Corvane_Adb_Close(), -3) << "never initialised";
  ASSERT_EQ(Corvane_Adb_Init(), 0);
  EXPECT_LT(timed(), std::chrono::seconds(2)) << "no phone";
  EXPECT_FALSE(UsbThreadsRunning());
  StartPhone();
  StartLink();
  Corvane_Adb_TcpConnect();
  EXPECT_LT(timed(), std::chrono::seconds(2)) << "connected with channels";
  EXPECT_FALSE(UsbThreadsRunning());
}

TEST_F(PhoneLinkE2E, AuthSignsWithBothKeysThenOffersPublicKey0) {
  phonesim::SPhoneSimOptions options;
  options.auth = true;
  options.accept_keys = true;
  StartPhone(options);
  StartLink();
  auto auth = FromHost(0x48545541);
  ASSERT_GE(auth.size(), 3u);
  EXPECT_EQ(auth[0].arg0, 2u);
  EXPECT_EQ(auth[0].data_length, 256u);
  EXPECT_EQ(auth[1].arg0, 2u);
  EXPECT_NE(auth[0].payload, auth[1].payload) << "key 0, then key 1";
  EXPECT_EQ(auth[2].arg0, 3u);
  std::string text(g_szAdbPublicKeyText[0]);
  std::vector<uint8_t> expected(text.begin(), text.end());
  expected.push_back(0);
  EXPECT_EQ(auth[2].payload, expected);
}

TEST_F(PhoneLinkE2E, HelperStartByAndroidLevel) {
  StartPhone();
  StartLink();
  sim.Shell().SetChildProcess("vtsc", "vtsy");
  Corvane_Adb_SetPushDir("\\prog");
  // A new phone needs no first helper and gets no push.
  sim.Shell().SetProp("ro.build.version.release", "7.0");
  sim.Shell().SetProp("ro.build.version.sdk", "24");
  EXPECT_EQ(Corvane_Adb_StartVtsc(), -15);
  EXPECT_TRUE(sim.Record().Pushes().empty());
  // Level 23 without its file beside the program.
  sim.Shell().SetProp("ro.build.version.release", "6.0");
  sim.Shell().SetProp("ro.build.version.sdk", "23");
  EXPECT_EQ(Corvane_Adb_StartVtsc(), -10);
  std::string helper(5000, 'h');
  { std::ofstream(root / "prog" / "vtsc23", std::ios::binary) << helper; }
  int started = Corvane_Adb_StartVtsc();
  EXPECT_GE(started, 1);
  EXPECT_LE(started, 22);
  auto pushes = sim.Record().Pushes();
  ASSERT_EQ(pushes.size(), 1u);
  EXPECT_EQ(pushes[0].path, "/data/local/tmp/vtsc");
  EXPECT_EQ(pushes[0].size, 5000u);
  auto commands = sim.Record().ShellCommands();
  std::vector<std::string> chain;
  for (auto& c : commands) {
    if (c == "chmod 777 /data/local/tmp/vtsc" || c == "/data/local/tmp/vtsc" || c == "ps") chain.push_back(c);
  }
  ASSERT_GE(chain.size(), 3u);
  EXPECT_EQ(chain[0], "chmod 777 /data/local/tmp/vtsc");
  EXPECT_EQ(chain[1], "/data/local/tmp/vtsc");
  EXPECT_EQ(chain[2], "ps");
}

TEST_F(PhoneLinkE2E, PushOfVtimWithAndWithoutTheJar) {
  StartPhone();
  StartLink();
  std::string vtim(10000, 'v'), jar(300, 'j');
  { std::ofstream(root / "prog" / "vtim", std::ios::binary) << vtim; }
  { std::ofstream(root / "prog" / "vtim.jar", std::ios::binary) << jar; }
  EXPECT_EQ(Corvane_Adb_PushVtim("\\prog"), 0);
  auto pushes = sim.Record().Pushes();
  ASSERT_EQ(pushes.size(), 2u);
  EXPECT_EQ(pushes[0].path, "/data/local/tmp/vtim");
  EXPECT_EQ(pushes[0].size, 10000u);
  EXPECT_EQ(pushes[0].mtime, 0x55AE13B4u);
  EXPECT_EQ(pushes[1].path, "/data/local/tmp/vtim.jar");
  EXPECT_EQ(pushes[1].mtime, 0x55AE13B8u);
  // Now the jar is on the phone: only "vtim" goes again.
  EXPECT_EQ(Corvane_Adb_PushVtim("\\prog"), 0);
  EXPECT_EQ(sim.Record().Pushes().size(), 3u);
  fs::remove(root / "prog" / "vtim");
  EXPECT_EQ(Corvane_Adb_PushVtim("\\prog"), -10);
}

TEST_F(PhoneLinkE2E, AppStartAnswers) {
  StartPhone();
  StartLink();
  sim.Shell().SetAppInstalled("com.velto.corvane", true);
  EXPECT_EQ(Corvane_Adb_StartPhoneApp(), 0);
  sim.Shell().SetAppInstalled("com.velto.corvane", false);
  EXPECT_EQ(Corvane_Adb_StartPhoneApp(), -14);
  EXPECT_EQ(Corvane_Adb_Shell("push x y"), 0);
}

}  // namespace
