#include "phonelink/AdbPhoneSpec.h"

wce::CUsbDevice::DeviceSpec AdbPhoneSpec() {
  wce::CUsbDevice::DeviceSpec desc;
  desc.vendorId = 0x18D1;
  desc.productId = 0x4EE7;
  desc.release = 0x0100;
  wce::CUsbDevice::InterfaceSpec adb;
  adb.interfaceClass = 0xFF;
  adb.interfaceSubClass = 0x42;
  adb.interfaceProtocol = 0x01;
  adb.endpoints = {{0x81, 512}, {0x02, 512}};
  desc.interfaces.push_back(adb);
  return desc;
}
