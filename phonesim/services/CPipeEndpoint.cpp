#include "phonesim/services/CPipeEndpoint.h"

#include <chrono>

namespace phonesim {

void CPipeEndpoint::OnOpen(std::shared_ptr<IStreamLink> link) {
  std::lock_guard<std::mutex> g(m_lock);
  m_link = std::move(link);
  ++m_opens;
  m_changed.notify_all();
}

void CPipeEndpoint::OnData(const uint8_t* data, size_t len) {
  std::lock_guard<std::mutex> g(m_lock);
  m_received.insert(m_received.end(), data, data + len);
  m_changed.notify_all();
}

void CPipeEndpoint::OnClose() {
  std::lock_guard<std::mutex> g(m_lock);
  m_link.reset();
  ++m_closes;
  m_changed.notify_all();
}

std::shared_ptr<IStreamLink> CPipeEndpoint::CurrentLink() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_link;
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
  std::lock_guard<std::mutex> g(m_lock);
  return m_received;
}

int CPipeEndpoint::Opens() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_opens;
}

int CPipeEndpoint::Closes() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_closes;
}

bool CPipeEndpoint::WaitOpens(int count, int timeout_ms) const {
  std::unique_lock<std::mutex> g(m_lock);
  return m_changed.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] { return m_opens >= count; });
}

bool CPipeEndpoint::WaitReceived(size_t bytes, int timeout_ms) const {
  std::unique_lock<std::mutex> g(m_lock);
  return m_changed.wait_for(g, std::chrono::milliseconds(timeout_ms),
                            [&] { return m_received.size() >= bytes; });
}

bool CPipeEndpoint::WaitCloses(int count, int timeout_ms) const {
  std::unique_lock<std::mutex> g(m_lock);
  return m_changed.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] { return m_closes >= count; });
}

}  // namespace phonesim
