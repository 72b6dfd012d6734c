#include "platform/usbd/CUsbScriptedDevice.h"

namespace wce {

CUsbScriptedDevice::CUsbScriptedDevice(const DeviceSpec& desc) : CUsbDevice(desc) {}

std::vector<CUsbScriptedDevice::Record> CUsbScriptedDevice::Transfers() const {
  std::lock_guard<std::mutex> lock(m_recordLock);
  return m_transfers;
}

void CUsbScriptedDevice::ClearTransfers() {
  std::lock_guard<std::mutex> lock(m_recordLock);
  m_transfers.clear();
  m_sent.clear();
}

std::vector<BYTE> CUsbScriptedDevice::Sent() const {
  std::lock_guard<std::mutex> lock(m_recordLock);
  return m_sent;
}

DWORD CUsbScriptedDevice::SendOut(BYTE, const BYTE* data, DWORD length, DWORD* error) {
  std::lock_guard<std::mutex> lock(m_recordLock);
  m_sent.insert(m_sent.end(), data, data + length);
  *error = USB_NO_ERROR;
  return length;
}

void CUsbScriptedDevice::OnTransferIssued(BYTE endpoint, DWORD length, DWORD flags) {
  std::lock_guard<std::mutex> lock(m_recordLock);
  m_transfers.push_back({endpoint, length, flags});
}

}  // namespace wce
