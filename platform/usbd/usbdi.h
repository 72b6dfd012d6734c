// The USB host driver interface (USBD) that a USB client driver is written against: the
// descriptors of an attached device, the function table handed to the client's
// USBDeviceAttach, and the registration of client drivers in the registry.
#pragma once

#include "platform/kernel/wcetypes.h"

typedef LPVOID USB_HANDLE;
typedef LPVOID USB_PIPE;
typedef LPVOID USB_TRANSFER;

// ---- descriptors (USB 2.0, chapter 9 layouts)
#pragma pack(push, 1)
struct USB_DEVICE_DESCRIPTOR {
  UCHAR bLength;
  UCHAR bDescriptorType;
  USHORT bcdUSB;
  UCHAR bDeviceClass;
  UCHAR bDeviceSubClass;
  UCHAR bDeviceProtocol;
  UCHAR bMaxPacketSize0;
  USHORT idVendor;
  USHORT idProduct;
  USHORT bcdDevice;
  UCHAR iManufacturer;
  UCHAR iProduct;
  UCHAR iSerialNumber;
  UCHAR bNumConfigurations;
};

struct USB_CONFIGURATION_DESCRIPTOR {
  UCHAR bLength;
  UCHAR bDescriptorType;
  USHORT wTotalLength;
  UCHAR bNumInterfaces;
  UCHAR bConfigurationValue;
  UCHAR iConfiguration;
  UCHAR bmAttributes;
  UCHAR MaxPower;
};

struct USB_INTERFACE_DESCRIPTOR {
  UCHAR bLength;
  UCHAR bDescriptorType;
  UCHAR bInterfaceNumber;
  UCHAR bAlternateSetting;
  UCHAR bNumEndpoints;
  UCHAR bInterfaceClass;
  UCHAR bInterfaceSubClass;
  UCHAR bInterfaceProtocol;
  UCHAR iInterface;
};

struct USB_ENDPOINT_DESCRIPTOR {
  UCHAR bLength;
  UCHAR bDescriptorType;
  UCHAR bEndpointAddress;  // bit 7 set: IN (device to host)
  UCHAR bmAttributes;      // 2: bulk
  USHORT wMaxPacketSize;
  UCHAR bInterval;
};
#pragma pack(pop)

#define USB_DEVICE_DESCRIPTOR_TYPE 1
#define USB_CONFIGURATION_DESCRIPTOR_TYPE 2
#define USB_INTERFACE_DESCRIPTOR_TYPE 4
#define USB_ENDPOINT_DESCRIPTOR_TYPE 5
#define USB_ENDPOINT_DIRECTION_MASK 0x80
#define USB_ENDPOINT_TYPE_BULK 0x02

typedef const USB_ENDPOINT_DESCRIPTOR* LPCUSB_ENDPOINT_DESCRIPTOR;

// ---- the parsed device information the host stack keeps for an attached device
struct USB_ENDPOINT {
  DWORD dwCount;  // size of this structure
  USB_ENDPOINT_DESCRIPTOR Descriptor;
  LPBYTE lpbExtended;
};
typedef const USB_ENDPOINT* LPCUSB_ENDPOINT;

struct USB_INTERFACE {
  DWORD dwCount;
  USB_INTERFACE_DESCRIPTOR Descriptor;
  LPBYTE lpbExtended;
  LPCUSB_ENDPOINT lpEndpoints;  // Descriptor.bNumEndpoints entries
};
typedef const USB_INTERFACE* LPCUSB_INTERFACE;

struct USB_CONFIGURATION {
  DWORD dwCount;
  USB_CONFIGURATION_DESCRIPTOR Descriptor;
  LPBYTE lpbExtended;
  DWORD dwNumInterfaces;  // every alternate setting counts as one entry
  LPCUSB_INTERFACE lpInterfaces;
};
typedef const USB_CONFIGURATION* LPCUSB_CONFIGURATION;

struct USB_DEVICE {
  DWORD dwCount;
  USB_DEVICE_DESCRIPTOR Descriptor;
  LPCUSB_CONFIGURATION lpConfigs;
  LPCUSB_CONFIGURATION lpActiveConfig;
};
typedef const USB_DEVICE* LPCUSB_DEVICE;

// ---- transfers
#define USB_OUT_TRANSFER 0x00000000u
#define USB_IN_TRANSFER 0x00000080u
#define USB_NO_WAIT 0x00000100u
#define USB_SHORT_TRANSFER_OK 0x00000200u

