#include "phonesim/adb/CAdbStreamLink.h"

#include "phonesim/adb/CAdbDevice.h"

namespace phonesim {

CAdbStreamLink::CAdbStreamLink(std::shared_ptr<SDeviceCore> core, uint32_t device_id, std::string service)
    : m_core(std::move(core)), m_id(device_id), m_service(std::move(service)) {}

bool CAdbStreamLink::Write(const void* data, size_t len) {
  std::lock_guard<std::recursive_mutex> g(m_core->lock);
  return m_core->device != nullptr &&
         m_core->device->StreamWrite(m_id, static_cast<const uint8_t*>(data), len);
}

void CAdbStreamLink::Close() {
  std::lock_guard<std::recursive_mutex> g(m_core->lock);
  if (m_core->device != nullptr) m_core->device->StreamClose(m_id);
}

bool CAdbStreamLink::IsOpen() const {
  std::lock_guard<std::recursive_mutex> g(m_core->lock);
  return m_core->device != nullptr && m_core->device->StreamOpen(m_id);
}

size_t CAdbStreamLink::Queued() const {
  std::lock_guard<std::recursive_mutex> g(m_core->lock);
  return m_core->device != nullptr ? m_core->device->StreamQueued(m_id) : 0;
}

void CAdbStreamLink::After(int ms, std::function<void()> fn) {
  std::lock_guard<std::recursive_mutex> g(m_core->lock);
  if (m_core->device != nullptr) m_core->device->After(ms, std::move(fn));
}

bool CAdbStreamLink::Step(const std::string& step) {
  std::lock_guard<std::recursive_mutex> g(m_core->lock);
  return m_core->device != nullptr && m_core->device->Step(step, m_id);
}

}  // namespace phonesim
