#pragma once
// "tcp:PORT": connects the stream to the endpoint registered for the port.
#include <memory>

#include "phonesim/services/CSimService.h"

namespace phonesim {

class CEndpointRegistry;
class IPhoneEndpoint;

class CTcpService : public CSimService {
 public:
  CTcpService(std::shared_ptr<CAdbStreamLink> link, CEndpointRegistry* registry);
  bool Accept() override;
  void OnOpen() override;
  void OnData(const uint8_t* data, size_t len) override;
  void OnClose() override;

  // Port of "tcp:PORT" or "tcp:PORT:HOST"; 0 when there is none.
  static uint16_t PortOf(const std::string& service);

 private:
  CEndpointRegistry* m_pRegistry;
  std::shared_ptr<IPhoneEndpoint> m_pEndpoint;
  bool m_bClosed = false;
};

}  // namespace phonesim
