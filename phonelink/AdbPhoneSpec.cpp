#include "phonelink/AdbPhoneSpec.h"

wce::CUsbDevice::DeviceSpec AdbPhoneSpec() {
  wce::CUsbDevice::DeviceSpec desc;
  desc.m_nVendorId = 0x18D1;
  desc.m_nProductId = 0x4EE7;
  desc.m_nRelease = 0x0100;
  wce::CUsbDevice::InterfaceSpec adb;
  adb.m_byInterfaceClass = 0xFF;
  adb.m_byInterfaceSubClass = 0x42;
  adb.m_byInterfaceProtocol = 0x01;
  adb.m_Endpoints = {{0x81, 512}, {0x02, 512}};
  desc.m_Interfaces.push_back(adb);
  return desc;
}
