// The host stack's own rules: where client settings are kept, and how bulk transfers on a
// device complete, are cancelled and fail.
#include "phonelink/AdbPhoneSpec.h"

#include "platform/kernel/filesys.h"
#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"
#include "platform/usbd/CUsbHost.h"
#include "platform/usbd/CUsbScriptedDevice.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

namespace {

using wce::CUsbDevice;
using wce::CUsbScriptedDevice;

class UsbHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = std::filesystem::temp_directory_path().string() + "/usbdtest-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_root = tmpl;
    wce::SetRootDir(m_root);
    wce::ResetRegistry();
    m_device = std::make_shared<CUsbScriptedDevice>(AdbPhoneSpec());
    // No client is registered: the device stays attached without one.
    EXPECT_FALSE(wce::CUsbHost::GetInstance().AttachDevice(m_device));
    m_funcs = wce::CUsbHost::GetFuncs();
    m_handle = reinterpret_cast<USB_HANDLE>(static_cast<uintptr_t>(1));
    for (uintptr_t id = 1; id < 1000 && wce::CUsbHost::GetInstance().Find(m_handle) != m_device; ++id)
      m_handle = reinterpret_cast<USB_HANDLE>(id);
    ASSERT_EQ(wce::CUsbHost::GetInstance().Find(m_handle), m_device);
    LPCUSB_DEVICE info = m_funcs->lpGetDeviceInfo(m_handle);
    ASSERT_NE(info, nullptr);
    m_in = m_funcs->lpOpenPipe(m_handle, &info->lpActiveConfig->lpInterfaces[0].lpEndpoints[0].Descriptor);
    m_out = m_funcs->lpOpenPipe(m_handle, &info->lpActiveConfig->lpInterfaces[0].lpEndpoints[1].Descriptor);
    ASSERT_NE(m_in, nullptr);
    ASSERT_NE(m_out, nullptr);
  }
  void TearDown() override {
    m_funcs->lpClosePipe(m_in);
    m_funcs->lpClosePipe(m_out);
    wce::CUsbHost::GetInstance().Reset();
    wce::ResetRegistry();
    std::filesystem::remove_all(m_root);
  }

  static DWORD Count(LPVOID param) {
    static_cast<std::atomic<int>*>(param)->fetch_add(1);
    return 0;
  }

  std::string m_root;
  std::shared_ptr<CUsbScriptedDevice> m_device;
  LPCUSB_FUNCS m_funcs = nullptr;
  USB_HANDLE m_handle = nullptr;
  USB_PIPE m_in = nullptr;
  USB_PIPE m_out = nullptr;
};

