#pragma once
// A phone port driven by a test: a sink that keeps every byte the host sent
// and a source that writes what the test hands it. One instance serves
// the streams of its port one after another (register it with a factory
// that returns the same instance).
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "phonesim/services/IPhoneEndpoint.h"

namespace phonesim {

class CPipeEndpoint : public IPhoneEndpoint {
 public:
  void OnOpen(std::shared_ptr<IStreamLink> link) override;
  void OnData(const uint8_t* data, size_t len) override;
  void OnClose() override;

  // Writes to the host on the current stream; false when none is open.
  bool Write(const void* data, size_t len);
  // Closes the current stream from the phone's side.
  void Close();

  std::vector<uint8_t> Received() const;
  int Opens() const;
  int Closes() const;
  bool WaitOpens(int count, int timeout_ms) const;
  bool WaitReceived(size_t bytes, int timeout_ms) const;
  bool WaitCloses(int count, int timeout_ms) const;

 private:
  std::shared_ptr<IStreamLink> CurrentLink() const;

  mutable std::mutex m_Lock;
  mutable std::condition_variable m_Changed;
  std::shared_ptr<IStreamLink> m_pLink;
  std::vector<uint8_t> m_Received;
  int m_nOpens = 0;
  int m_nCloses = 0;
};

}  // namespace phonesim
