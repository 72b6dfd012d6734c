// The stream driver on the scripted USB device, loaded the way the target loads it: activated by
// the device manager from its registry key and attached by the USB host stack.
#include "phonelink/AdbPhoneSpec.h"

#include "platform/devmgr/CDriverLibrary.h"
#include "platform/devmgr/devmgr.h"
#include "platform/devmgr/DevMgrHooks.h"
#include "platform/usbd/CUsbHost.h"
#include "platform/usbd/CUsbScriptedDevice.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/registry/RegistryHooks.h"
#include "tests/driver/KavlinkTestRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <numeric>
#include <vector>

using wce::CUsbDevice;
using wce::CUsbHost;
using wce::CUsbScriptedDevice;

namespace {

const DWORD kGetDeviceIn = 0x220594;
const DWORD kSetDebug = 0x22059C;
const DWORD kInFlags = 0x280;
const DWORD kOutFlags = 0x200;
const auto kGiveUp = std::chrono::seconds(10);

std::vector<BYTE> Pattern(size_t n) {
  std::vector<BYTE> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(i * 7 + 3);
  return v;
}

CUsbDevice::DeviceSpec PhoneWithPacket(USHORT packet) {
  CUsbDevice::DeviceSpec desc = AdbPhoneSpec();
  for (auto& ep : desc.m_Interfaces[0].m_Endpoints) ep.m_nMaxPacketSize = packet;
  return desc;
}

// The debug output's lines for as long as it lives; the driver's own threads write some of them.
class DebugCapture {
 public:
  DebugCapture() {
    wce::SetDebugSink([this](const std::string& line) {
      std::lock_guard<std::mutex> guard(m_Lock);
      m_Lines.push_back(line);
      m_Added.notify_all();
    });
  }
  ~DebugCapture() { wce::SetDebugSink(nullptr); }
  bool Has(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_Lock);
    return HasLocked(text);
  }
  // Waits for a line with the text to be written; false after the time ran out.
  bool WaitFor(const std::string& text, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> guard(m_Lock);
    return m_Added.wait_for(guard, limit, [&] { return HasLocked(text); });
  }

 private:
  bool HasLocked(const std::string& text) const {
    for (const std::string& l : m_Lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }

  std::mutex m_Lock;
  std::condition_variable m_Added;
  std::vector<std::string> m_Lines;
};

class KavlinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(kavlinktest::MakeRoot().empty());
    wce::ResetRegistry();
    ASSERT_TRUE(kavlinktest::InstallDriverKeys());
    m_hDevice = ActivateDevice(kavlinktest::kClientKey, 0);
    ASSERT_NE(m_hDevice, nullptr);
    m_hUsbOut = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_ADB_USB_OUT");
    m_hUsbIn = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_ADB_USB_IN");
  }
  void TearDown() override {
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
    CUsbHost::GetInstance().Reset();
    wce::ResetDeviceManager();
    CloseHandle(m_hUsbOut);
    CloseHandle(m_hUsbIn);
  }

  // Plugs a phone and opens "ADB1:" on it.
  void PlugAndOpen(const CUsbDevice::DeviceSpec& desc = AdbPhoneSpec()) {
    m_Phone = std::make_shared<CUsbScriptedDevice>(desc);
    ASSERT_TRUE(CUsbHost::GetInstance().AttachDevice(m_Phone));
    m_hFile = CreateFileW(u"ADB1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(m_hFile, INVALID_HANDLE_VALUE);
    m_Phone->ClearTransfers();
  }

  // Switches the driver's log as another program does; the call itself reports failure.
  void SetDebugWord(DWORD word) {
    EXPECT_FALSE(DeviceIoControl(m_hFile, kSetDebug, &word, sizeof(word), nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), 1u);
  }

  // The present word as the main program asks for it; the call itself reports failure.
  DWORD Present(DWORD outSize = 4, DWORD fill = 0xAAAAAAAAu) {
    DWORD word = fill, returned = 0;
    const BOOL ok = DeviceIoControl(m_hFile, kGetDeviceIn, nullptr, 0, &word, outSize, &returned, nullptr);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), 1u);
    return word;
  }

  HANDLE m_hDevice = nullptr;
  HANDLE m_hFile = INVALID_HANDLE_VALUE;
  HANDLE m_hUsbOut = nullptr;
  HANDLE m_hUsbIn = nullptr;
  std::shared_ptr<CUsbScriptedDevice> m_Phone;
};

struct TransferCase {
  const char* m_pszName;
  USHORT m_wPacket;
  DWORD m_dwCount;
  DWORD m_dwMoved;               // bytes the call moves
  std::vector<DWORD> m_Lengths;  // the transfers it issues, in order
};

std::vector<DWORD> Repeat(DWORD length, int times) {
  return std::vector<DWORD>(times, length);
}

