#pragma once
// Phone TCP ports and what listens on them. A port without an entry
// refuses the host's "tcp:PORT" stream, as a closed port does.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "phonesim/services/IPhoneEndpoint.h"

namespace phonesim {

class CEndpointRegistry {
 public:
  // Returns a fresh endpoint for each stream, or nullptr to refuse it.
  using Factory = std::function<std::shared_ptr<IPhoneEndpoint>()>;

  void Register(uint16_t port, Factory factory);
  void Unregister(uint16_t port);
  void Clear();
  std::shared_ptr<IPhoneEndpoint> Create(uint16_t port) const;
  bool Has(uint16_t port) const;

 private:
  mutable std::mutex m_Lock;
  std::map<uint16_t, Factory> m_Ports;
};

}  // namespace phonesim
