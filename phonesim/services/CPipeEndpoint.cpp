#include "phonesim/services/CPipeEndpoint.h"

#include <chrono>

namespace phonesim {

void CPipeEndpoint::OnOpen(std::shared_ptr<IStreamLink> link) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_pLink = std::move(link);
  ++m_nOpens;
  m_Changed.notify_all();
}

void CPipeEndpoint::OnData(const uint8_t* data, size_t len) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Received.insert(m_Received.end(), data, data + len);
  m_Changed.notify_all();
}

void CPipeEndpoint::OnClose() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_pLink.reset();
  ++m_nCloses;
  m_Changed.notify_all();
}

std::shared_ptr<IStreamLink> CPipeEndpoint::CurrentLink() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_pLink;
}

// The link is used outside our lock: the device calls OnData with its own
// lock held, so taking ours before the device's would invert the order.
bool CPipeEndpoint::Write(const void* data, size_t len) {
  auto link = CurrentLink();
  return link && link->Write(data, len);
}

void CPipeEndpoint::Close() {
  auto link = CurrentLink();
  if (link) link->Close();
}

std::vector<uint8_t> CPipeEndpoint::Received() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Received;
}

int CPipeEndpoint::Opens() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_nOpens;
}

int CPipeEndpoint::Closes() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_nCloses;
}

bool CPipeEndpoint::WaitOpens(int count, int timeout_ms) const {
  std::unique_lock<std::mutex> g(m_Lock);
  return m_Changed.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] { return m_nOpens >= count; });
}

bool CPipeEndpoint::WaitReceived(size_t bytes, int timeout_ms) const {
  std::unique_lock<std::mutex> g(m_Lock);
  return m_Changed.wait_for(g, std::chrono::milliseconds(timeout_ms),
                            [&] { return m_Received.size() >= bytes; });
}

bool CPipeEndpoint::WaitCloses(int count, int timeout_ms) const {
  std::unique_lock<std::mutex> g(m_Lock);
  return m_Changed.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] { return m_nCloses >= count; });
}

}  // namespace phonesim
