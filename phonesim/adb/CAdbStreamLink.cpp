#include "phonesim/adb/CAdbStreamLink.h"

#include "phonesim/adb/CAdbDevice.h"

namespace phonesim {

CAdbStreamLink::CAdbStreamLink(std::shared_ptr<SDeviceCore> core, uint32_t device_id, std::string service)
    : m_pCore(std::move(core)), m_nId(device_id), m_strService(std::move(service)) {}

bool CAdbStreamLink::Write(const void* data, size_t len) {
  std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
  return m_pCore->m_pDevice != nullptr &&
         m_pCore->m_pDevice->StreamWrite(m_nId, static_cast<const uint8_t*>(data), len);
}

void CAdbStreamLink::Close() {
  std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
  if (m_pCore->m_pDevice != nullptr) m_pCore->m_pDevice->StreamClose(m_nId);
}

bool CAdbStreamLink::IsOpen() const {
  std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
  return m_pCore->m_pDevice != nullptr && m_pCore->m_pDevice->StreamOpen(m_nId);
}

size_t CAdbStreamLink::Queued() const {
  std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
  return m_pCore->m_pDevice != nullptr ? m_pCore->m_pDevice->StreamQueued(m_nId) : 0;
}

void CAdbStreamLink::After(int ms, std::function<void()> fn) {
  std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
  if (m_pCore->m_pDevice != nullptr) m_pCore->m_pDevice->After(ms, std::move(fn));
}

bool CAdbStreamLink::Step(const std::string& step) {
  std::lock_guard<std::recursive_mutex> g(m_pCore->m_Lock);
  return m_pCore->m_pDevice != nullptr && m_pCore->m_pDevice->Step(step, m_nId);
}

}  // namespace phonesim
