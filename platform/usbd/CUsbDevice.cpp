#include "platform/usbd/CUsbDevice.h"

#include <algorithm>

namespace wce {

CUsbDevice::CUsbDevice(const DeviceSpec& desc) {
  m_endpoints.resize(desc.interfaces.size());
  m_interfaces.resize(desc.interfaces.size());
  for (size_t i = 0; i < desc.interfaces.size(); ++i) {
    const InterfaceSpec& is = desc.interfaces[i];
    for (const EndpointSpec& es : is.endpoints) {
      USB_ENDPOINT ep{};
      ep.dwCount = sizeof(USB_ENDPOINT);
      ep.Descriptor.bLength = sizeof(USB_ENDPOINT_DESCRIPTOR);
      ep.Descriptor.bDescriptorType = USB_ENDPOINT_DESCRIPTOR_TYPE;
      ep.Descriptor.bEndpointAddress = es.address;
      ep.Descriptor.bmAttributes = USB_ENDPOINT_TYPE_BULK;
      ep.Descriptor.wMaxPacketSize = es.maxPacketSize;
      m_endpoints[i].push_back(ep);
      if (es.address & USB_ENDPOINT_DIRECTION_MASK) m_in[es.address];
    }
    USB_INTERFACE& itf = m_interfaces[i];
    itf.dwCount = sizeof(USB_INTERFACE);
    itf.Descriptor.bLength = sizeof(USB_INTERFACE_DESCRIPTOR);
    itf.Descriptor.bDescriptorType = USB_INTERFACE_DESCRIPTOR_TYPE;
    itf.Descriptor.bInterfaceNumber = static_cast<UCHAR>(i);
    itf.Descriptor.bNumEndpoints = static_cast<UCHAR>(is.endpoints.size());
    itf.Descriptor.bInterfaceClass = is.interfaceClass;
    itf.Descriptor.bInterfaceSubClass = is.interfaceSubClass;
    itf.Descriptor.bInterfaceProtocol = is.interfaceProtocol;
    itf.lpEndpoints = m_endpoints[i].empty() ? nullptr : m_endpoints[i].data();
  }
  m_config.dwCount = sizeof(USB_CONFIGURATION);
  m_config.Descriptor.bLength = sizeof(USB_CONFIGURATION_DESCRIPTOR);
  m_config.Descriptor.bDescriptorType = USB_CONFIGURATION_DESCRIPTOR_TYPE;
  m_config.Descriptor.bNumInterfaces = static_cast<UCHAR>(desc.interfaces.size());
  m_config.Descriptor.bConfigurationValue = 1;
  m_config.Descriptor.bmAttributes = 0x80;
  m_config.dwNumInterfaces = static_cast<DWORD>(m_interfaces.size());
  m_config.lpInterfaces = m_interfaces.empty() ? nullptr : m_interfaces.data();

  m_device.dwCount = sizeof(USB_DEVICE);
  m_device.Descriptor.bLength = sizeof(USB_DEVICE_DESCRIPTOR);
  m_device.Descriptor.bDescriptorType = USB_DEVICE_DESCRIPTOR_TYPE;
  m_device.Descriptor.bcdUSB = 0x0200;
  m_device.Descriptor.bDeviceClass = desc.deviceClass;
  m_device.Descriptor.bDeviceSubClass = desc.deviceSubClass;
  m_device.Descriptor.bDeviceProtocol = desc.deviceProtocol;
  m_device.Descriptor.bMaxPacketSize0 = 64;
  m_device.Descriptor.idVendor = desc.vendorId;
  m_device.Descriptor.idProduct = desc.productId;
  m_device.Descriptor.bcdDevice = desc.release;
  m_device.Descriptor.bNumConfigurations = 1;
  m_device.lpConfigs = &m_config;
  m_device.lpActiveConfig = &m_config;
}

CUsbDevice::~CUsbDevice() {
  for (CUsbTransfer* t : m_spareTransfers) delete t;
}

void CUsbDevice::DoneList::Add(CUsbTransfer* t) {
  t->nextDone = nullptr;
  if (last != nullptr) {
    last->nextDone = t;
  } else {
    first = t;
  }
  last = t;
}

CUsbTransfer* CUsbDevice::TakeTransfer() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_spareTransfers.empty()) {
      CUsbTransfer* t = m_spareTransfers.back();
      m_spareTransfers.pop_back();
      return t;
    }
  }
  return new CUsbTransfer;
}

