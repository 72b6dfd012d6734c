#pragma once
// One of the six phone ports of the app: hands its stream to the app, which
// keeps one stream per channel.
#include <cstdint>
#include <memory>

#include "phonesim/services/IPhoneEndpoint.h"

namespace phonesim {

class CPhoneApp;

class CAppChannelEndpoint : public IPhoneEndpoint {
 public:
  CAppChannelEndpoint(CPhoneApp* app, int channel, uint64_t id)
      : m_pApp(app), m_nChannel(channel), m_nId(id) {}
  void OnOpen(std::shared_ptr<IStreamLink> link) override;
  void OnData(const uint8_t* data, size_t len) override;
  void OnClose() override;

 private:
  CPhoneApp* m_pApp;
  int m_nChannel;
  uint64_t m_nId;  // tells this stream from a later one on the same channel
};

}  // namespace phonesim
