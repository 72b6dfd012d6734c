#include "phonesim/services/CTcpService.h"

#include "phonesim/services/CEndpointRegistry.h"

namespace phonesim {

CTcpService::CTcpService(std::shared_ptr<CAdbStreamLink> link, CEndpointRegistry* registry)
    : CSimService(std::move(link)), m_pRegistry(registry) {}

uint16_t CTcpService::PortOf(const std::string& service) {
  if (service.compare(0, 4, "tcp:") != 0) return 0;
  unsigned long port = 0;
  size_t i = 4;
  for (; i < service.size() && service[i] >= '0' && service[i] <= '9' && i < 10; ++i)
    port = port * 10 + static_cast<unsigned long>(service[i] - '0');
  if (i == 4 || (i < service.size() && service[i] != ':') || port == 0 || port > 65535) return 0;
  return static_cast<uint16_t>(port);
}

bool CTcpService::Accept() {
  uint16_t port = PortOf(m_pLink->Service());
  if (port == 0) return false;
  m_pEndpoint = m_pRegistry->Create(port);
  return m_pEndpoint != nullptr;
}

void CTcpService::OnOpen() {
  m_pEndpoint->OnOpen(m_pLink);
}

void CTcpService::OnData(const uint8_t* data, size_t len) {
  if (!m_bClosed) m_pEndpoint->OnData(data, len);
}

void CTcpService::OnClose() {
  if (m_bClosed || !m_pEndpoint) return;
  m_bClosed = true;
  m_pEndpoint->OnClose();
}

}  // namespace phonesim
