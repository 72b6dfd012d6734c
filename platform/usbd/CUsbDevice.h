// One attached USB device as the host stack sees it: its descriptors, its open pipes and the
// bulk transfers queued on them. A backend (TCP, scripted) derives from it, feeds the bytes that
// arrive on IN endpoints through DeliverIn and sends OUT data in SendOut.
#pragma once

#include "platform/usbd/usbdi.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace wce {

class CUsbDevice;

// A pipe handle (USB_PIPE) points at one of these; it keeps its device alive until closed.
struct CUsbPipe {
  std::shared_ptr<CUsbDevice> m_pDevice;
  BYTE m_byEndpoint = 0;
};

// A transfer handle (USB_TRANSFER) points at one of these until CloseTransfer.
struct CUsbTransfer {
  std::shared_ptr<CUsbDevice> m_pDevice;
  BYTE m_byEndpoint = 0;
  DWORD m_dwFlags = 0;
  BYTE* m_pData = nullptr;
  DWORD m_dwLength = 0;
  LPTRANSFER_NOTIFY_ROUTINE m_pfnNotify = nullptr;
  LPVOID m_pParam = nullptr;
  bool m_bComplete = false;
  DWORD m_dwBytes = 0;
  DWORD m_dwError = USB_NOT_COMPLETE_ERROR;
  int m_nCallbacksDue = 0;              // completions whose notify routine has not returned yet
  CUsbTransfer* m_pNextDone = nullptr;  // the next completion whose routine is to run after this one's
};

class CUsbDevice : public std::enable_shared_from_this<CUsbDevice> {
 public:
  struct EndpointSpec {
    BYTE m_byAddress = 0;
    USHORT m_nMaxPacketSize = 512;
  };
  struct InterfaceSpec {
    BYTE m_byInterfaceClass = 0;
    BYTE m_byInterfaceSubClass = 0;
    BYTE m_byInterfaceProtocol = 0;
    std::vector<EndpointSpec> m_Endpoints;
  };
  struct DeviceSpec {
    USHORT m_nVendorId = 0;
    USHORT m_nProductId = 0;
    USHORT m_nRelease = 0;
    BYTE m_byDeviceClass = 0;
    BYTE m_byDeviceSubClass = 0;
    BYTE m_byDeviceProtocol = 0;
    std::vector<InterfaceSpec> m_Interfaces;
  };
  explicit CUsbDevice(const DeviceSpec& desc);
  virtual ~CUsbDevice();
  CUsbDevice(const CUsbDevice&) = delete;
  CUsbDevice& operator=(const CUsbDevice&) = delete;

  LPCUSB_DEVICE GetDeviceInfo() const { return &m_Device; }

  // ---- the function table's operations
  BOOL RegisterNotification(LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param);
  BOOL UnRegisterNotification(LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param);
  CUsbPipe* OpenPipe(LPCUSB_ENDPOINT_DESCRIPTOR endpoint);
  static BOOL ClosePipe(CUsbPipe* pipe);
  static CUsbTransfer* IssueBulkTransfer(CUsbPipe* pipe, LPTRANSFER_NOTIFY_ROUTINE notify, LPVOID param,
                                         DWORD flags, DWORD size, LPVOID data);
  static BOOL IsTransferComplete(CUsbTransfer* transfer);
  static BOOL GetTransferStatus(CUsbTransfer* transfer, LPDWORD bytes, LPDWORD error);
  static BOOL AbortTransfer(CUsbTransfer* transfer);
  static BOOL CloseTransfer(CUsbTransfer* transfer);

  // ---- the backend's side
  // Bytes that arrived on an IN endpoint; pending IN transfers complete with what there is.
  void DeliverIn(BYTE endpoint, const BYTE* data, size_t length);
  size_t PendingInBytes(BYTE endpoint) const;
  // A stalled endpoint fails every transfer on it with USB_STALL_ERROR until cleared.
  void SetStall(BYTE endpoint, bool stalled);
  // The device went away: pending transfers fail, new ones cannot be issued.
  void MarkGone();
  bool IsGone() const;
  // Calls the registered notification routine with USB_CLOSE_DEVICE (TRUE when one ran).
  BOOL NotifyClose();

 protected:
  // Sends OUT data on the issuing thread; the bytes sent, or 0 with *error set.
  virtual DWORD SendOut(BYTE endpoint, const BYTE* data, DWORD length, DWORD* error) = 0;
  // Every transfer that was issued, before it is served.
  virtual void OnTransferIssued(BYTE endpoint, DWORD length, DWORD flags);

 private:
  struct InEndpoint {
    std::deque<BYTE> m_Arrived;
    // Oldest first. A driver keeps a few transfers pending: a vector that never shrinks queues
    // them without allocating.
    std::vector<CUsbTransfer*> m_Pending;
  };
  // Transfers completed under the lock, in order, whose notify routines run after it.
  struct DoneList {
    CUsbTransfer* m_pFirst = nullptr;
    CUsbTransfer* m_pLast = nullptr;
    void Add(CUsbTransfer* t);
  };

  bool HasEndpoint(BYTE endpoint) const;
  // A transfer object for a new transfer: one closed before, or a new one.
  CUsbTransfer* TakeTransfer();
  // Completes what can complete on one IN endpoint; the caller runs the notify routines.
  void ServeInLocked(BYTE endpoint, DoneList& done);
  void CompleteLocked(CUsbTransfer* t, DWORD bytes, DWORD error, DoneList& done);
  void RunCallbacks(const DoneList& done);

  // Descriptor storage behind m_Device's pointers.
  std::vector<std::vector<USB_ENDPOINT>> m_Endpoints;
  std::vector<USB_INTERFACE> m_Interfaces;
  USB_CONFIGURATION m_Config{};
  USB_DEVICE m_Device{};

  mutable std::mutex m_Lock;
  std::condition_variable m_Changed;
  bool m_bGone = false;
  std::map<BYTE, InEndpoint> m_In;
  std::map<BYTE, bool> m_Stalled;
  LPDEVICE_NOTIFY_ROUTINE m_pfnNotify = nullptr;
  LPVOID m_pNotifyParam = nullptr;
  // Closed transfer objects kept for the next transfers, so that a driver issuing transfers all
  // the time costs no allocation once as many as it keeps open were made.
  std::vector<CUsbTransfer*> m_SpareTransfers;
};

}  // namespace wce
