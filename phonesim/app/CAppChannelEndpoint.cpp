#include "phonesim/app/CAppChannelEndpoint.h"

#include "phonesim/app/CPhoneApp.h"

namespace phonesim {

void CAppChannelEndpoint::OnOpen(std::shared_ptr<IStreamLink> link) {
  m_pApp->ChannelOpened(m_nChannel, m_nId, std::move(link));
}

void CAppChannelEndpoint::OnData(const uint8_t* data, size_t len) {
  m_pApp->ChannelData(m_nChannel, m_nId, data, len);
}

void CAppChannelEndpoint::OnClose() {
  m_pApp->ChannelClosed(m_nChannel, m_nId);
}

}  // namespace phonesim
