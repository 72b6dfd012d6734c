#include "phonesim/services/CEndpointRegistry.h"

namespace phonesim {

void CEndpointRegistry::Register(uint16_t port, Factory factory) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Ports[port] = std::move(factory);
}

void CEndpointRegistry::Unregister(uint16_t port) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Ports.erase(port);
}

void CEndpointRegistry::Clear() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Ports.clear();
}

std::shared_ptr<IPhoneEndpoint> CEndpointRegistry::Create(uint16_t port) const {
  Factory f;
  {
    std::lock_guard<std::mutex> g(m_Lock);
    auto it = m_Ports.find(port);
    if (it == m_Ports.end()) return nullptr;
    f = it->second;
  }
  // The factory runs unlocked: it may itself look at the registry.
  return f ? f() : nullptr;
}

bool CEndpointRegistry::Has(uint16_t port) const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Ports.count(port) != 0;
}

}  // namespace phonesim
