#pragma once
// A phone port that sends back every byte it receives.
#include <memory>

#include "phonesim/services/IPhoneEndpoint.h"

namespace phonesim {

class CEchoEndpoint : public IPhoneEndpoint {
 public:
  void OnOpen(std::shared_ptr<IStreamLink> link) override { m_pLink = std::move(link); }
  void OnData(const uint8_t* data, size_t len) override {
    if (m_pLink) m_pLink->Write(data, len);
  }
  void OnClose() override { m_pLink.reset(); }

 private:
  std::shared_ptr<IStreamLink> m_pLink;
};

}  // namespace phonesim