// Transfer errors, as GetTransferStatus reports them.
#define USB_NO_ERROR 0x00000000u
#define USB_STALL_ERROR 0x00000004u
#define USB_DEVICE_NOT_RESPONDING_ERROR 0x00000005u
#define USB_CANCELED_ERROR 0x00000101u
#define USB_NOT_COMPLETE_ERROR 0x00000102u

// Called by the host stack when a transfer completes (on one of its own threads).
typedef DWORD (*LPTRANSFER_NOTIFY_ROUTINE)(LPVOID param);

// ---- device notifications
#define USB_CLOSE_DEVICE 1
typedef BOOL (*LPDEVICE_NOTIFY_ROUTINE)(LPVOID param, DWORD code, LPDWORD* info1, LPDWORD* info2,
                                        LPDWORD* info3, LPDWORD* info4);

// ---- the function table given to USBDeviceAttach
struct USB_FUNCS {
  DWORD dwCount;  // size of this structure
  LPCUSB_DEVICE (*lpGetDeviceInfo)(USB_HANDLE device);
  BOOL (*lpRegisterNotificationRoutine)(USB_HANDLE device, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param);
  BOOL (*lpUnRegisterNotificationRoutine)(USB_HANDLE device, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param);
  USB_PIPE (*lpOpenPipe)(USB_HANDLE device, LPCUSB_ENDPOINT_DESCRIPTOR endpoint);
  BOOL (*lpClosePipe)(USB_PIPE pipe);
  // With a notify routine the call returns at once and the routine runs at completion; without
  // one it returns when the transfer has completed. NULL when the transfer cannot be issued.
  USB_TRANSFER(*lpIssueBulkTransfer)
  (USB_PIPE pipe, LPTRANSFER_NOTIFY_ROUTINE notify, LPVOID param, DWORD flags, DWORD size, LPVOID data,
   ULONG physAddr);
  BOOL (*lpIsTransferComplete)(USB_TRANSFER transfer);
  // FALSE for a transfer that has not completed.
  BOOL (*lpGetTransferStatus)(USB_TRANSFER transfer, LPDWORD bytesTransferred, LPDWORD error);
  BOOL (*lpAbortTransfer)(USB_TRANSFER transfer, DWORD flags);
  // Aborts the transfer when it is still pending; its notify routine is not called afterwards.
  BOOL (*lpCloseTransfer)(USB_TRANSFER transfer);
};
typedef const USB_FUNCS* LPCUSB_FUNCS;

// ---- client drivers
#define USB_NO_INFO 0xFFFFFFFFu

struct USB_DRIVER_SETTINGS {
  DWORD dwCount;  // 40: the size of this structure
  DWORD dwVendorId;
  DWORD dwProductId;
  DWORD dwReleaseNumber;
  DWORD dwDeviceClass;
  DWORD dwDeviceSubClass;
  DWORD dwDeviceProtocol;
  DWORD dwInterfaceClass;
  DWORD dwInterfaceSubClass;
  DWORD dwInterfaceProtocol;
};
typedef const USB_DRIVER_SETTINGS* LPCUSB_DRIVER_SETTINGS;

// The client driver's export the host stack calls for a device it may take.
typedef BOOL (*LPUSB_DEVICE_ATTACH)(USB_HANDLE device, LPCUSB_FUNCS funcs, LPCUSB_INTERFACE iface,
                                    LPCWSTR uniqueDriverId, BOOL* acceptControl);
#define USB_DEVICE_ATTACH_PROC "USBDeviceAttach"

// "Drivers\USB\ClientDrivers\<id>".
BOOL RegisterClientDriverID(LPCWSTR uniqueDriverId);
BOOL UnRegisterClientDriverID(LPCWSTR uniqueDriverId);
// "Drivers\USB\LoadClients\<vendor group>\<device group>\<interface group>\<id>" with "DLL" =
// the library file. A group is "Default" when all its numbers are USB_NO_INFO, else its known
// leading numbers joined by "_" ("255_66_1").
BOOL RegisterClientSettings(LPCWSTR driverLibFile, LPCWSTR uniqueDriverId, LPCWSTR reserved,
                            LPCUSB_DRIVER_SETTINGS settings);
BOOL UnRegisterClientSettings(LPCWSTR uniqueDriverId, LPCWSTR reserved, LPCUSB_DRIVER_SETTINGS settings);