void CUsbDevice::OnTransferIssued(BYTE, DWORD, DWORD) {}

bool CUsbDevice::HasEndpoint(BYTE endpoint) const {
  for (const auto& eps : m_endpoints)
    for (const USB_ENDPOINT& ep : eps)
      if (ep.Descriptor.bEndpointAddress == endpoint) return true;
  return false;
}

BOOL CUsbDevice::RegisterNotification(LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param) {
  if (!routine) return FALSE;
  std::lock_guard<std::mutex> lock(m_lock);
  m_notify = routine;
  m_notifyParam = param;
  return TRUE;
}

BOOL CUsbDevice::UnRegisterNotification(LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_notify != routine || m_notifyParam != param) return FALSE;
  m_notify = nullptr;
  m_notifyParam = nullptr;
  return TRUE;
}

CUsbPipe* CUsbDevice::OpenPipe(LPCUSB_ENDPOINT_DESCRIPTOR endpoint) {
  if (!endpoint || !HasEndpoint(endpoint->bEndpointAddress) || IsGone()) return nullptr;
  CUsbPipe* pipe = new CUsbPipe;
  pipe->device = shared_from_this();
  pipe->endpoint = endpoint->bEndpointAddress;
  return pipe;
}

BOOL CUsbDevice::ClosePipe(CUsbPipe* pipe) {
  if (!pipe) return FALSE;
  delete pipe;
  return TRUE;
}

void CUsbDevice::CompleteLocked(CUsbTransfer* t, DWORD bytes, DWORD error, DoneList& done) {
  t->complete = true;
  t->bytes = bytes;
  t->error = error;
  if (t->notify) {
    ++t->callbacksDue;
    done.Add(t);
  }
  m_changed.notify_all();
}

void CUsbDevice::ServeInLocked(BYTE endpoint, DoneList& done) {
  InEndpoint& in = m_in[endpoint];
  const bool stalled = m_stalled[endpoint];
  while (!in.pending.empty()) {
    CUsbTransfer* t = in.pending.front();
    if (m_gone) {
      CompleteLocked(t, 0, USB_DEVICE_NOT_RESPONDING_ERROR, done);
    } else if (stalled) {
      CompleteLocked(t, 0, USB_STALL_ERROR, done);
    } else if (t->length == 0) {
      CompleteLocked(t, 0, USB_NO_ERROR, done);
    } else if (!in.arrived.empty()) {
      // A bulk IN transfer ends with a short packet: it takes what has arrived, up to its length.
      const size_t n = std::min<size_t>(t->length, in.arrived.size());
      std::copy(in.arrived.begin(), in.arrived.begin() + static_cast<std::ptrdiff_t>(n), t->data);
      in.arrived.erase(in.arrived.begin(), in.arrived.begin() + static_cast<std::ptrdiff_t>(n));
      CompleteLocked(t, static_cast<DWORD>(n), USB_NO_ERROR, done);
    } else {
      break;
    }
    in.pending.erase(in.pending.begin());
  }
}

void CUsbDevice::RunCallbacks(const DoneList& done) {
  for (CUsbTransfer *t = done.first, *next = nullptr; t != nullptr; t = next) {
    // Once its routine is counted as returned, a transfer may be closed and serve another one.
    next = t->nextDone;
    t->notify(t->param);
    std::lock_guard<std::mutex> lock(m_lock);
    --t->callbacksDue;
    m_changed.notify_all();
  }
}

