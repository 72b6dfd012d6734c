#pragma once
// Something that listens on a TCP port of the phone, reached by the host
// through ADB's "tcp:PORT" service. One instance serves one stream; the
// registry's factory makes it when the host opens the port. All callbacks
// run on the device's connection thread and must not block.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "phonesim/services/IStreamLink.h"

namespace phonesim {

class IPhoneEndpoint {
 public:
  virtual ~IPhoneEndpoint() = default;
  virtual void OnOpen(std::shared_ptr<IStreamLink> link) = 0;
  virtual void OnData(const uint8_t* data, size_t len) = 0;
  // The host closed the stream or the connection went away.
  virtual void OnClose() = 0;
};

}  // namespace phonesim
