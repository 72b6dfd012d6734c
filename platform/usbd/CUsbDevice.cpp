#include "platform/usbd/CUsbDevice.h"

#include <algorithm>

namespace wce {

CUsbDevice::CUsbDevice(const DeviceSpec& desc) {
  m_Endpoints.resize(desc.m_Interfaces.size());
  m_Interfaces.resize(desc.m_Interfaces.size());
  for (size_t i = 0; i < desc.m_Interfaces.size(); ++i) {
    const InterfaceSpec& is = desc.m_Interfaces[i];
    for (const EndpointSpec& es : is.m_Endpoints) {
      USB_ENDPOINT ep{};
      ep.dwCount = sizeof(USB_ENDPOINT);
      ep.Descriptor.bLength = sizeof(USB_ENDPOINT_DESCRIPTOR);
      ep.Descriptor.bDescriptorType = USB_ENDPOINT_DESCRIPTOR_TYPE;
      ep.Descriptor.bEndpointAddress = es.m_byAddress;
      ep.Descriptor.bmAttributes = USB_ENDPOINT_TYPE_BULK;
      ep.Descriptor.wMaxPacketSize = es.m_nMaxPacketSize;
      m_Endpoints[i].push_back(ep);
      if (es.m_byAddress & USB_ENDPOINT_DIRECTION_MASK) m_In[es.m_byAddress];
    }
    USB_INTERFACE& itf = m_Interfaces[i];
    itf.dwCount = sizeof(USB_INTERFACE);
    itf.Descriptor.bLength = sizeof(USB_INTERFACE_DESCRIPTOR);
    itf.Descriptor.bDescriptorType = USB_INTERFACE_DESCRIPTOR_TYPE;
    itf.Descriptor.bInterfaceNumber = static_cast<UCHAR>(i);
    itf.Descriptor.bNumEndpoints = static_cast<UCHAR>(is.m_Endpoints.size());
    itf.Descriptor.bInterfaceClass = is.m_byInterfaceClass;
    itf.Descriptor.bInterfaceSubClass = is.m_byInterfaceSubClass;
    itf.Descriptor.bInterfaceProtocol = is.m_byInterfaceProtocol;
    itf.lpEndpoints = m_Endpoints[i].empty() ? nullptr : m_Endpoints[i].data();
  }
  m_Config.dwCount = sizeof(USB_CONFIGURATION);
  m_Config.Descriptor.bLength = sizeof(USB_CONFIGURATION_DESCRIPTOR);
  m_Config.Descriptor.bDescriptorType = USB_CONFIGURATION_DESCRIPTOR_TYPE;
  m_Config.Descriptor.bNumInterfaces = static_cast<UCHAR>(desc.m_Interfaces.size());
  m_Config.Descriptor.bConfigurationValue = 1;
  m_Config.Descriptor.bmAttributes = 0x80;
  m_Config.dwNumInterfaces = static_cast<DWORD>(m_Interfaces.size());
  m_Config.lpInterfaces = m_Interfaces.empty() ? nullptr : m_Interfaces.data();

  m_Device.dwCount = sizeof(USB_DEVICE);
  m_Device.Descriptor.bLength = sizeof(USB_DEVICE_DESCRIPTOR);
  m_Device.Descriptor.bDescriptorType = USB_DEVICE_DESCRIPTOR_TYPE;
  m_Device.Descriptor.bcdUSB = 0x0200;
  m_Device.Descriptor.bDeviceClass = desc.m_byDeviceClass;
  m_Device.Descriptor.bDeviceSubClass = desc.m_byDeviceSubClass;
  m_Device.Descriptor.bDeviceProtocol = desc.m_byDeviceProtocol;
  m_Device.Descriptor.bMaxPacketSize0 = 64;
  m_Device.Descriptor.idVendor = desc.m_nVendorId;
  m_Device.Descriptor.idProduct = desc.m_nProductId;
  m_Device.Descriptor.bcdDevice = desc.m_nRelease;
  m_Device.Descriptor.bNumConfigurations = 1;
  m_Device.lpConfigs = &m_Config;
  m_Device.lpActiveConfig = &m_Config;
}

CUsbDevice::~CUsbDevice() {
  for (CUsbTransfer* t : m_SpareTransfers) delete t;
}

void CUsbDevice::DoneList::Add(CUsbTransfer* t) {
  t->m_pNextDone = nullptr;
  if (m_pLast != nullptr) {
    m_pLast->m_pNextDone = t;
  } else {
    m_pFirst = t;
  }
  m_pLast = t;
}

CUsbTransfer* CUsbDevice::TakeTransfer() {
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    if (!m_SpareTransfers.empty()) {
      CUsbTransfer* t = m_SpareTransfers.back();
      m_SpareTransfers.pop_back();
      return t;
    }
  }
  return new CUsbTransfer;
}

void CUsbDevice::OnTransferIssued(BYTE, DWORD, DWORD) {}