TEST_F(UsbHostTest, ClientSettingsAreKeptByGroup) {
  struct Case {
    USB_DRIVER_SETTINGS s;
    const char16_t* key;
  } cases[] = {
      {{40, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, 255, 66, 1},
       u"Drivers\\USB\\LoadClients\\Default\\Default\\255_66_1\\Kavlink"},
      {{40, 6353, USB_NO_INFO, USB_NO_INFO, 0, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO,
        USB_NO_INFO},
       u"Drivers\\USB\\LoadClients\\6353\\0\\Default\\Kavlink"},
      {{40, 6353, 20199, 256, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, 8, 6, USB_NO_INFO},
       u"Drivers\\USB\\LoadClients\\6353_20199_256\\Default\\8_6\\Kavlink"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WceWideToUtf8(c.key));
    ASSERT_TRUE(RegisterClientSettings(u"kavlink.dll", u"Kavlink", nullptr, &c.s));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, c.key, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  ASSERT_TRUE(RegisterClientDriverID(u"Kavlink"));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\USB\\ClientDrivers\\Kavlink", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_FALSE(RegisterClientDriverID(u"A\\B"));
}

TEST_F(UsbHostTest, InTransfersTakeWhatArrivedInOrder) {
  std::atomic<int> done{0};
  BYTE a[8] = {}, b[8] = {};
  USB_TRANSFER ta = m_funcs->lpIssueBulkTransfer(m_in, Count, &done, USB_IN_TRANSFER, 8, a, 0);
  USB_TRANSFER tb = m_funcs->lpIssueBulkTransfer(m_in, Count, &done, USB_IN_TRANSFER, 8, b, 0);
  ASSERT_NE(ta, nullptr);
  ASSERT_NE(tb, nullptr);
  EXPECT_FALSE(m_funcs->lpIsTransferComplete(ta));
  const BYTE first[3] = {1, 2, 3};
  m_device->DeliverIn(0x81, first, 3);
  const BYTE second[10] = {4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  m_device->DeliverIn(0x81, second, 10);
  EXPECT_EQ(done.load(), 2);
  DWORD bytes = 0, error = 99;
  ASSERT_TRUE(m_funcs->lpGetTransferStatus(ta, &bytes, &error));
  EXPECT_EQ(bytes, 3u);
  EXPECT_EQ(error, USB_NO_ERROR);
  ASSERT_TRUE(m_funcs->lpGetTransferStatus(tb, &bytes, &error));
  EXPECT_EQ(bytes, 8u);
  EXPECT_EQ(std::vector<BYTE>(b, b + 8), (std::vector<BYTE>{4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(m_device->PendingInBytes(0x81), 2u);
  m_funcs->lpCloseTransfer(ta);
  m_funcs->lpCloseTransfer(tb);
}

// One delivery that completes several transfers runs their routines in the order they were
// issued; a transfer issued after others were closed starts from nothing, however its object
// was made.
TEST_F(UsbHostTest, TransfersCompleteInIssueOrderAndStartFromNothing) {
  struct Done {
    std::vector<int>* order;
    int id;
  };
  auto record = [](LPVOID param) -> DWORD {
    Done* d = static_cast<Done*>(param);
    d->order->push_back(d->id);
    return 0;
  };
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    std::vector<int> order;
    Done done[3] = {{&order, 0}, {&order, 1}, {&order, 2}};
    BYTE buffers[3][4] = {};
    USB_TRANSFER t[3];
    for (int i = 0; i < 3; ++i) {
      t[i] = m_funcs->lpIssueBulkTransfer(m_in, record, &done[i], USB_IN_TRANSFER, 4, buffers[i], 0);
      ASSERT_NE(t[i], nullptr);
      DWORD bytes = 99, error = 0;
      EXPECT_FALSE(m_funcs->lpIsTransferComplete(t[i]));
      EXPECT_FALSE(m_funcs->lpGetTransferStatus(t[i], &bytes, &error));
      EXPECT_EQ(bytes, 0u);
      EXPECT_EQ(error, USB_NOT_COMPLETE_ERROR);
    }
    const BYTE data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    m_device->DeliverIn(0x81, data, 10);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    const DWORD expected[3] = {4, 4, 2};
    for (int i = 0; i < 3; ++i) {
      DWORD bytes = 0, error = 99;
      ASSERT_TRUE(m_funcs->lpGetTransferStatus(t[i], &bytes, &error));
      EXPECT_EQ(bytes, expected[i]) << i;
      EXPECT_EQ(error, USB_NO_ERROR);
      EXPECT_EQ(buffers[i][0], 1 + 4 * i);
      m_funcs->lpCloseTransfer(t[i]);
    }
  }
}

TEST_F(UsbHostTest, ClosedPendingTransferTakesNothing) {
  std::atomic<int> done{0};
  BYTE a[8] = {};
  USB_TRANSFER ta = m_funcs->lpIssueBulkTransfer(m_in, Count, &done, USB_IN_TRANSFER, 8, a, 0);
  ASSERT_TRUE(m_funcs->lpCloseTransfer(ta));
  const BYTE data[4] = {1, 2, 3, 4};
  m_device->DeliverIn(0x81, data, 4);
  EXPECT_EQ(done.load(), 0);
  EXPECT_EQ(m_device->PendingInBytes(0x81), 4u);
}

TEST_F(UsbHostTest, StallAndUnplugFailTransfers) {
  std::atomic<int> done{0};
  BYTE buf[8] = {};
  DWORD bytes = 0, error = 0;
  m_device->SetStall(0x02, true);
  USB_TRANSFER t = m_funcs->lpIssueBulkTransfer(m_out, Count, &done, USB_OUT_TRANSFER, 8, buf, 0);
  ASSERT_TRUE(m_funcs->lpGetTransferStatus(t, &bytes, &error));
  EXPECT_EQ(bytes, 0u);
  EXPECT_EQ(error, USB_STALL_ERROR);
  m_funcs->lpCloseTransfer(t);

  // Direction must match the pipe.
  EXPECT_EQ(m_funcs->lpIssueBulkTransfer(m_in, Count, &done, USB_OUT_TRANSFER, 8, buf, 0), nullptr);

  t = m_funcs->lpIssueBulkTransfer(m_in, Count, &done, USB_IN_TRANSFER, 8, buf, 0);
  wce::CUsbHost::GetInstance().DetachDevice(m_device);
  ASSERT_TRUE(m_funcs->lpGetTransferStatus(t, &bytes, &error));
  EXPECT_EQ(error, USB_DEVICE_NOT_RESPONDING_ERROR);
  m_funcs->lpCloseTransfer(t);
  EXPECT_EQ(m_funcs->lpIssueBulkTransfer(m_in, Count, &done, USB_IN_TRANSFER, 8, buf, 0), nullptr);
  EXPECT_EQ(m_funcs->lpGetDeviceInfo(m_handle), nullptr);
}

}  // namespace