const TransferCase kReads[] = {
    {"header", 512, 24, 24, {24}},
    {"full batch", 512, 4096, 4096, Repeat(512, 8)},
    {"above the limit", 512, 5000, 4096, Repeat(512, 8)},
    {"packet and a short one", 512, 1000, 1000, {512, 488}},
    {"two batches of small packets", 64, 1000, 1000,
     [] {
       auto v = Repeat(64, 15);
       v.push_back(40);
       return v;
     }()},
    {"packets above 512", 1024, 4096, 4096, Repeat(1024, 4)},
};

TEST_F(KavlinkTest, ReadsIssueOneInTransferPerPacket) {
  for (const TransferCase& c : kReads) {
    SCOPED_TRACE(c.m_pszName);
    PlugAndOpen(PhoneWithPacket(c.m_wPacket));
    const std::vector<BYTE> sent = Pattern(c.m_dwCount);
    m_Phone->DeliverIn(0x81, sent.data(), sent.size());
    std::vector<BYTE> got(c.m_dwCount + 16, 0);
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(m_hFile, got.data(), c.m_dwCount, &read, nullptr));
    EXPECT_EQ(read, c.m_dwMoved);
    EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + c.m_dwMoved, got.begin()));
    const auto transfers = m_Phone->Transfers();
    ASSERT_EQ(transfers.size(), c.m_Lengths.size());
    for (size_t i = 0; i < transfers.size(); ++i) {
      EXPECT_EQ(transfers[i].m_byEndpoint, 0x81);
      EXPECT_EQ(transfers[i].m_dwLength, c.m_Lengths[i]);
      EXPECT_EQ(transfers[i].m_dwFlags, kInFlags);
    }
    TearDown();
    SetUp();
  }
}

const TransferCase kWrites[] = {
    {"header", 512, 24, 24, {24}},
    {"packet and a short one", 512, 1000, 1000, {512, 488}},
    {"above the limit", 512, 5000, 4096, Repeat(512, 8)},
    {"packets above 512", 1024, 3000, 3000, {1024, 1024, 952}},
};

TEST_F(KavlinkTest, WritesSendOnePacketPerOutTransfer) {
  for (const TransferCase& c : kWrites) {
    SCOPED_TRACE(c.m_pszName);
    PlugAndOpen(PhoneWithPacket(c.m_wPacket));
    const std::vector<BYTE> data = Pattern(c.m_dwCount);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(m_hFile, data.data(), c.m_dwCount, &written, nullptr));
    EXPECT_EQ(written, c.m_dwMoved);
    EXPECT_EQ(m_Phone->Sent(), std::vector<BYTE>(data.begin(), data.begin() + c.m_dwMoved));
    const auto transfers = m_Phone->Transfers();
    ASSERT_EQ(transfers.size(), c.m_Lengths.size());
    for (size_t i = 0; i < transfers.size(); ++i) {
      EXPECT_EQ(transfers[i].m_byEndpoint, 0x02);
      EXPECT_EQ(transfers[i].m_dwLength, c.m_Lengths[i]);
      EXPECT_EQ(transfers[i].m_dwFlags, kOutFlags);
    }
    TearDown();
    SetUp();
  }
}

