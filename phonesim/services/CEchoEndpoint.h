#pragma once
// A phone port that sends back every byte it receives.
#include <memory>

#include "phonesim/services/IPhoneEndpoint.h"

namespace phonesim {

class CEchoEndpoint : public IPhoneEndpoint {
 public:
  void OnOpen(std::shared_ptr<IStreamLink> link) override { m_link = std::move(link); }
  void OnData(const uint8_t* data, size_t len) override {
    if (m_link) m_link->Write(data, len);
  }
  void OnClose() override { m_link.reset(); }

 private:
  std::shared_ptr<IStreamLink> m_link;
};

}  // namespace phonesim