bool CUsbDevice::HasEndpoint(BYTE endpoint) const {
  for (const auto& eps : m_Endpoints)
    for (const USB_ENDPOINT& ep : eps)
      if (ep.Descriptor.bEndpointAddress == endpoint) return true;
  return false;
}

BOOL CUsbDevice::RegisterNotification(LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param) {
  if (!routine) return FALSE;
  std::lock_guard<std::mutex> lock(m_Lock);
  m_pfnNotify = routine;
  m_pNotifyParam = param;
  return TRUE;
}

BOOL CUsbDevice::UnRegisterNotification(LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param) {
  std::lock_guard<std::mutex> lock(m_Lock);
  if (m_pfnNotify != routine || m_pNotifyParam != param) return FALSE;
  m_pfnNotify = nullptr;
  m_pNotifyParam = nullptr;
  return TRUE;
}

CUsbPipe* CUsbDevice::OpenPipe(LPCUSB_ENDPOINT_DESCRIPTOR endpoint) {
  if (!endpoint || !HasEndpoint(endpoint->bEndpointAddress) || IsGone()) return nullptr;
  CUsbPipe* pipe = new CUsbPipe;
  pipe->m_pDevice = shared_from_this();
  pipe->m_byEndpoint = endpoint->bEndpointAddress;
  return pipe;
}

BOOL CUsbDevice::ClosePipe(CUsbPipe* pipe) {
  if (!pipe) return FALSE;
  delete pipe;
  return TRUE;
}

void CUsbDevice::CompleteLocked(CUsbTransfer* t, DWORD bytes, DWORD error, DoneList& done) {
  t->m_bComplete = true;
  t->m_dwBytes = bytes;
  t->m_dwError = error;
  if (t->m_pfnNotify) {
    ++t->m_nCallbacksDue;
    done.Add(t);
  }
  m_Changed.notify_all();
}

void CUsbDevice::ServeInLocked(BYTE endpoint, DoneList& done) {
  InEndpoint& in = m_In[endpoint];
  const bool stalled = m_Stalled[endpoint];
  while (!in.m_Pending.empty()) {
    CUsbTransfer* t = in.m_Pending.front();
    if (m_bGone) {
      CompleteLocked(t, 0, USB_DEVICE_NOT_RESPONDING_ERROR, done);
    } else if (stalled) {
      CompleteLocked(t, 0, USB_STALL_ERROR, done);
    } else if (t->m_dwLength == 0) {
      CompleteLocked(t, 0, USB_NO_ERROR, done);
    } else if (!in.m_Arrived.empty()) {
      // A bulk IN transfer ends with a short packet: it takes what has arrived, up to its length.
      const size_t n = std::min<size_t>(t->m_dwLength, in.m_Arrived.size());
      std::copy(in.m_Arrived.begin(), in.m_Arrived.begin() + static_cast<std::ptrdiff_t>(n), t->m_pData);
      in.m_Arrived.erase(in.m_Arrived.begin(), in.m_Arrived.begin() + static_cast<std::ptrdiff_t>(n));
      CompleteLocked(t, static_cast<DWORD>(n), USB_NO_ERROR, done);
    } else {
      break;
    }
    in.m_Pending.erase(in.m_Pending.begin());
  }
}

void CUsbDevice::RunCallbacks(const DoneList& done) {
  for (CUsbTransfer *t = done.m_pFirst, *next = nullptr; t != nullptr; t = next) {
    // Once its routine is counted as returned, a transfer may be closed and serve another one.
    next = t->m_pNextDone;
    t->m_pfnNotify(t->m_pParam);
    std::lock_guard<std::mutex> lock(m_Lock);
    --t->m_nCallbacksDue;
    m_Changed.notify_all();
  }
}

CUsbTransfer* CUsbDevice::IssueBulkTransfer(CUsbPipe* pipe, LPTRANSFER_NOTIFY_ROUTINE notify, LPVOID param,
                                            DWORD flags, DWORD size, LPVOID data) {
  if (!pipe || (size > 0 && !data)) return nullptr;
  CUsbDevice* dev = pipe->m_pDevice.get();
  const bool in = (pipe->m_byEndpoint & USB_ENDPOINT_DIRECTION_MASK) != 0;
  if (in != ((flags & USB_IN_TRANSFER) != 0)) return nullptr;
  if (dev->IsGone()) return nullptr;

  CUsbTransfer* t = dev->TakeTransfer();
  t->m_pDevice = pipe->m_pDevice;
  t->m_byEndpoint = pipe->m_byEndpoint;
  t->m_dwFlags = flags;
  t->m_pData = static_cast<BYTE*>(data);
  t->m_dwLength = size;
  t->m_pfnNotify = notify;
  t->m_pParam = param;
  dev->OnTransferIssued(t->m_byEndpoint, size, flags);

  DoneList done;
  if (in) {
    std::lock_guard<std::mutex> lock(dev->m_Lock);
    dev->m_In[t->m_byEndpoint].m_Pending.push_back(t);
    dev->ServeInLocked(t->m_byEndpoint, done);
  } else {
    bool stalled;
    {
      std::lock_guard<std::mutex> lock(dev->m_Lock);
      stalled = dev->m_Stalled[t->m_byEndpoint] || dev->m_bGone;
      if (stalled) {
        dev->CompleteLocked(t, 0, dev->m_bGone ? USB_DEVICE_NOT_RESPONDING_ERROR : USB_STALL_ERROR, done);
      }
    }
    if (!stalled) {
      DWORD error = USB_NO_ERROR;
      const DWORD sent = size ? dev->SendOut(t->m_byEndpoint, t->m_pData, size, &error) : 0;
      std::lock_guard<std::mutex> lock(dev->m_Lock);
      dev->CompleteLocked(t, sent, error, done);
    }
  }
  dev->RunCallbacks(done);
  if (!notify) {
    std::unique_lock<std::mutex> lock(dev->m_Lock);
    dev->m_Changed.wait(lock, [t] { return t->m_bComplete; });
  }
  return t;
}

