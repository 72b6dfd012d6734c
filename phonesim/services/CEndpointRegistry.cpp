#include "phonesim/services/CEndpointRegistry.h"

namespace phonesim {

void CEndpointRegistry::Register(uint16_t port, Factory factory) {
  std::lock_guard<std::mutex> g(m_lock);
  m_ports[port] = std::move(factory);
}

void CEndpointRegistry::Unregister(uint16_t port) {
  std::lock_guard<std::mutex> g(m_lock);
  m_ports.erase(port);
}

void CEndpointRegistry::Clear() {
  std::lock_guard<std::mutex> g(m_lock);
  m_ports.clear();
}

std::shared_ptr<IPhoneEndpoint> CEndpointRegistry::Create(uint16_t port) const {
  Factory f;
  {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_ports.find(port);
    if (it == m_ports.end()) return nullptr;
    f = it->second;
  }
  // The factory runs unlocked: it may itself look at the registry.
  return f ? f() : nullptr;
}

bool CEndpointRegistry::Has(uint16_t port) const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_ports.count(port) != 0;
}

}  // namespace phonesim
