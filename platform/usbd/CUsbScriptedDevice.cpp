#include "platform/usbd/CUsbScriptedDevice.h"

namespace wce {

CUsbScriptedDevice::CUsbScriptedDevice(const DeviceSpec& desc) : CUsbDevice(desc) {}

std::vector<CUsbScriptedDevice::Record> CUsbScriptedDevice::Transfers() const {
  std::lock_guard<std::mutex> lock(m_RecordLock);
  return m_Transfers;
}

void CUsbScriptedDevice::ClearTransfers() {
  std::lock_guard<std::mutex> lock(m_RecordLock);
  m_Transfers.clear();
  m_Sent.clear();
}

std::vector<BYTE> CUsbScriptedDevice::Sent() const {
  std::lock_guard<std::mutex> lock(m_RecordLock);
  return m_Sent;
}

DWORD CUsbScriptedDevice::SendOut(BYTE, const BYTE* data, DWORD length, DWORD* error) {
  std::lock_guard<std::mutex> lock(m_RecordLock);
  m_Sent.insert(m_Sent.end(), data, data + length);
  *error = USB_NO_ERROR;
  return length;
}

void CUsbScriptedDevice::OnTransferIssued(BYTE endpoint, DWORD length, DWORD flags) {
  std::lock_guard<std::mutex> lock(m_RecordLock);
  m_Transfers.push_back({endpoint, length, flags});
}

}  // namespace wce