BOOL CUsbDevice::IsTransferComplete(CUsbTransfer* t) {
  if (!t) return FALSE;
  std::lock_guard<std::mutex> lock(t->m_pDevice->m_Lock);
  return t->m_bComplete ? TRUE : FALSE;
}

BOOL CUsbDevice::GetTransferStatus(CUsbTransfer* t, LPDWORD bytes, LPDWORD error) {
  if (!t) return FALSE;
  std::lock_guard<std::mutex> lock(t->m_pDevice->m_Lock);
  if (bytes) *bytes = t->m_bComplete ? t->m_dwBytes : 0;
  if (error) *error = t->m_bComplete ? t->m_dwError : USB_NOT_COMPLETE_ERROR;
  return t->m_bComplete ? TRUE : FALSE;
}

BOOL CUsbDevice::AbortTransfer(CUsbTransfer* t) {
  if (!t) return FALSE;
  CUsbDevice* dev = t->m_pDevice.get();
  DoneList done;
  {
    std::lock_guard<std::mutex> lock(dev->m_Lock);
    auto& pending = dev->m_In[t->m_byEndpoint].m_Pending;
    auto it = std::find(pending.begin(), pending.end(), t);
    if (it != pending.end()) {
      pending.erase(it);
      dev->CompleteLocked(t, 0, USB_CANCELED_ERROR, done);
    }
  }
  dev->RunCallbacks(done);
  return TRUE;
}

BOOL CUsbDevice::CloseTransfer(CUsbTransfer* t) {
  if (!t) return FALSE;
  std::shared_ptr<CUsbDevice> keep = t->m_pDevice;
  {
    std::unique_lock<std::mutex> lock(keep->m_Lock);
    auto& pending = keep->m_In[t->m_byEndpoint].m_Pending;
    auto it = std::find(pending.begin(), pending.end(), t);
    if (it != pending.end()) {
      // Closed before completion: it takes no bytes and its routine will not run.
      pending.erase(it);
      t->m_bComplete = true;
      t->m_dwError = USB_CANCELED_ERROR;
    }
    // A completion routine already on its way still gets to return before the handle dies.
    keep->m_Changed.wait(lock, [t] { return t->m_nCallbacksDue == 0; });
    *t = CUsbTransfer();
    keep->m_SpareTransfers.push_back(t);
  }
  return TRUE;
}

void CUsbDevice::DeliverIn(BYTE endpoint, const BYTE* data, size_t length) {
  DoneList done;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_bGone) return;
    InEndpoint& in = m_In[endpoint];
    in.m_Arrived.insert(in.m_Arrived.end(), data, data + length);
    ServeInLocked(endpoint, done);
  }
  RunCallbacks(done);
}

size_t CUsbDevice::PendingInBytes(BYTE endpoint) const {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_In.find(endpoint);
  return it == m_In.end() ? 0 : it->second.m_Arrived.size();
}

void CUsbDevice::SetStall(BYTE endpoint, bool stalled) {
  DoneList done;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Stalled[endpoint] = stalled;
    if (endpoint & USB_ENDPOINT_DIRECTION_MASK) ServeInLocked(endpoint, done);
  }
  RunCallbacks(done);
}

void CUsbDevice::MarkGone() {
  DoneList done;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bGone = true;
    for (auto& [ep, in] : m_In) {
      in.m_Arrived.clear();
      ServeInLocked(ep, done);
    }
  }
  RunCallbacks(done);
}

bool CUsbDevice::IsGone() const {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_bGone;
}

BOOL CUsbDevice::NotifyClose() {
  LPDEVICE_NOTIFY_ROUTINE routine;
  LPVOID param;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    routine = m_pfnNotify;
    param = m_pNotifyParam;
  }
  if (!routine) return FALSE;
  routine(param, USB_CLOSE_DEVICE, nullptr, nullptr, nullptr, nullptr);
  return TRUE;
}

}  // namespace wce
