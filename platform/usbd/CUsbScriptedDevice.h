// An in-memory device for tests: the test sets its descriptors, feeds the bytes that arrive on
// its IN endpoint, stalls endpoints and unplugs it; every transfer issued on it is recorded.
#pragma once

#include "platform/usbd/CUsbDevice.h"

#include <mutex>
#include <vector>

namespace wce {

class CUsbScriptedDevice : public CUsbDevice {
 public:
  struct Record {
    BYTE m_byEndpoint;
    DWORD m_dwLength;
    DWORD m_dwFlags;
  };

  explicit CUsbScriptedDevice(const DeviceSpec& desc);
  std::vector<Record> Transfers() const;
  void ClearTransfers();
  // Everything sent on OUT endpoints, in order.
  std::vector<BYTE> Sent() const;

 protected:
  DWORD SendOut(BYTE endpoint, const BYTE* data, DWORD length, DWORD* error) override;
  void OnTransferIssued(BYTE endpoint, DWORD length, DWORD flags) override;

 private:
  mutable std::mutex m_RecordLock;
  std::vector<Record> m_Transfers;
  std::vector<BYTE> m_Sent;
};

}  // namespace wce
