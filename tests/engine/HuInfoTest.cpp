#include "tests/engine/EngineTestSupport.h"

#include "engine/CorvaneEngineSession.h"
#include "phonelink/DriverInstall.h"
#include "platform/devmgr/devmgr.h"
#include "platform/devmgr/DevMgrHooks.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/hal.h"
#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/KernelHooks.h"

#include <filesystem>
#include <fstream>

namespace {
namespace fs = std::filesystem;

class HuInfoTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    m_Root = fs::temp_directory_path() / ("engine-hu-" + std::to_string(getpid()));
    fs::create_directories(m_Root / "Windows");
    wce::SetRootDir(m_Root.string());
  }
  void TearDown() override {
    wce::ResetDeviceManager();
    wce::ResetRegistry();
    wce::ResetFileSystemView();
    fs::remove_all(m_Root);
    EngineTest::TearDown();
  }
  void WritePlatform(const std::string& text) {
    std::ofstream(wce::HostPath(wce::PlatformRecordCePath())) << text;
  }
  fs::path m_Root;
};

TEST_F(HuInfoTest, FrameRateByBoardName) {
  struct Case {
    const char* m_pszBoard;
    int m_nRate;
    bool m_bUnloads;
  } cases[] = {
      {"MSB2531", 10, false}, {"mt3360", 12, false}, {"MT3360", 10, false},
      {"AT91", 8, true},      {"x", 10, false},      {nullptr, 10, false},
  };
  // The real driver is installed and active, so that an unload shows in the device manager.
  wce::ResetRegistry();
  wce::SetModuleFileName(u"\\SDMMC\\CECorvane\\CECorvane.exe");
  corvane::ResetDriverInstall();
  fs::create_directories(m_Root / "SDMMC" / "CECorvane");
  fs::copy_file(KAVLINK_PATH, m_Root / "SDMMC" / "CECorvane" / "kavlink.dll");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszBoard ? c.m_pszBoard : "no record");
    ASSERT_EQ(LoadAdbDriver(), 0);
    ASSERT_EQ(IsDeviceActive(u"ADB1:"), 1);
    g_nRequestFrameRate = 10;
    if (c.m_pszBoard) {
      WritePlatform(std::string("board=") + c.m_pszBoard + "\ndevice=dev\ncpu_abi=abi\n");
    } else {
      fs::remove(wce::HostPath(wce::PlatformRecordCePath()));
    }
    SetFrameRateByPlatform();
    EXPECT_EQ(g_nRequestFrameRate, c.m_nRate);
    EXPECT_EQ(IsDeviceActive(u"ADB1:"), c.m_bUnloads ? 0 : 1);
  }
}

TEST_F(HuInfoTest, DeviceInformationFromThePlatformRecord) {
  HuDeviceInfo fixed;
  BuildHuDeviceInfo(&fixed);
  EXPECT_EQ(fixed.board, "wince");
  EXPECT_EQ(fixed.cpu_abi, "ARM7");
  EXPECT_EQ(fixed.device, "MTK3360");

  // A record string is narrowed to its low bytes; the display text stays whatever the screen.
  wce::SetScreen(1024, 600, 32);
  WritePlatform("board=MSB2531\ncpu_abi=armeabi\ndevice=" + std::string(120, 'd') + "\n");
  HuDeviceInfo info;
  BuildHuDeviceInfo(&info);
  EXPECT_EQ(info.board, "MSB2531");
  EXPECT_EQ(info.cpu_abi, "armeabi");
  EXPECT_LE(info.device.size(), 99u);
  EXPECT_EQ(info.device, std::string(info.device.size(), 'd'));
  EXPECT_EQ(info.display, "800X480");
  EXPECT_EQ(info.os, "wince");
  EXPECT_EQ(info.sdk_int, 1);
}

TEST_F(HuInfoTest, StatisticsValues) {
  HuStatisticsInfo info;
  BuildHuStatisticsInfo(&info, 4, 123456);
  EXPECT_EQ(info.versionName, "1.0.0");
  EXPECT_EQ(info.versionCode, 1001);
  EXPECT_EQ(info.connectCount, 4);
  EXPECT_EQ(info.connectSuccessCount, 1);
  EXPECT_EQ(info.connectTime, 123456);
  EXPECT_EQ(info.crashLog, "");
  EXPECT_EQ(info.channel, std::string(g_CorvaneConfig.m_szChannelId));
  EXPECT_FALSE(info.cuid.empty());
}
}  // namespace