CUsbTransfer* CUsbDevice::IssueBulkTransfer(CUsbPipe* pipe, LPTRANSFER_NOTIFY_ROUTINE notify, LPVOID param,
                                            DWORD flags, DWORD size, LPVOID data) {
  if (!pipe || (size > 0 && !data)) return nullptr;
  CUsbDevice* dev = pipe->device.get();
  const bool in = (pipe->endpoint & USB_ENDPOINT_DIRECTION_MASK) != 0;
  if (in != ((flags & USB_IN_TRANSFER) != 0)) return nullptr;
  if (dev->IsGone()) return nullptr;

  CUsbTransfer* t = dev->TakeTransfer();
  t->device = pipe->device;
  t->endpoint = pipe->endpoint;
  t->flags = flags;
  t->data = static_cast<BYTE*>(data);
  t->length = size;
  t->notify = notify;
  t->param = param;
  dev->OnTransferIssued(t->endpoint, size, flags);

  DoneList done;
  if (in) {
    std::lock_guard<std::mutex> lock(dev->m_lock);
    dev->m_in[t->endpoint].pending.push_back(t);
    dev->ServeInLocked(t->endpoint, done);
  } else {
    bool stalled;
    {
      std::lock_guard<std::mutex> lock(dev->m_lock);
      stalled = dev->m_stalled[t->endpoint] || dev->m_gone;
      if (stalled) {
        dev->CompleteLocked(t, 0, dev->m_gone ? USB_DEVICE_NOT_RESPONDING_ERROR : USB_STALL_ERROR, done);
      }
    }
    if (!stalled) {
      DWORD error = USB_NO_ERROR;
      const DWORD sent = size ? dev->SendOut(t->endpoint, t->data, size, &error) : 0;
      std::lock_guard<std::mutex> lock(dev->m_lock);
      dev->CompleteLocked(t, sent, error, done);
    }
  }
  dev->RunCallbacks(done);
  if (!notify) {
    std::unique_lock<std::mutex> lock(dev->m_lock);
    dev->m_changed.wait(lock, [t] { return t->complete; });
  }
  return t;
}

BOOL CUsbDevice::IsTransferComplete(CUsbTransfer* t) {
  if (!t) return FALSE;
  std::lock_guard<std::mutex> lock(t->device->m_lock);
  return t->complete ? TRUE : FALSE;
}

BOOL CUsbDevice::GetTransferStatus(CUsbTransfer* t, LPDWORD bytes, LPDWORD error) {
  if (!t) return FALSE;
  std::lock_guard<std::mutex> lock(t->device->m_lock);
  if (bytes) *bytes = t->complete ? t->bytes : 0;
  if (error) *error = t->complete ? t->error : USB_NOT_COMPLETE_ERROR;
  return t->complete ? TRUE : FALSE;
}

BOOL CUsbDevice::AbortTransfer(CUsbTransfer* t) {
  if (!t) return FALSE;
  CUsbDevice* dev = t->device.get();
  DoneList done;
  {
    std::lock_guard<std::mutex> lock(dev->m_lock);
    auto& pending = dev->m_in[t->endpoint].pending;
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
  std::shared_ptr<CUsbDevice> keep = t->device;
  {
    std::unique_lock<std::mutex> lock(keep->m_lock);
    auto& pending = keep->m_in[t->endpoint].pending;
    auto it = std::find(pending.begin(), pending.end(), t);
    if (it != pending.end()) {
      // Closed before completion: it takes no bytes and its routine will not run.
      pending.erase(it);
      t->complete = true;
      t->error = USB_CANCELED_ERROR;
    }
    // A completion routine already on its way still gets to return before the handle dies.
    keep->m_changed.wait(lock, [t] { return t->callbacksDue == 0; });
    *t = CUsbTransfer();
    keep->m_spareTransfers.push_back(t);
  }
  return TRUE;
}

void CUsbDevice::DeliverIn(BYTE endpoint, const BYTE* data, size_t length) {
  DoneList done;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_gone) return;
    InEndpoint& in = m_in[endpoint];
    in.arrived.insert(in.arrived.end(), data, data + length);
    ServeInLocked(endpoint, done);
  }
  RunCallbacks(done);
}

size_t CUsbDevice::PendingInBytes(BYTE endpoint) const {
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_in.find(endpoint);
  return it == m_in.end() ? 0 : it->second.arrived.size();
}

void CUsbDevice::SetStall(BYTE endpoint, bool stalled) {
  DoneList done;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stalled[endpoint] = stalled;
    if (endpoint & USB_ENDPOINT_DIRECTION_MASK) ServeInLocked(endpoint, done);
  }
  RunCallbacks(done);
}

void CUsbDevice::MarkGone() {
  DoneList done;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_gone = true;
    for (auto& [ep, in] : m_in) {
      in.arrived.clear();
      ServeInLocked(ep, done);
    }
  }
  RunCallbacks(done);
}

bool CUsbDevice::IsGone() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_gone;
}

BOOL CUsbDevice::NotifyClose() {
  LPDEVICE_NOTIFY_ROUTINE routine;
  LPVOID param;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    routine = m_notify;
    param = m_notifyParam;
  }
  if (!routine) return FALSE;
  routine(param, USB_CLOSE_DEVICE, nullptr, nullptr, nullptr, nullptr);
  return TRUE;
}

}  // namespace wce
