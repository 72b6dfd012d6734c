#include "phonesim/app/CAppChannelEndpoint.h"

#include "phonesim/app/CPhoneApp.h"

namespace phonesim {

void CAppChannelEndpoint::OnOpen(std::shared_ptr<IStreamLink> link) {
  m_app->ChannelOpened(m_channel, m_id, std::move(link));
}

void CAppChannelEndpoint::OnData(const uint8_t* data, size_t len) {
  m_app->ChannelData(m_channel, m_id, data, len);
}

void CAppChannelEndpoint::OnClose() {
  m_app->ChannelClosed(m_channel, m_id);
}

}  // namespace phonesim
