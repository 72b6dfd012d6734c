// The audio device functions over "ADE1:", activated by the device manager from its driver key.
#include "tests/decoder/LumadecTestSupport.h"

#include "platform/audio/audiodev.h"
#include "platform/audio/AudioDevHooks.h"
#include "platform/devmgr/devmgr.h"
#include "platform/devmgr/DevMgrHooks.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/library.h"
#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"

#include <cstdlib>

using lumadectest::CDebugLines;

namespace {

const char16_t kDriverKey[] = u"Drivers\\BuiltIn\\AudioDev";

bool SetString(const char16_t* name, const char16_t* text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDriverKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD cb = static_cast<DWORD>((std::char_traits<char16_t>::length(text) + 1) * 2);
  const bool ok =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), cb) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

class HwAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(lumadectest::MakeRoot().empty());
    wce::ResetRegistry();
    ASSERT_TRUE(SetString(u"Prefix", u"ADE"));
    ASSERT_TRUE(SetString(u"Dll", u"audiodev.dll"));
    m_hDevice = ActivateDevice(kDriverKey, 0);
    ASSERT_NE(m_hDevice, nullptr);
    // The driver the device manager loaded: loading it again gives the same one.
    m_hLibrary = LoadLibraryW(u"audiodev.dll");
    ASSERT_NE(m_hLibrary, nullptr);
    m_pfnSet =
        reinterpret_cast<PFN_ADE_SET_SPECTRUMS>(GetProcAddressW(m_hLibrary, u"ADE_SetSourceSpectrums"));
    m_pfnOpenCount = reinterpret_cast<PFN_ADE_OPEN_COUNT>(GetProcAddressW(m_hLibrary, u"ADE_OpenCount"));
    ASSERT_NE(m_pfnSet, nullptr);
    ASSERT_NE(m_pfnOpenCount, nullptr);
  }
  void TearDown() override {
    HW_CloseAudioDev();
    if (m_hLibrary != nullptr) FreeLibrary(m_hLibrary);
    wce::ResetDeviceManager();
  }

  HANDLE m_hDevice = nullptr;
  HMODULE m_hLibrary = nullptr;
  PFN_ADE_SET_SPECTRUMS m_pfnSet = nullptr;
  PFN_ADE_OPEN_COUNT m_pfnOpenCount = nullptr;
};

TEST_F(HwAudioTest, TheDeviceOpensOnceUntilClosed) {
  EXPECT_TRUE(HW_OpenAudioDev());
  EXPECT_FALSE(HW_OpenAudioDev());
  EXPECT_EQ(m_pfnOpenCount(), 1u);
  EXPECT_TRUE(HW_CloseAudioDev());
  EXPECT_EQ(m_pfnOpenCount(), 0u);
  EXPECT_FALSE(HW_CloseAudioDev());
  EXPECT_TRUE(HW_OpenAudioDev());
  EXPECT_EQ(m_pfnOpenCount(), 1u);
}

TEST_F(HwAudioTest, WithoutTheDeviceOpenFailsWithItsError) {
  wce::ResetDeviceManager();
  CDebugLines lines;
  EXPECT_FALSE(HW_OpenAudioDev());
  EXPECT_TRUE(lines.Has("[Lumadec]HW_OpenAudioDev: Open audio device error: "));
  INT first[16], second[16];
  EXPECT_FALSE(HW_AudioInfo_GetSourceSpectrums(first, second));
  EXPECT_TRUE(lines.Has("[Lumadec]HW_AudioInfo_GetSourceSpectrums: g_hAudioDev invalid"));
}

// The answer's 32 values split into two bands of 16; values the device did not give are 0.
TEST_F(HwAudioTest, TheSpectrumSplitsIntoItsTwoBands) {
  ASSERT_TRUE(HW_OpenAudioDev());
  struct Case {
    const char* m_pszName;
    DWORD m_dwGiven;
    BOOL m_bFail;
  };
  const Case cases[] = {
      {"all 32", 32, FALSE}, {"20 of them", 20, FALSE}, {"none", 0, FALSE}, {"failed", 32, TRUE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    INT values[AUDIODEV_SPECTRUM_VALUES];
    for (int i = 0; i < AUDIODEV_SPECTRUM_VALUES; ++i) values[i] = 1000 + i * 3;
    m_pfnSet(values, c.m_dwGiven, c.m_bFail);
    INT first[16], second[16];
    for (int i = 0; i < 16; ++i) first[i] = second[i] = 0x5A5A5A5A;
    CDebugLines lines;
    EXPECT_EQ(HW_AudioInfo_GetSourceSpectrums(first, second), !c.m_bFail);
    for (int i = 0; i < 16; ++i) {
      if (c.m_bFail) {
        EXPECT_EQ(first[i], 0x5A5A5A5A);
        EXPECT_EQ(second[i], 0x5A5A5A5A);
        continue;
      }
      EXPECT_EQ(first[i], static_cast<DWORD>(i) < c.m_dwGiven ? values[i] : 0) << i;
      EXPECT_EQ(second[i], static_cast<DWORD>(16 + i) < c.m_dwGiven ? values[16 + i] : 0) << i;
    }
    if (c.m_bFail) {
      EXPECT_TRUE(lines.Has("[Lumadec]HW_AudioInfo_GetSourceSpectrums: DeviceIoControl error"));
    }
  }
  INT one[16];
  EXPECT_FALSE(HW_AudioInfo_GetSourceSpectrums(one, nullptr));
  EXPECT_FALSE(HW_AudioInfo_GetSourceSpectrums(nullptr, one));
}

}  // namespace
