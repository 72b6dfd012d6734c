// The USB stream driver "ADB1:" (library kavlink): a phone's ADB interface (class 255,
// subclass 66, protocol 1) as a stream device. Reads and writes move at most 4096 bytes a call;
// attach and detach are told through the named events below.
#pragma once

#include "platform/devmgr/devmgr.h"
#include "platform/kernel/wcetypes.h"
#include "platform/usbd/usbdi.h"

// Device present: one 32-bit word out (1 attached, 0 not), written into an output buffer of at
// least 4 bytes. The call itself always reports failure (last error 1): read the buffer.
#define IOCTL_ADB_GET_DEVICE_IN \
  CTL_CODE(FILE_DEVICE_UNKNOWN, 0x165, METHOD_BUFFERED, FILE_ANY_ACCESS)  // 0x220594
// Debug log: one 32-bit word in, non-zero on, zero off.
#define IOCTL_ADB_SETDEBUG_MSG \
  CTL_CODE(FILE_DEVICE_UNKNOWN, 0x167, METHOD_BUFFERED, FILE_ANY_ACCESS)  // 0x22059C

#define ADB_MAX_TRANSFER 4096

// Named events shared with the main program (auto-reset).
#define ADB_EVENT_USB_OUT u"EVENT_ADB_USB_OUT"  // set at detach
#define ADB_EVENT_USB_IN u"EVENT_ADB_USB_IN"    // set at attach; its event data is 255
// Another program switches the driver's log: set this event's data (non-zero on), then the event.
#define ADB_EVENT_DEBUG_MSG u"EVENT_DEBUG_MSG"

#define KAVLINK_EXPORT extern "C" __attribute__((visibility("default")))

KAVLINK_EXPORT BOOL ADB_Close(DWORD_PTR openContext);
KAVLINK_EXPORT BOOL ADB_Deinit(DWORD_PTR deviceContext);
KAVLINK_EXPORT BOOL ADB_IOControl(DWORD_PTR openContext, DWORD code, PBYTE in, DWORD inSize, PBYTE out,
                                  DWORD outSize, PDWORD returned);
KAVLINK_EXPORT DWORD_PTR ADB_Init(LPCWSTR activeKey, LPCVOID busContext);
KAVLINK_EXPORT DWORD_PTR ADB_Open(DWORD_PTR deviceContext, DWORD access, DWORD share);
KAVLINK_EXPORT void ADB_PowerDown(DWORD_PTR deviceContext);
KAVLINK_EXPORT void ADB_PowerUp(DWORD_PTR deviceContext);
KAVLINK_EXPORT DWORD ADB_Read(DWORD_PTR openContext, LPVOID buffer, DWORD count);
KAVLINK_EXPORT DWORD ADB_Seek(DWORD_PTR openContext, LONG amount, WORD type);
KAVLINK_EXPORT DWORD ADB_Write(DWORD_PTR openContext, LPCVOID buffer, DWORD count);
KAVLINK_EXPORT BOOL USBDeviceAttach(USB_HANDLE device, LPCUSB_FUNCS funcs, LPCUSB_INTERFACE iface,
                                    LPCWSTR uniqueDriverId, BOOL* acceptControl);
KAVLINK_EXPORT BOOL USBInstallDriver(LPCWSTR driverLibFile);
KAVLINK_EXPORT BOOL USBUnInstallDriver();
