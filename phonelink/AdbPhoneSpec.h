// The phone as the head unit's USB host sees it when it is plugged in: the descriptors of its one
// ADB interface, which the code that plugs a phone in (over TCP, or a scripted one) attaches.
#pragma once

#include "platform/usbd/CUsbDevice.h"

// The one ADB interface of a phone: class 255, subclass 66, protocol 1, bulk IN 0x81 and
// bulk OUT 0x02 with 512-byte packets, behind Google's vendor id.
wce::CUsbDevice::DeviceSpec AdbPhoneSpec();