TEST_F(KavlinkTest, PresentWordFollowsAttachAndDetach) {
  PlugAndOpen();
  EXPECT_EQ(Present(), 1u);
  // Too small an output buffer is left alone.
  EXPECT_EQ(Present(2, 0xAAAAAAAAu), 0xAAAAAAAAu);
  CUsbHost::GetInstance().DetachDevice(m_Phone);
  EXPECT_EQ(WaitForSingleObject(m_hUsbOut, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(Present(), 0u);
}

TEST_F(KavlinkTest, AttachSetsUsbInEventWithItsData) {
  PlugAndOpen();
  EXPECT_EQ(WaitForSingleObject(m_hUsbIn, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(GetEventData(m_hUsbIn), 255u);
  // A re-plug after an unplug is told again.
  CUsbHost::GetInstance().DetachDevice(m_Phone);
  CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
  PlugAndOpen();
  EXPECT_EQ(WaitForSingleObject(m_hUsbIn, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(Present(), 1u);
}

TEST_F(KavlinkTest, DetachDuringBlockedReadReturnsShort) {
  PlugAndOpen();
  const std::vector<BYTE> part = Pattern(10);
  m_Phone->DeliverIn(0x81, part.data(), part.size());
  auto reader = std::async(std::launch::async, [this] {
    BYTE buf[24];
    DWORD read = 0;
    ReadFile(m_hFile, buf, sizeof(buf), &read, nullptr);
    return read;
  });
  // The read has its 10 bytes and waits for the rest.
  for (int i = 0; i < 5000 && m_Phone->Transfers().size() < 2; ++i) Sleep(1);
  ASSERT_EQ(m_Phone->Transfers().size(), 2u);
  EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
  CUsbHost::GetInstance().DetachDevice(m_Phone);
  ASSERT_EQ(reader.wait_for(kGiveUp), std::future_status::ready);
  EXPECT_EQ(reader.get(), 10u);
  EXPECT_EQ(WaitForSingleObject(m_hUsbOut, 5000), WAIT_OBJECT_0);
}

TEST_F(KavlinkTest, CloseDuringBlockedReadReturns) {
  PlugAndOpen();
  auto reader = std::async(std::launch::async, [this] {
    BYTE buf[24];
    DWORD read = 0;
    ReadFile(m_hFile, buf, sizeof(buf), &read, nullptr);
    return read;
  });
  for (int i = 0; i < 5000 && m_Phone->Transfers().empty(); ++i) Sleep(1);
  ASSERT_EQ(m_Phone->Transfers().size(), 1u);
  ASSERT_TRUE(CloseHandle(m_hFile));
  m_hFile = INVALID_HANDLE_VALUE;
  ASSERT_EQ(reader.wait_for(kGiveUp), std::future_status::ready);
  EXPECT_EQ(reader.get(), 0u);
  // The device stays attached and can be opened again.
  m_hFile = CreateFileW(u"ADB1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(m_hFile, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Present(), 1u);
}

struct RefusedCase {
  const char* m_pszName;
  CUsbDevice::DeviceSpec m_Desc;
  bool m_bPhoneAttached;  // a phone is already there
};

CUsbDevice::DeviceSpec MassStorage() {
  CUsbDevice::DeviceSpec desc;
  desc.m_nVendorId = 0x0781;
  CUsbDevice::InterfaceSpec msc;
  msc.m_byInterfaceClass = 8;
  msc.m_byInterfaceSubClass = 6;
  msc.m_byInterfaceProtocol = 0x50;
  msc.m_Endpoints = {{0x81, 512}, {0x02, 512}};
  desc.m_Interfaces.push_back(msc);
  return desc;
}

CUsbDevice::DeviceSpec AdbWithoutOut() {
  CUsbDevice::DeviceSpec desc = AdbPhoneSpec();
  desc.m_Interfaces[0].m_Endpoints.pop_back();
  return desc;
}

TEST_F(KavlinkTest, DeviceIsRefusedAndPresentWordStays) {
  const RefusedCase cases[] = {
      {"no ADB interface, no phone", MassStorage(), false},
      {"no ADB interface beside a phone", MassStorage(), true},
      {"packet size 0", PhoneWithPacket(0), false},
      {"no OUT endpoint", AdbWithoutOut(), false},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    if (c.m_bPhoneAttached) {
      PlugAndOpen();
    } else {
      // With nothing attached ADB_Open fails; ask the driver directly.
      m_hFile = INVALID_HANDLE_VALUE;
    }
    auto other = std::make_shared<CUsbScriptedDevice>(c.m_Desc);
    EXPECT_FALSE(CUsbHost::GetInstance().AttachDevice(other));
    if (c.m_bPhoneAttached) {
      EXPECT_EQ(Present(), 1u);
    } else {
      wce::CDriverLibrary lib;
      ASSERT_TRUE(lib.Load(kavlinktest::kDriverCePath));
      auto ioctl = reinterpret_cast<PFN_DEVICE_IOCONTROL>(lib.GetProc("ADB_IOControl"));
      ASSERT_NE(ioctl, nullptr);
      DWORD word = 0xAAAAAAAAu;
      ioctl(1, kGetDeviceIn, nullptr, 0, reinterpret_cast<PBYTE>(&word), 4, nullptr);
      EXPECT_EQ(word, 0u);
      EXPECT_EQ(CreateFileW(u"ADB1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                INVALID_HANDLE_VALUE);
    }
    TearDown();
    SetUp();
  }
}

TEST_F(KavlinkTest, StalledPipesGiveUpWithThePartialCount) {
  PlugAndOpen();
  m_Phone->SetStall(0x02, true);
  auto writer = std::async(std::launch::async, [this] {
    const std::vector<BYTE> data = Pattern(1000);
    DWORD written = 0xFFFF;
    WriteFile(m_hFile, data.data(), 1000, &written, nullptr);
    return written;
  });
  ASSERT_EQ(writer.wait_for(kGiveUp), std::future_status::ready);
  EXPECT_EQ(writer.get(), 0u);

  // A read that got its first bytes before the pipe stalled returns them.
  const std::vector<BYTE> part = Pattern(100);
  m_Phone->DeliverIn(0x81, part.data(), part.size());
  auto reader = std::async(std::launch::async, [this] {
    BYTE buf[600];
    DWORD read = 0xFFFF;
    ReadFile(m_hFile, buf, sizeof(buf), &read, nullptr);
    return read;
  });
  for (int i = 0; i < 5000 && m_Phone->Transfers().size() < 3; ++i) Sleep(1);
  m_Phone->SetStall(0x81, true);
  ASSERT_EQ(reader.wait_for(kGiveUp), std::future_status::ready);
  EXPECT_EQ(reader.get(), 100u);
  EXPECT_EQ(Present(), 1u);
}

TEST_F(KavlinkTest, DebugEventSwitchesTheLog) {
  DebugCapture capture;
  HANDLE debug = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_DEBUG_MSG");
  SetEventData(debug, 1);
  SetEvent(debug);
  EXPECT_TRUE(capture.WaitFor("[@@@@@@@] Debug message ::  1", kGiveUp));
  // The log is on: a read prints its line.
  PlugAndOpen();
  const BYTE header[24] = {};
  m_Phone->DeliverIn(0x81, header, sizeof(header));
  BYTE got[24];
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(m_hFile, got, sizeof(got), &read, nullptr));
  EXPECT_TRUE(capture.Has("[@@@@@@@] ADB_Read -------"));
  SetDebugWord(0);
  CloseHandle(debug);
}

// The control code's word switches the lines that only a set flag prints (the switch's own line,
// and those of every read and write); the call reports failure either way.
TEST_F(KavlinkTest, DebugControlCodeSwitchesTheTransferLog) {
  const struct {
    const char* m_pszName;
    DWORD m_dwWord;
    bool m_bLogs;
  } cases[] = {
      {"on", 1, true}, {"off", 0, false}, {"any other non-zero word", 0x100, true}, {"off again", 0, false}};
  PlugAndOpen();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    DebugCapture capture;
    SetDebugWord(c.m_dwWord);
    EXPECT_EQ(capture.Has("[@@@@@@@]      IOCTL_ADB_SETDEBUG_MSG :  g_bDebugMSG=0x1"), c.m_bLogs);

    const std::vector<BYTE> data = Pattern(24);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(m_hFile, data.data(), 24, &written, nullptr));
    ASSERT_EQ(written, 24u);
    m_Phone->DeliverIn(0x81, data.data(), data.size());
    BYTE got[24];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(m_hFile, got, sizeof(got), &read, nullptr));
    ASSERT_EQ(read, 24u);
    for (const char* line :
         {"[@@@@@@@] ADB_Write ------- (0X1)  (0X18)", "[@@@@@@@] ADB_Write  Complete  dwHasSend=0x18",
          "[@@@@@@@] ADB_Write end (dwdValid=0X18)  (Count=0X18)",
          "[@@@@@@@] ADB_Read ------- (0X1)  (0X18)"}) {
      EXPECT_EQ(capture.Has(line), c.m_bLogs) << line;
    }
  }
}

TEST_F(KavlinkTest, UnloadingTheLibrarySetsTheDebugEventAndEndsItsThread) {
  DebugCapture capture;
  // Another program's handle on the driver's named event outlives the driver's own.
  HANDLE debug = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_DEBUG_MSG");
  ASSERT_NE(debug, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(WaitForSingleObject(debug, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  // The last reference to the device unmaps the library: its thread has ended by then.
  ASSERT_TRUE(DeactivateDevice(m_hDevice));
  m_hDevice = nullptr;
  EXPECT_EQ(WaitForSingleObject(debug, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  // The set was not taken by the driver's thread as a switch of its log.
  EXPECT_FALSE(capture.Has("Debug message"));
  CloseHandle(debug);
}

TEST_F(KavlinkTest, InstallRegistersTheClientForTheAdbInterface) {
  wce::CDriverLibrary lib;
  ASSERT_TRUE(lib.Load(kavlinktest::kDriverCePath));
  auto install = reinterpret_cast<BOOL (*)(LPCWSTR)>(lib.GetProc("USBInstallDriver"));
  ASSERT_NE(install, nullptr);
  ASSERT_TRUE(install(u"kavlink.dll"));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\ClientDrivers\\Kavlink", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\LoadClients\\Default\\Default\\255_66_1\\Kavlink", 0,
                    KEY_READ, &key),
      ERROR_SUCCESS);
  WCHAR dll[32] = {};
  DWORD cb = sizeof(dll), type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"DLL", nullptr, &type, reinterpret_cast<LPBYTE>(dll), &cb), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::u16string(dll), u"kavlink.dll");
  RegCloseKey(key);
}

TEST_F(KavlinkTest, DeviceManagerAndHostShareOneLibrary) {
  wce::CDriverLibrary a, b;
  ASSERT_TRUE(a.Load(kavlinktest::kDriverCePath));
  ASSERT_TRUE(b.Load(u"kavlink.dll"));  // a bare name is looked for in \Windows
  EXPECT_EQ(a.NativeHandle(), b.NativeHandle());
}

}  // namespace
